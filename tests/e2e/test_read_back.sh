#!/usr/bin/env bash
# Reading back under Wine, with the real quillet.exe and a loopback GNU social service
# (tests/e2e/service.py) as a server of the user's choice, in two parts that run side by side.
# "lunch": the person answers "lunch" again; yesterday's "lunch" is on the timeline; today's
# request leaves and the connection closes without a word, the service storing nothing. A minute
# later Quillet reads the account's latest posts: yesterday's is not taken for today's, and the
# line waits to be looked for again (and then sent again), never dropped as delivered.
# "late": the service takes the line 40 seconds after the request, when Quillet has given up on
# the answer; Quillet looks a minute later, finds it, and the line is there once.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_parts "${1:-}" lunch late
e2e_init "read_back-$E2E_PART"

python3 "$E2E_LIB_DIR/service.py" --port-file "$E2E_ART/service.port" --log "$E2E_ART/service.log" \
  --mode-file "$E2E_ART/mode" --yesterday lunch &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null; e2e_cleanup' EXIT
e2e_wait_for 10 test -s "$E2E_ART/service.port" || { e2e_fail "no service"; e2e_finish; }
requests() {  # requests() PATTERN: how many requests the service logged whose "METHOD path" matches
  python3 -c 'import json, re, sys
print(sum(bool(re.search(sys.argv[2], r.get("method", "") + " " + r.get("path", "")))
          for r in map(json.loads, filter(str.strip, open(sys.argv[1], encoding="utf-8")))))' "$E2E_ART/service.log" "$1" 2>/dev/null || echo 0
}
timeline() { curl -s --noproxy '*' -u alice:secret "http://127.0.0.1:$(cat "$E2E_ART/service.port")/api/statuses/user_timeline.xml"; }
copies() { timeline | grep -o "<text>$1</text>" | wc -l; }

e2e_reg_set Server "http://127.0.0.1:$(cat "$E2E_ART/service.port")/api/"
e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble secret)"
e2e_reg_set Interval 120
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30

if [ "$E2E_PART" = lunch ]; then
  echo close >"$E2E_ART/mode"
  e2e_post_line lunch
  e2e_check "the request arrived" e2e_wait_for 20 eval '[ "$(requests "^POST .*update.xml")" -ge 1 ]'
  e2e_check "the line may have arrived: it is to be looked for" e2e_wait_for 10 e2e_outbox_is "v lunch"
  echo ok >"$E2E_ART/mode"
  e2e_check "a minute later, the account's posts are read" \
    e2e_wait_for 90 eval '[ "$(requests "^GET .*user_timeline.xml")" -ge 1 ]'
  e2e_check "... and yesterday's lunch is not taken for today's: the line still waits" \
    e2e_wait_for 10 eval 'grep -q "line 1 not found among the account.s posts yet" "$(dirname "$(e2e_outbox_file)")/quillet.log"'
  e2e_check "to be looked for again" e2e_outbox_is "v lunch"
  e2e_check "not sent again yet" test "$(requests "^POST .*update.xml")" = 1
  e2e_check "today's lunch is nowhere" test "$(copies lunch)" = 1
else
  echo late >"$E2E_ART/mode"
  e2e_post_line "late lunch"
  e2e_check "the request arrived" e2e_wait_for 20 eval '[ "$(requests "^POST .*update.xml")" -ge 1 ]'
  echo ok >"$E2E_ART/mode"
  e2e_check "no answer: the line may have arrived" e2e_wait_for 40 e2e_outbox_is "v late lunch"
  e2e_check "the service took it late" e2e_wait_for 30 eval '[ "$(copies "late lunch")" = 1 ]'
  e2e_check "Quillet looks a minute later, finds it, and nothing waits" e2e_wait_settled 90
  e2e_check "found among the account's posts" \
    grep -q "line 1 sent: found among the account.s posts" "$(dirname "$(e2e_outbox_file)")/quillet.log"
  e2e_check "the line is there once" test "$(copies "late lunch")" = 1
  e2e_check "it was sent once" test "$(requests "^POST .*update.xml")" = 1
fi
e2e_check "still running" e2e_alive
e2e_finish
