#!/usr/bin/env bash
# Nostr against the loopback relay (tests/e2e/nostr/run_relay.mjs), as a new user sets it up: a
# fresh prefix; Options, Edit... on the first account, the kind Nostr, which makes a key at once
# and shows its public key, which Copy puts on the clipboard; the relay's ws:// address typed over
# the default relays; OK stores the kind, the relay and the key, protected. A line typed with an
# emoji (pasted: a character beyond U+FFFF cannot be typed through a key under Wine) and Enter:
# the relay holds the event once, and nostr-tools finds its id and signature right and its pubkey
# the one the dialog showed. Then the relay takes the next line's event but answers nothing and is
# stopped, Quillet is killed and started again, the relay started again on the same port and
# events file: Quillet asks for the event, and the relay ends with it once.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
e2e_require_server nostr
e2e_init nostr
e2e_start_relay || { e2e_fail "the relay did not start"; e2e_finish; }
trap 'kill "$RELAY_PID" 2>/dev/null; e2e_cleanup' EXIT

e2e_reg_set Interval 120  # the line goes through the icon's double click
e2e_reg_set Username alice  # past the settings asked at the first start

# Brings the window up, types $1, pastes $2 and presses Enter.
post() {
  e2e_bring_up || e2e_bring_up || e2e_bring_up || { e2e_shot no-window; e2e_fail "no window for '$1$2'"; return 1; }
  local x y
  read -r x y < <(e2e_geometry "$UP_ID")
  xdotool mousemove $((x + 200)) $((y + 94)) click 1 type --delay 5 "$1"
  printf '%s' "$2" | xclip -selection clipboard -loops 1 2>/dev/null &
  sleep 0.3
  xdotool key ctrl+v
  sleep 1.2  # past the deliberate-Enter guard
  xdotool key Return
  e2e_wait_hidden "$UP_ID" 3 || { e2e_fail "'$1': Enter did not hide the window"; return 1; }
}
events() { [ -f "$RELAY_EVENTS" ] && wc -l <"$RELAY_EVENTS" || echo 0; }
has_events() { [ "$(events)" = "$1" ]; }

typed='Tea on the relay '
pasted='🍵 café'
e2e_start
e2e_check "the icon appears" e2e_wait_tray 30
id=$(e2e_open_account) || { e2e_fail "\"Options...\", Edit... opens no account dialog"; e2e_finish; }
e2e_click "$id" 250 26  # the kind of service: its list drops down; Nostr is the fifth
for key in Down Down Down Down Return; do e2e_key $key; done
e2e_check "a key is made and its public key shown" e2e_wait_for 10 eval '[[ "$(e2e_account_field publickey)" == npub1* ]]'
npub=$(e2e_account_field publickey)
xdotool key alt+y  # Copy
e2e_check "Copy puts the public key on the clipboard" e2e_wait_for 5 eval '[ "$(xclip -o -selection clipboard 2>/dev/null)" = "$npub" ]'
xdotool key alt+a  # the relays' box, its text selected: the relay typed over the default ones
e2e_type "$RELAY_URL"
e2e_shot account-nostr "$id"
e2e_click "$id" 296 288  # OK (Enter in the relays' box begins another line)
e2e_check "OK closes" e2e_wait_hidden "$id" 5
options=$(e2e_find_window 'Quillet Options') && e2e_key Escape  # stored already: Options' Cancel keeps it
e2e_check "Options closes" e2e_wait_hidden "$options" 5
e2e_check "the kind and the relay stored" test "$(e2e_reg_query "$APP_KEY" Api)|$(e2e_reg_query "$APP_KEY" Relays)" = "nostr|$RELAY_URL"
key_hex=$(e2e_reg_hex "$APP_KEY" NostrKey | tr -d ' \n')
e2e_check "the key is stored, and not in clear" eval '[ "$key_hex" != missing ] && ! echo "$key_hex" | e2e_has -i 6e73656331'
post "$typed" "$pasted"
e2e_check "the relay takes the event" e2e_wait_for 20 has_events 1
e2e_check "nothing waits" e2e_wait_settled 20
e2e_check "the relay holds it once" has_events 1
node --input-type=module - "$QUILLET_ROOT/build/nostr" "$RELAY_EVENTS" "$typed$pasted" "$npub" <<'JS' || e2e_fail "the event as nostr-tools reads it"
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { resolve } from 'node:path';
const [folder, file, line, npub] = process.argv.slice(2);
const { verifyEvent, getEventHash, nip19 } = createRequire(resolve(folder, 'check.js'))('nostr-tools');
const event = JSON.parse(readFileSync(file, 'utf8').trim());
const problems = [];
if (getEventHash(event) !== event.id) problems.push(`id ${event.id} is not its hash`);
if (!verifyEvent({ ...event })) problems.push('the signature does not verify');
if (event.pubkey !== nip19.decode(npub).data) problems.push(`pubkey ${event.pubkey} is not ${npub}'s`);
if (event.kind !== 1 || event.tags.length !== 0 || event.content !== line) problems.push(`kind, tags or content: ${JSON.stringify(event)}`);
if (Math.abs(event.created_at - Date.now() / 1000) > 120) problems.push(`created_at ${event.created_at} is not now`);
for (const problem of problems) console.log(`FAIL: ${problem}`);
if (problems.length === 0) console.log('ok: id, signature, pubkey, kind 1, no tags, the line as typed');
process.exit(problems.length === 0 ? 0 : 1);
JS
e2e_check "the outbox file holds no key in clear" eval '! grep -qi nsec1 "$(e2e_outbox_file)"'
log_file() { ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/Quillet/quillet.log 2>/dev/null | sed -n 1p; }
e2e_check "the log names the relay and its OK" eval 'grep -q "nostr $RELAY_URL OK" "$(log_file)"'
e2e_check "the log holds no key in clear" eval '! grep -qi nsec1 "$(log_file)"'

# 2. The relay takes the event without answering and stops; Quillet is killed, then both start again.
line2='Second line, the relay stopped'
sent_before=$(grep -c "nostr $RELAY_URL event sent" "$(log_file)")
touch "$E2E_ART/relay.mute"
post "$line2 " "✓"
e2e_check "the event leaves" e2e_wait_for 20 eval '[ "$(grep -c "nostr $RELAY_URL event sent" "$(log_file)")" -gt "$sent_before" ]'
e2e_check "the relay has it, unanswered" e2e_wait_for 10 has_events 2
rm -f "$E2E_ART/relay.mute"
kill -9 "$RELAY_PID"
wait "$RELAY_PID" 2>/dev/null
e2e_log "the relay stopped with $(events) events"
wineserver -k
e2e_check "Quillet is killed" e2e_wait_exit 10
e2e_check "the line is still in the outbox" eval 'e2e_outbox | e2e_has "^[sv] Second line"'
port=${RELAY_URL##*:}
QUILLET_NOSTR_DIR=$QUILLET_ROOT/build/nostr node "$QUILLET_ROOT/tests/e2e/nostr/run_relay.mjs" --port "$port" \
  --port-file "$E2E_ART/relay-again.port" --events "$RELAY_EVENTS" >"$E2E_ART/relay-again.log" 2>&1 &
RELAY_PID=$!
e2e_check "the relay is back" e2e_wait_for 10 test -s "$E2E_ART/relay-again.port"
e2e_start
e2e_check "the icon is back" e2e_wait_tray 30
e2e_check "the outbox empties after the restart" e2e_wait_for 60 e2e_outbox_is ""
e2e_check "found on the relay by its id" eval 'grep -q "nostr $RELAY_URL has the event" "$(log_file)"'
e2e_check "the relay holds both events, each once" has_events 2
e2e_check "the second is the line" eval 'tail -1 "$RELAY_EVENTS" | e2e_has "Second line, the relay stopped"'
e2e_check "still running" e2e_alive
e2e_finish
