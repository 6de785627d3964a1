// The test relay (run_relay.mjs) is a real checker: an event signed with nostr-tools is accepted
// and kept, the same event again is a duplicate, one with a broken signature or id is refused,
// a REQ by id finds the kept event, and the events file holds exactly the accepted one once the
// relay has stopped. Exit 77 (skipped) when the relay's modules are not installed.
//   node relay_check.mjs
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const installed = process.env.QUILLET_NOSTR_DIR ?? path.join(here, '../../../build/nostr');
if (!fs.existsSync(path.join(installed, 'node_modules', '@nostr-relay', 'core'))) {
  const why = fs.existsSync(installed + '.unavailable') ? fs.readFileSync(installed + '.unavailable', 'utf8').trim() : '';
  console.log(`skipped: the relay is not installed (bash tools/setup-servers.sh) ${why}`);
  process.exit(77);
}
const require = createRequire(path.join(installed, 'package.json'));
const { generateSecretKey, finalizeEvent } = require('nostr-tools/pure');
const WebSocket = require('ws');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'relay-check-'));
const portFile = path.join(work, 'port');
const eventsFile = path.join(work, 'events.jsonl');
const relay = spawn(process.execPath, [path.join(here, 'run_relay.mjs'), '--port', '0', '--port-file', portFile,
  '--events', eventsFile], { stdio: ['ignore', 'inherit', 'inherit'] });
const relayEnded = new Promise((resolve) => relay.on('exit', resolve));

async function waitFor(ready, what, ms = 10000) {
  for (const start = Date.now(); !ready(); await new Promise((r) => setTimeout(r, 50))) {
    if (Date.now() - start > ms) throw new Error(`timed out waiting for ${what}`);
  }
}

try {
  await waitFor(() => fs.existsSync(portFile), 'the relay to listen');
  const socket = new WebSocket(`ws://127.0.0.1:${fs.readFileSync(portFile, 'utf8')}`);
  const answers = [];
  socket.on('message', (data) => answers.push(JSON.parse(String(data))));
  await new Promise((resolve, reject) => socket.on('open', resolve).on('error', reject));
  // Sends a message and returns the relay's next answer of that type about `key`.
  const ask = async (message, type, key) => {
    const found = () => answers.findIndex((a) => a[0] === type && (key === undefined || a[1] === key));
    socket.send(typeof message === 'string' ? message : JSON.stringify(message));
    await waitFor(() => found() >= 0, `${type} for ${key}`);
    return answers.splice(found(), 1)[0];
  };

  const key = generateSecretKey();
  const note = finalizeEvent({ kind: 1, created_at: Math.floor(Date.now() / 1000), tags: [], content: 'hello relay' }, key);
  const other = finalizeEvent({ kind: 1, created_at: note.created_at, tags: [], content: 'another line' }, key);
  const badSignature = { ...other, sig: other.sig.slice(0, -2) + (other.sig.endsWith('00') ? '01' : '00') };
  const third = finalizeEvent({ kind: 1, created_at: note.created_at, tags: [], content: 'a third line' }, key);
  const badId = { ...third, content: 'changed after signing' };

  const cases = [
    ['a signed event is accepted', note, true, /^$/],
    ['the same event again is a duplicate', note, true, /^duplicate:/],
    ['a broken signature is refused', badSignature, false, /^invalid: signature/],
    ['content changed after signing is refused', badId, false, /^invalid: id/],
  ];
  for (const [name, event, accepted, message] of cases) {
    const [, , ok, words = ''] = await ask(['EVENT', event], 'OK', event.id);
    assert.equal(ok, accepted, name);
    assert.match(words, message, name);
  }

  const found = [];
  socket.on('message', (data) => {
    const answer = JSON.parse(String(data));
    if (answer[0] === 'EVENT' && answer[1] === 'by-id') found.push(answer[2].id);
  });
  await ask(['REQ', 'by-id', { ids: [note.id, other.id] }], 'EOSE', 'by-id');
  assert.deepEqual(found, [note.id], 'a REQ by ids finds the accepted event only');
  assert.match((await ask('not json', 'NOTICE'))[1], /./, 'what is not a message is answered with a NOTICE');
  socket.close();

  relay.kill('SIGTERM');
  await relayEnded;
  const kept = fs.readFileSync(eventsFile, 'utf8').trim().split('\n').map((line) => JSON.parse(line).id);
  assert.deepEqual(kept, [note.id], 'the events file holds the accepted event once');
  console.log('ok: the relay accepts, deduplicates and refuses as a checker');
} finally {
  relay.kill('SIGKILL');
  fs.rmSync(work, { recursive: true, force: true });
}
