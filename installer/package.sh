#!/usr/bin/env bash
# Makes what a release ships from the stripped quillet.exe, in this order: quillet.exe signed (see
# sign.sh: without a certificate in the environment nothing is signed, and this says so in one
# line), the portable zip, the installer (its uninstaller signed as makensis writes it), the
# installer signed, then the winget and Scoop manifests with the SHA-256 of the files as shipped.
#   package.sh STRIPPED_EXE OUT_DIR VERSION URL_BASE FEED MAKENSIS ZIP
# OUT_DIR gets package/quillet.exe, quillet-portable.zip, quillet-setup.exe and release/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stripped=$1 out=$2 version=$3 url_base=$4 feed=$5 makensis=$6 zip=$7

mkdir -p "$out/package"
if ! bash "$here/sign.sh" --enabled; then
  echo "package: QUILLET_SIGN_PFX is not set: nothing is signed"
fi
bash "$here/sign.sh" "$stripped" "$out/package/quillet.exe"

rm -f "$out/quillet-portable.zip"
"$zip" -j -q -X "$out/quillet-portable.zip" "$out/package/quillet.exe"

nsis_sign=()
if bash "$here/sign.sh" --enabled; then
  nsis_sign=("-DSIGN_UNINSTALLER=bash \"$here/sign.sh\" --in-place \"%1\"")
fi
"$makensis" -V2 -DVERSION="$version" -DEXE="$out/package/quillet.exe" \
  -DICON="$here/../resources/quillet.ico" -DOUTFILE="$out/quillet-setup.unsigned.exe" "${nsis_sign[@]}" \
  "$here/quillet.nsi"
bash "$here/sign.sh" "$out/quillet-setup.unsigned.exe" "$out/quillet-setup.exe"
rm -f "$out/quillet-setup.unsigned.exe"

rm -rf "$out/release"
python3 "$here/release_manifests.py" "$version" "$url_base" "$feed" "$out/quillet-setup.exe" \
  "$out/quillet-portable.zip" "$out/release"
