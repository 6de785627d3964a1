#!/usr/bin/env bash
# The release signed with a certificate from the environment (installer/package.sh, sign.sh):
# - with a throwaway code-signing certificate made here by openssl, quillet.exe, the installer and
#   the uninstaller the installer writes are each signed by it (SHA-256), as osslsigncode verify
#   says, and the password shows in nothing the build prints;
# - with a time-stamping address, the signature carries an RFC 3161 time stamp from it;
# - a changed byte breaks the signature;
# - without a certificate nothing is signed, and the build says so in one line.
# The uninstaller is read out of the installer (nsis_programs.py), as makensis finalized it.
#   signing_test.sh SOURCE_DIR BUILD_DIR MAKENSIS ZIP   (BUILD_DIR holds package/stripped/quillet.exe)
set -uo pipefail
root=$1 build=$2 makensis=$3 zip=$4
work=$(mktemp -d "$build/signing-test.XXXXXX")  # the certificate is made anew each run
trap 'rm -rf "$work"' EXIT
failures=0
log() { echo "$*"; }
fail() { log "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then log "ok: $what"; else fail "$what"; fi; }

password="pw-$RANDOM-$RANDOM-not-for-logs"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Quillet Test Signer $$" -addext "extendedKeyUsage=codeSigning" \
  -addext "keyUsage=critical,digitalSignature" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" -passout "pass:$password"
leaf=sha256:$(openssl x509 -in "$work/cert.pem" -outform DER | sha256sum | cut -d' ' -f1)

package() {  # package OUT_DIR: the build's packaging step, as installer.cmake runs it
  bash "$root/installer/package.sh" "$build/package/stripped/quillet.exe" "$1" 1.0.0 \
    https://downloads.example.invalid/quillet https://localhost/latest "$makensis" "$zip"
}
signed_by_it() {  # the file carries a valid signature by the throwaway certificate, SHA-256
  local out
  out=$(osslsigncode verify -CAfile "$work/cert.pem" -require-leaf-hash "$leaf" -in "$1" 2>&1) || {
    echo "$out" | tail -5
    return 1
  }
  grep -q "Message digest algorithm *: SHA256" <<<"$out" && grep -q "Signature verification: ok" <<<"$out"
}
unsigned() {
  local out
  ! out=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1) && grep -qi "no signature" <<<"$out"
}

log "signed: the release packaged with the certificate in the environment"
output=$(QUILLET_SIGN_PFX="$work/signer.pfx" QUILLET_SIGN_PASSWORD="$password" package "$work/signed" 2>&1) ||
  fail "packaging with a certificate: $output"
check "quillet.exe signed by the certificate" signed_by_it "$work/signed/package/quillet.exe"
check "quillet-setup.exe signed by the certificate" signed_by_it "$work/signed/quillet-setup.exe"
check "the zip holds the signed quillet.exe" \
  bash -c "unzip -p '$work/signed/quillet-portable.zip' quillet.exe | cmp -s - '$work/signed/package/quillet.exe'"
check "the manifests name the signed installer's digest" \
  grep -qi "$(sha256sum "$work/signed/quillet-setup.exe" | cut -d' ' -f1)" "$work/signed/release/winget/Velmora.Quillet.installer.yaml"
check "the password shows nowhere in the build's output" bash -c "! grep -qF -- '$password' <<<\"\$0\"" "$output"
check "a signed build does not say it signs nothing" bash -c "! grep -q 'nothing is signed' <<<\"\$0\"" "$output"

log "with a time-stamping address: an RFC 3161 time stamp from a loopback service"
mkdir -p "$work/tsa"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tsa/tsa.key" -out "$work/tsa/tsa.pem" -days 2 \
  -subj "/CN=Quillet Test Time Stamps $$" -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null
python3 "$root/tests/tools/time_stamp_service.py" "$work/tsa" &
tsa_pid=$!
trap 'kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/tsa/port" ] && break; sleep 0.1; done
QUILLET_SIGN_PFX="$work/signer.pfx" QUILLET_SIGN_PASSWORD="$password" \
  QUILLET_SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa/port")" \
  bash "$root/installer/sign.sh" "$build/package/stripped/quillet.exe" "$work/stamped.exe" || fail "signing with a time stamp"
check "the service gave one time stamp" test "$(cat "$work/tsa/stamps" 2>/dev/null)" = stamp
stamped=$(osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa/tsa.pem" -in "$work/stamped.exe" 2>&1)
check "the signature carries the verified time stamp" grep -q "Timestamp Server Signature verification: ok" <<<"$stamped"
check "... and is the certificate's" signed_by_it "$work/stamped.exe"

log "a changed byte breaks the signature"
cp "$work/signed/package/quillet.exe" "$work/changed.exe"
printf '\x5a' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
check "quillet.exe with a byte changed no longer verifies" bash -c "! osslsigncode verify -CAfile '$work/cert.pem' -in '$work/changed.exe' >/dev/null 2>&1"

log "a wrong password signs nothing and fails the build"
check "the packaging step fails" bash -c "! QUILLET_SIGN_PFX='$work/signer.pfx' QUILLET_SIGN_PASSWORD=wrong bash '$root/installer/package.sh' '$build/package/stripped/quillet.exe' '$work/wrong' 1.0.0 https://x.invalid https://localhost/latest '$makensis' '$zip' >/dev/null 2>&1"

log "unsigned: no certificate in the environment"
output=$(unset QUILLET_SIGN_PFX QUILLET_SIGN_PASSWORD; package "$work/unsigned" 2>&1) || fail "packaging unsigned: $output"
check "the build says in one line that nothing is signed" test "$(grep -c 'nothing is signed' <<<"$output")" = 1
check "quillet.exe unsigned" unsigned "$work/unsigned/package/quillet.exe"
check "quillet-setup.exe unsigned" unsigned "$work/unsigned/quillet-setup.exe"

log "the uninstaller inside the signed installer"
programs=$(python3 "$root/tests/tools/nsis_programs.py" "$work/signed/quillet-setup.exe" "$work/carried")
check "the installer carries quillet.exe and the finalized uninstaller" test "$programs" = 2
for program in "$work"/carried/*.exe; do
  cmp -s "$program" "$work/signed/package/quillet.exe" && continue
  check "the uninstaller ($(stat -c %s "$program") bytes) signed by the certificate" signed_by_it "$program"
done
if [ "$failures" -gt 0 ]; then
  echo "signing: $failures check(s) failed"
  exit 1
fi
echo "signing: all checks passed"
