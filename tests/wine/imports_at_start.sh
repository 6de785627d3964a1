#!/usr/bin/env bash
# quillet.exe imports only the system libraries it needs before its icon shows (the window
# manager's, the registry's, the shell's for the icon): WinHTTP, crypt32, COM and the imaging
# component, the common controls and Winsock are loaded at their first use, so none of them may
# appear in its import table, where the loader would bring it in at every start.
#   imports_at_start.sh OBJDUMP quillet.exe
set -euo pipefail
expected="ADVAPI32.dll GDI32.dll KERNEL32.dll SHELL32.dll USER32.dll msvcrt.dll"
actual=$("$1" -p "$2" | awk '/DLL Name:/ { print $3 }' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "FAIL: $(basename "$2") imports $actual; at start it may import only $expected"
  exit 1
fi
echo "ok: $(basename "$2") imports only $actual"
