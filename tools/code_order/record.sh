#!/usr/bin/env bash
# Records the order in which quillet.exe first runs its functions, from its start until its icon
# is up and a few seconds of idle have passed, and writes it to tools/code_order/order.txt (the
# layout of the program's code, cmake/code_order.cmake; docs/code-order.md). Run it again when the
# start-up or the idle work changes much; a stale list costs memory at idle, never correctness.
#   bash tools/code_order/record.sh          (IDLE_SECONDS=5 by default)
# It builds a recording copy (-finstrument-functions, tools/code_order/record_calls.c) in
# build/<preset>-calls, starts it under Wine in a fresh prefix as the idle-weight test does, and
# names the recorded addresses from the copy's link map.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export QUILLET_ROOT=$ROOT
source "$ROOT/tools/wine-env.sh"
set +e
dir=$ROOT/build/$QUILLET_WINE_PRESET-calls
(cd "$ROOT" && cmake --preset "$QUILLET_WINE_PRESET" -B "$dir" -DQUILLET_RECORD_CALLS=ON \
  -DQUILLET_REGISTER_WINE_TESTS=OFF >/dev/null && cmake --build "$dir" -j 2 --target quillet quillet_bench_probe >/dev/null) ||
  { echo "record: the recording build failed" >&2; exit 2; }
export QUILLET_BUILD_DIR=$dir QUILLET_EXE=$dir/quillet.exe
source "$ROOT/bench/bench-lib.sh"
source "$ROOT/tests/e2e/e2e-lib.sh"
e2e_init code-order >/dev/null
e2e_reg_set Username idle
BENCH_PROBE=$dir/quillet_bench_probe.exe
log=$E2E_ART/calls.txt
export QUILLET_CALL_LOG="Z:$log"
bench_probe start "$QUILLET_EXE" 30 || { echo "record: no icon" >&2; exit 2; }
sleep "${IDLE_SECONDS:-5}"
cp "$log" "$E2E_ART/calls-at-idle.txt"
bench_probe close QuilletTray
base=$("${QUILLET_OBJDUMP:-$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$dir/CMakeCache.txt")}" -p "$QUILLET_EXE" |
  awk '$1 == "ImageBase" { print $2 }')
python3 - "$dir/quillet.map" "$base" "$E2E_ART/calls-at-idle.txt" "$ROOT/tools/code_order/order.txt" <<'PY'
import re, sys
map_file, base, calls, out = sys.argv[1], int(sys.argv[2], 16), sys.argv[3], sys.argv[4]
# The map names each function's section and its address: ".text$NAME 0xADDRESS 0xSIZE FILE",
# the numbers on the next line when the name is long.
sections, pending = {}, None
for line in open(map_file):
    m = re.match(r'^ \.text\$(\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+\S)?', line)
    if m:
        pending = None
        if m.group(2):
            if int(m.group(3), 16): sections[int(m.group(2), 16) - base] = m.group(1)
        else: pending = m.group(1)
        continue
    m = re.match(r'^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+\S', line)
    if pending and m and int(m.group(2), 16): sections[int(m.group(1), 16) - base] = pending
    pending = None
names, unknown = [], 0
for line in open(calls):
    name = sections.get(int(line, 16))
    if name is None: unknown += 1
    elif name not in names: names.append(name)
with open(out, 'w') as f:
    f.write('# quillet.exe: the functions run from the start to the icon and at idle, in the order they first\n'
            '# ran (tools/code_order/record.sh writes this file; cmake/code_order.cmake reads it)\n')
    f.write(''.join(n + '\n' for n in names))
print(f'record: {len(names)} functions in order, {unknown} addresses outside a function section; {out}')
PY
