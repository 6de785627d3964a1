#!/usr/bin/env bash
# Builds everything and runs every test: on Linux the unit tests, again under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the fuzz targets for a short bounded time; then the Windows
# tests (platform contracts, Win32 tests, end-to-end tests of quillet.exe) under Wine on a
# virtual X display. Installs what it needs first. Ends with CTest's summary line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh

presets=(host host-asan fuzz windows)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# One virtual display for the whole run: the Windows tests must not depend on the desktop
# this was started from.
unset DISPLAY
source tools/wine-env.sh
ensure_display
trap '[ -n "${QUILLET_XVFB_PID:-}" ] && kill "$QUILLET_XVFB_PID" 2>/dev/null; true' EXIT
wine_template >/dev/null

# One CTest run over every build, so that one summary line counts every test.
printf 'subdirs("%s")\n' "${presets[@]}" > build/CTestTestfile.cmake
ctest --test-dir build --output-on-failure -j "${QUILLET_TEST_JOBS:-3}" "$@"
