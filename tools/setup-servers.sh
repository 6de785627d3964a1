#!/usr/bin/env bash
# Installs the servers the end-to-end tests post to, when they are missing: the reference atproto
# PDS and snac2, both under build/. Needs Node.js and npm; may run while tools/setup.sh installs
# the system's packages (the packages snac2 needs to run among them: it touches none of the
# system's package state). Safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# The Bluesky end-to-end test's server: the reference atproto PDS (0.4.x wants Node 20; Debian's
# nodejs when no node is installed) with an in-memory PLC directory, from the npm registry into
# build/pds, as tests/e2e/pds/package-lock.json pins it. better-sqlite3 builds from source
# against the installed Node's headers. Installed again only when the lock file changes.
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
