#!/usr/bin/env bash
# Installs the servers the end-to-end tests post to, when they are missing: the reference atproto
# PDS, a Nostr relay and snac2, all under build/. Needs Node.js and npm; may run while
# tools/setup.sh installs the system's packages (the packages snac2 needs to run among them: it
# touches none of the system's package state). Safe to run again.
#
# Each download is tried three times. A server that cannot be had at all is no failure of this
# script: build/<server>.unavailable then says why, and the tests that need it report themselves
# skipped with that reason (e2e_require_server in tests/e2e/e2e-lib.sh) while the rest run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLET_SERVERS_DIR:-$root/build}  # where the servers go (the tests of this script: elsewhere)
retry_pause=${QUILLET_SETUP_RETRY_PAUSE:-10}

# three_times LOG CMD...: runs CMD (its output into LOG) up to three times, pausing between.
three_times() {
  local log=$1 attempt
  shift
  for attempt in 1 2 3; do
    "$@" >"$log" 2>&1 && return 0
    [ "$attempt" = 3 ] || { echo "setup: attempt $attempt failed ($(last_error "$log")); trying again"; sleep "$retry_pause"; }
  done
  return 1
}
last_error() { grep -E '^(npm )?(ERR|E:|error)' "$1" | tail -1 | cut -c1-200 || tail -1 "$1" | cut -c1-200; }
# unavailable SERVER WHY: records why the server cannot be had, and says so.
unavailable() {
  echo "$2" >"$build/$1.unavailable"
  echo "setup: skipped $1: $2; the tests that need it are skipped"
}

# Installs the npm packages tests/e2e/NAME/package-lock.json pins into build/NAME, again only when
# the lock file changes; MODULE is one the installed folder must hold. npm's "nodedir" is NODEDIR
# (where a native module finds the installed Node's headers), or npm's own choice when empty.
install_pinned() {  # install_pinned NAME MODULE WHAT SIZE [NODEDIR]
  local folder=$build/$1 lock=$root/tests/e2e/$1/package-lock.json
  if [ -d "$folder/node_modules/$2" ] && cmp -s "$lock" "$folder/installed.lock"; then
    return 0
  fi
  echo "setup: installing $3 into $folder ($4)"
  mkdir -p "$folder"
  rm -f "$folder/installed.lock"
  cp "$root/tests/e2e/$1/package.json" "$lock" "$folder/"
  if ! (cd "$folder" && npm_config_nodedir=${5:-} three_times "$folder/npm.log" npm ci --no-audit --no-fund); then
    tail -30 "$folder/npm.log"
    unavailable "$1" "$3 could not be installed (npm ci failed 3 times: $(last_error "$folder/npm.log"))"
    return 0
  fi
  cp "$lock" "$folder/installed.lock"
}

# The Bluesky end-to-end test's server: the reference atproto PDS (0.4.x wants Node 20; Debian's
# nodejs when no node is installed) with an in-memory PLC directory. better-sqlite3 builds from
# source against the installed Node's headers.
install_pds() {
  local nodedir=/usr
  [ -f /usr/include/node/node.h ] || nodedir=""
  install_pinned pds @atproto/pds "the reference PDS" "about 2 minutes, 250 MB" "$nodedir"
}

# The Nostr tests' relay (tests/e2e/nostr/run_relay.mjs): @nostr-relay/core, common and validator
# behind `ws`, and nostr-tools to sign and check events. Pure JavaScript: nothing is compiled.
install_nostr() {
  install_pinned nostr @nostr-relay/core "the Nostr relay" "a few seconds, 10 MB"
}

# snac2, a Mastodon-compatible server the end-to-end tests sign in to and post to on loopback:
# Debian's package from this release's backports, downloaded through a source list of its own
# (the machine's sources stay as they are) and unpacked under build/snac2, never installed.
# Its libraries (libcurl4, libssl3) are the release's own. A list that refreshes only in part
# (an index mid-sync) may still hold snac2.
install_snac2() {
  local snac_dir=$build/snac2 apt_dir=$build/apt-backports uri
  [ -x "$snac_dir/usr/bin/snac" ] && return 0
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | sed -n 1p)
  uri=${uri:-http://deb.debian.org/debian}
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm-backports main" >"$apt_dir/sources.list"
  local apt_private=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
                     -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
  echo "setup: downloading snac2 from bookworm-backports"
  download_snac2() {
    apt-get -qq "${apt_private[@]}" update || true
    (cd "$apt_dir" && rm -f snac2_*.deb && apt-get -qq "${apt_private[@]}" download snac2)
  }
  if ! three_times "$apt_dir/download.log" download_snac2; then
    cat "$apt_dir/download.log"
    unavailable snac2 "snac2 could not be downloaded from bookworm-backports (3 attempts: $(last_error "$apt_dir/download.log"))"
    return 0
  fi
  rm -rf "$snac_dir"
  dpkg-deb -x "$apt_dir"/snac2_*.deb "$snac_dir"
}

mkdir -p "$build"
rm -f "$build/pds.unavailable" "$build/nostr.unavailable" "$build/snac2.unavailable"
if command -v npm >/dev/null; then
  install_pds
  install_nostr
else
  unavailable pds "the reference PDS needs Node.js and npm, which are not installed"
  unavailable nostr "the Nostr relay needs Node.js and npm, which are not installed"
fi
install_snac2
