#!/usr/bin/env bash
# Installs what building and testing Quillet needs on Debian 12, when it is missing.
# Safe to run again: it installs nothing that is already there. Both cross compilers: the product
# is built for i686; where 32-bit programs cannot run, the Wine tests run an x86_64 build.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(cmake ninja-build g++ libgtest-dev googletest
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine64 xvfb xauth xdotool imagemagick x11-utils
          fonts-liberation fonts-dejavu-core python3 zip unzip procps
          clang libfuzzer-14-dev libclang-rt-14-dev nsis bc
          openssl libgnutls30 xclip x11-xserver-utils)  # xclip: the Bluesky test pastes an emoji; xmodmap: letters on keys of their own; Wine's schannel (HTTPS) loads GnuTLS at run time; the tests make certificates

for p in "${packages[@]}"; do have_pkg "$p" || need+=("$p"); done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need+=(wine32:i386 libgnutls30:i386)
else
  for p in wine32:i386 libgnutls30:i386; do have_pkg "$p" || need+=("$p"); done
fi

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# The Bluesky end-to-end test's server: the reference atproto PDS (0.4.x wants Node 20; Debian's
# nodejs when no node is installed) with an in-memory PLC directory, from the npm registry into
# build/pds, as tests/e2e/pds/package-lock.json pins it. better-sqlite3 builds from source
# against the installed Node's headers. Installed again only when the lock file changes.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "setup: installing nodejs npm libnode-dev"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends nodejs npm libnode-dev >/dev/null
fi
root=$(cd "$(dirname "$0")/.." && pwd)
pds=$root/build/pds
if [ ! -d "$pds/node_modules/@atproto/pds" ] || ! cmp -s "$root/tests/e2e/pds/package-lock.json" "$pds/installed.lock"; then
  echo "setup: installing the reference PDS into $pds (about 2 minutes, 250 MB)"
  mkdir -p "$pds"
  cp "$root/tests/e2e/pds/package.json" "$root/tests/e2e/pds/package-lock.json" "$pds/"
  nodedir=/usr
  [ -f /usr/include/node/node.h ] || nodedir=""
  (cd "$pds" && npm_config_nodedir=$nodedir npm ci --no-audit --no-fund >"$pds/npm.log" 2>&1) ||
    { tail -30 "$pds/npm.log"; exit 1; }
  cp "$root/tests/e2e/pds/package-lock.json" "$pds/installed.lock"
fi
# snac2, a Mastodon-compatible server the end-to-end tests sign in to and post to on loopback:
# Debian's package from this release's backports, downloaded through a source list of its own
# (the machine's sources stay as they are) and unpacked under build/snac2, never installed.
# Its libraries (libcurl4, libssl3) are the release's own.
snac_dir=$root/build/snac2
if [ ! -x "$snac_dir/usr/bin/snac" ]; then
  have_pkg libcurl4 || { apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libcurl4 >/dev/null; }
  apt_dir=$root/build/apt-backports
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  uri=${uri:-http://deb.debian.org/debian}
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm-backports main" >"$apt_dir/sources.list"
  apt_private=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o Dir::Etc::sourceparts=- \
               -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
  echo "setup: downloading snac2 from bookworm-backports"
  apt-get -qq "${apt_private[@]}" update
  (cd "$apt_dir" && rm -f snac2_*.deb && apt-get -qq "${apt_private[@]}" download snac2)
  rm -rf "$snac_dir"
  dpkg-deb -x "$apt_dir"/snac2_*.deb "$snac_dir"
fi
