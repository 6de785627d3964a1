#!/usr/bin/env bash
# Installs the servers the end-to-end tests post to, when they are missing: the reference atproto
# PDS and snac2, and nostr-tools, all under build/. Needs Node.js and npm; may run while tools/setup.sh installs
# the system's packages (the packages snac2 needs to run among them: it touches none of the
# system's package state). Safe to run again.
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

# The Bluesky end-to-end test's server: the reference atproto PDS (0.4.x wants Node 20; Debian's
# nodejs when no node is installed) with an in-memory PLC directory, from the npm registry into
# build/pds, as tests/e2e/pds/package-lock.json pins it. better-sqlite3 builds from source
# against the installed Node's headers. Installed again only when the lock file changes.
install_pds() {
  local pds=$build/pds nodedir=/usr
  if [ -d "$pds/node_modules/@atproto/pds" ] && cmp -s "$root/tests/e2e/pds/package-lock.json" "$pds/installed.lock"; then
    return 0
  fi
  echo "setup: installing the reference PDS into $pds (about 2 minutes, 250 MB)"
  mkdir -p "$pds"
  rm -f "$pds/installed.lock"
  cp "$root/tests/e2e/pds/package.json" "$root/tests/e2e/pds/package-lock.json" "$pds/"
  [ -f /usr/include/node/node.h ] || nodedir=""
  if ! (cd "$pds" && npm_config_nodedir=$nodedir three_times "$pds/npm.log" npm ci --no-audit --no-fund); then
    tail -30 "$pds/npm.log"
    unavailable pds "the reference PDS could not be installed (npm ci failed 3 times: $(last_error "$pds/npm.log"))"
    return 0
  fi
  cp "$root/tests/e2e/pds/package-lock.json" "$pds/installed.lock"
}

# nostr-tools, the independent check of the Nostr events and keys the program makes, from the npm
# registry into build/nostr, as tests/e2e/nostr/package-lock.json pins it (pure JavaScript).
# Installed again only when the lock file changes.
install_nostr() {
  local nostr=$build/nostr
  if [ -d "$nostr/node_modules/nostr-tools" ] && cmp -s "$root/tests/e2e/nostr/package-lock.json" "$nostr/installed.lock"; then
    return 0
  fi
  echo "setup: installing nostr-tools into $nostr"
  mkdir -p "$nostr"
  rm -f "$nostr/installed.lock"
  cp "$root/tests/e2e/nostr/package.json" "$root/tests/e2e/nostr/package-lock.json" "$nostr/"
  if ! (cd "$nostr" && three_times "$nostr/npm.log" npm ci --no-audit --no-fund); then
    tail -30 "$nostr/npm.log"
    unavailable nostr "nostr-tools could not be installed (npm ci failed 3 times: $(last_error "$nostr/npm.log"))"
    return 0
  fi
  cp "$root/tests/e2e/nostr/package-lock.json" "$nostr/installed.lock"
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
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
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
rm -f "$build/pds.unavailable" "$build/snac2.unavailable" "$build/nostr.unavailable"
if command -v npm >/dev/null; then
  install_pds
  install_nostr
else
  unavailable pds "the reference PDS needs Node.js and npm, which are not installed"
  unavailable nostr "nostr-tools needs Node.js and npm, which are not installed"
fi
install_snac2
