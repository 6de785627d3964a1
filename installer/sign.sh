#!/usr/bin/env bash
# Authenticode signing of what the release ships, with osslsigncode: SHA-256, and an RFC 3161
# timestamp when a timestamp address is given. Everything comes from the environment, nothing
# from the tree:
#   QUILLET_SIGN_PFX            the certificate and its key (a PKCS#12 file)
#   QUILLET_SIGN_PASSWORD       its password (may be empty)
#   QUILLET_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping service (optional)
# The password reaches osslsigncode through a pipe, never on a command line, and nothing here
# prints it.
#
#   sign.sh IN OUT        OUT is IN signed, or a copy of IN when no certificate is given
#   sign.sh --in-place F  signs F (nothing without a certificate), for NSIS's !uninstfinalize
#   sign.sh --enabled     exits 0 when a certificate is given
#   sign.sh --identity F  writes to F what signing depends on (a digest of the certificate file
#                         and the timestamp address, or "unsigned"), only when it changed, so
#                         that a build signs again when they change
set -euo pipefail

enabled() { [ -n "${QUILLET_SIGN_PFX:-}" ]; }

sign_file() {  # sign_file IN OUT
  local in=$1 out=$2 tmp
  if [ ! -r "$QUILLET_SIGN_PFX" ]; then
    echo "sign: QUILLET_SIGN_PFX names no readable file" >&2
    return 1
  fi
  tmp=$(mktemp "$out.XXXXXX")
  local args=(sign -pkcs12 "$QUILLET_SIGN_PFX" -readpass /dev/stdin -h sha256
              -n Quillet -i http://www.velmora.com/quillet/)
  [ -z "${QUILLET_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$QUILLET_SIGN_TIMESTAMP_URL")
  rm -f "$tmp"
  local output
  if ! output=$(printf '%s' "${QUILLET_SIGN_PASSWORD:-}" | osslsigncode "${args[@]}" -in "$in" -out "$tmp" 2>&1); then
    rm -f "$tmp"
    echo "sign: osslsigncode could not sign $(basename "$in"): $(grep -v '^Succeeded' <<<"$output" | tail -3 | tr '\n' ' ')" >&2
    return 1
  fi
  mv -f "$tmp" "$out"
}

case "${1:-}" in
  --enabled)
    enabled
    ;;
  --in-place)
    if enabled; then sign_file "$2" "$2"; fi
    ;;
  --identity)
    identity=unsigned
    if enabled; then
      identity=$( { sha256sum <"$QUILLET_SIGN_PFX" 2>/dev/null || echo missing; echo "${QUILLET_SIGN_TIMESTAMP_URL:-}"; } | sha256sum)
    fi
    if [ "$(cat "$2" 2>/dev/null)" != "$identity" ]; then echo "$identity" >"$2"; fi
    ;;
  *)
    if enabled; then
      sign_file "$1" "$2"
    else
      cp -f "$1" "$2"
    fi
    ;;
esac
