#!/usr/bin/env bash
# The released quillet.exe is the same bytes wherever and whenever it is built: its header carries
# no link time, and it names no folder of the machine that built it.
#   reproducible_release.sh OBJDUMP quillet.exe SOURCE_DIR
set -euo pipefail
stamp=$("$1" -p "$2" | awk -F'\t+' '/^Time\/Date/ { print $2 }')
if [ "$stamp" != "Thu Jan  1 00:00:00 1970" ]; then
  echo "FAIL: $(basename "$2") carries its link time ($stamp)"
  exit 1
fi
if grep -qaF "$3" "$2"; then
  echo "FAIL: $(basename "$2") names the folder it was built from ($3)"
  exit 1
fi
echo "ok: $(basename "$2") carries no link time and names no build folder"
