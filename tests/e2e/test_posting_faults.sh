#!/usr/bin/env bash
# Faults of the service: the connection refused, reset, accepted and never answered, answered
# with megabytes. The user sees nothing, memory stays bounded, the program keeps responding,
# and every next pop-up and post works.
source "$(dirname "$0")/e2e-lib.sh"
e2e_init posting_faults
e2e_build_loopback || exit 1
e2e_reg_set Username alice
e2e_reg_set Password "$(e2e_scramble 'pw')"
e2e_reg_set Interval 1
e2e_start

# Waits for the next pop-up, types the status and presses Enter; checks the window hides.
post() {
  local id
  id=$(e2e_wait_window Quillet 80) || { e2e_fail "no pop-up for '$1'"; return 1; }
  e2e_log "pop-up for '$1'"
  e2e_click "$id" 200 94
  e2e_type "$1"
  sleep 1  # an Enter in the window's first second is taken for one meant for another window
  e2e_key Return
  e2e_check "'$1': Enter hides" e2e_wait_hidden "$id" 3
}
responsive() {
  local report
  report=$(e2e_peek)
  e2e_check "$1: responding" grep -qx 'responsive=1' <<<"$report"
  e2e_check "$1: nothing shown" grep -qx 'visible=0' <<<"$report"
}

# 1. Nobody listens: the connection is refused.
post refused
sleep 2
responsive "after a refused connection"
e2e_listen --plan reset,stall,flood,ok --flood-bytes $((12 * 1024 * 1024)) || e2e_finish

# 2. The service resets the connection after reading the request.
post reset
e2e_check "reset: the request arrived" e2e_wait_log '^0 reset reset' 10
sleep 1
responsive "after a reset"

# 3. The service takes the request and never answers.
post stall
e2e_check "stall: the request arrived" e2e_wait_log '^1 stall recorded' 10
sleep 1
responsive "while a connection stalls"

# 4. The service answers with 12 MiB; the next post also drops the stalled connection.
before=$(e2e_rss_kb)
post flood
e2e_check "the next post closes the stalled connection" e2e_wait_log '^1 stall closed-by-client' 10
e2e_check "flood: all of it was taken" e2e_wait_log '^2 flood flooded' 60
sleep 2
after=$(e2e_rss_kb)
e2e_log "resident memory ${before} KiB before the flood, ${after} KiB after"
e2e_check "memory stays bounded (+$((after - before)) KiB for a 12 MiB reply)" test $((after - before)) -lt 4096
responsive "after a flood"

# 5. And a plain post still goes through.
post after
e2e_check "the last post arrived" e2e_wait_log '^3 ok answered' 10
e2e_check "its body" grep -q 'status=after$' "$E2E_REC/request-3.bin"
e2e_check "four requests in all" test "$(e2e_requests)" = 4
e2e_check "still running" e2e_alive
e2e_finish
