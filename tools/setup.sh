#!/usr/bin/env bash
# Installs what building and testing Quillet needs on Debian 12, when it is missing: the system's
# packages here, the test servers with tools/setup-servers.sh (tools/test.sh runs it beside the
# builds). Safe to run again: it installs nothing that is already there. Both cross compilers: the product
# is built for i686; where 32-bit programs cannot run, the Wine tests run an x86_64 build.
#
# Mirrors fail now and then: an index mid-sync, i386 libraries that lag the amd64 security
# updates. So the package lists are refreshed up to three times and a partial refresh is no
# failure (only an install that fails is), and 32-bit Wine is a step of its own after everything
# else: without it the Wine tests run the x86_64 build under 64-bit Wine (tools/wine-env.sh).
#
# `setup.sh linux` installs only what the Linux builds of the unit tests need (on a new machine it
# is there already), so that tools/test.sh can start them while the rest installs.
set -euo pipefail

have_pkg() { [[ $(dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null) == *'install ok installed'* ]]; }  # any architecture
missing() { local p; for p in "$@"; do have_pkg "$p" || echo "$p"; done; }
export DEBIAN_FRONTEND=noninteractive
retry_pause=${QUILLET_SETUP_RETRY_PAUSE:-5}

# Refreshes the package lists, once per run. A refresh that keeps failing is said in one line
# and is not fatal: the lists as they are may still hold what is needed.
lists_fresh=0
refresh_lists() {
  [ "$lists_fresh" = 0 ] || return 0
  lists_fresh=1
  local attempt output
  for attempt in 1 2 3; do
    if output=$(apt-get update -qq 2>&1); then return 0; fi
    [ "$attempt" = 3 ] || sleep "$retry_pause"
  done
  echo "setup: skipped a full refresh of the package lists (apt-get update failed 3 times: $(grep -m1 '^E:' <<<"$output" || tail -1 <<<"$output")); installing from the lists as they are"
}
# Installs the packages named; prints apt-get's last error line and fails when it cannot.
install_packages() {
  local output
  refresh_lists
  echo "setup: installing $*"
  if ! output=$(apt-get install -y -qq --no-install-recommends "$@" 2>&1 >/dev/null); then
    grep '^E:' <<<"$output" | tail -1 >&2 || true
    return 1
  fi
}

# gettext: msgfmt checks and compiles the catalogs; unicode-data: CaseFolding.txt, from which the
# build makes its table of case folding; clang with its sanitizers' and libFuzzer's libraries: the
# checked build (the unit tests and the fuzz targets under the sanitizers).
linux_build=(cmake ninja-build g++ libgtest-dev googletest gettext unicode-data python3
             clang libfuzzer-14-dev libclang-rt-14-dev)
if [ "${1:-}" = linux ]; then
  mapfile -t need < <(missing "${linux_build[@]}")
  [ ${#need[@]} = 0 ] || install_packages "${need[@]}" || { echo "setup: the packages above could not be installed" >&2; exit 1; }
  exit 0
fi
packages=("${linux_build[@]}"
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine64 xvfb xauth xdotool imagemagick x11-utils
          fonts-liberation fonts-dejavu-core fonts-vlgothic fonts-symbola zip unzip procps
          nsis bc
          openssl libgnutls30 xclip x11-xserver-utils)  # fonts-vlgothic: Japanese glyphs for the Wine prefixes (tools/wine-env.sh); fonts-symbola: emoji, which the list views draw with it (platform/win32/list_emoji.h); xclip: the Bluesky test pastes an emoji; xmodmap: letters on keys of their own; Wine's schannel (HTTPS) loads GnuTLS at run time; the tests make certificates
# The release: Authenticode signing (installer/sign.sh), and its manifests checked against their
# formats' schemas (tests/tools/release_manifests_test.py).
packages+=(osslsigncode python3-jsonschema python3-yaml)
# The test servers (tools/setup-servers.sh) want Node 20 (Debian's when none is installed) and
# snac2's libraries.
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm libnode-dev)
packages+=(libcurl4)
mapfile -t need < <(missing "${packages[@]}")
if [ ${#need[@]} -gt 0 ]; then
  install_packages "${need[@]}" || { echo "setup: the packages above could not be installed" >&2; exit 1; }
fi

# 32-bit Wine, the product's own architecture, on its own: when the mirror cannot give it, the
# rest is installed already and the Wine tests take the x86_64 build.
wine32=(wine32:i386 libgnutls30:i386)
if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
  dpkg --add-architecture i386
  lists_fresh=0
fi
mapfile -t need < <(missing "${wine32[@]}")
if [ ${#need[@]} -gt 0 ] && ! install_packages "${need[@]}"; then
  echo "setup: skipped 32-bit Wine (${need[*]} could not be installed); the Wine tests fall back to the x86_64 build under 64-bit Wine, without the installer's test"
fi
exit 0
