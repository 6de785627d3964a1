#!/usr/bin/env bash
# tools/setup.sh against a mirror in trouble, with apt-get, dpkg and dpkg-query stood in for: the
# package lists never refresh whole ("Mirror sync in progress?"), and every :i386 package is
# refused ("held broken packages"). Setup must install the rest, say that it falls back to the
# x86_64 Wine, and exit 0; only an install of the rest that fails is fatal. Then
# tools/setup-servers.sh with npm and the download failing every time: it tries three times,
# exits 0, and leaves the reason each server cannot be had for the tests that need it.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_STATE/calls"
case " $* " in
  *" update "*)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  *":i386"*|*" $FAKE_REFUSE "*)
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100 ;;
esac
FAKE
cat >"$work/bin/dpkg" <<'FAKE'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) cat "$FAKE_STATE/architectures" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$FAKE_STATE/architectures" ;;
esac
FAKE
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"  # nothing is installed
chmod +x "$work/bin"/*

# scenario REFUSED EXPECTED_STATUS: runs setup on a fresh state; prints its output.
run_setup() {
  export FAKE_STATE=$work/state-$1 FAKE_REFUSE=$1
  rm -rf "$FAKE_STATE"
  mkdir -p "$FAKE_STATE"
  PATH=$work/bin:$PATH QUILLET_SETUP_RETRY_PAUSE=0 bash "$root/tools/setup.sh" >"$FAKE_STATE/out" 2>&1
  echo $? >"$FAKE_STATE/status"
  sed 's/^/  | /' "$FAKE_STATE/out"
}

echo "A mirror mid-sync that refuses every 32-bit package:"
run_setup none
state=$work/state-none
[ "$(cat "$state/status")" = 0 ] || fail "setup exited $(cat "$state/status")"
[ "$(grep -c '^apt-get update' "$state/calls")" -ge 3 ] || fail "the package lists were not tried three times"
grep -q '^apt-get install.* wine64 ' "$state/calls" || fail "the packages other than 32-bit Wine were not installed"
grep -q 'skipped a full refresh.*Mirror sync in progress' "$state/out" || fail "the failed refresh was not said in one line"
grep -q 'skipped 32-bit Wine.*x86_64 build under 64-bit Wine' "$state/out" || fail "setup did not say it falls back to the x86_64 Wine"
grep -qx i386 "$state/architectures" || fail "the i386 architecture was not added"

echo "A package of the rest that cannot be installed:"
run_setup cmake
[ "$(cat "$work/state-cmake/status")" != 0 ] || fail "setup succeeded although cmake could not be installed"
grep -q 'held broken packages' "$work/state-cmake/out" || fail "apt-get's reason was not shown"
grep -q 'install.*:i386' "$work/state-cmake/calls" && fail "32-bit Wine was tried after the rest failed"

echo "The test servers cannot be had:"
printf '#!/bin/sh\necho "npm ERR! network request failed" >&2\nexit 1\n' >"$work/bin/npm"
chmod +x "$work/bin/npm"
export FAKE_STATE=$work/state-servers FAKE_REFUSE=snac2
mkdir -p "$FAKE_STATE"
PATH=$work/bin:$PATH QUILLET_SETUP_RETRY_PAUSE=0 QUILLET_SERVERS_DIR=$work/servers \
  bash "$root/tools/setup-servers.sh" >"$FAKE_STATE/out" 2>&1
status=$?
sed 's/^/  | /' "$FAKE_STATE/out" | grep -v '^  | *$' | tail -6
[ "$status" = 0 ] || fail "setup-servers exited $status"
[ "$(grep -c 'attempt [12] failed' "$FAKE_STATE/out")" = 6 ] || fail "each server was not tried three times"
grep -q 'npm ci failed 3 times: npm ERR! network' "$work/servers/pds.unavailable" 2>/dev/null ||
  fail "no reason kept for the PDS"
grep -q 'nostr-tools could not be installed' "$work/servers/nostr.unavailable" 2>/dev/null || fail "no reason kept for nostr-tools"
grep -q 'snac2 could not be downloaded' "$work/servers/snac2.unavailable" 2>/dev/null || fail "no reason kept for snac2"

[ "$failures" = 0 ] && echo "setup_test: all checks passed"
exit $((failures > 0))
