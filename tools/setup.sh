#!/usr/bin/env bash
# Installs what building and testing Quillet needs on Debian 12, when it is missing: the system's
# packages here, the test servers with tools/setup-servers.sh (tools/test.sh runs it beside the
# builds). Safe to run again: it installs nothing that is already there. Both cross compilers: the product
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
# The test servers (tools/setup-servers.sh) want Node 20 (Debian's when none is installed) and
# snac2's libraries.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then need+=(nodejs npm libnode-dev); fi
have_pkg libcurl4 || need+=(libcurl4)

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

