// A Nostr relay on loopback for the end-to-end tests: @nostr-relay/core behind a `ws` server,
// every message checked by @nostr-relay/validator, every event's id and signature by the core.
// Events are kept in memory and appended, as each is accepted, to a JSON-lines file (one event a
// line), which a test reads after the relay has stopped; a relay started on a file that exists
// has its events. No caches: a REQ answers from the events
// as they are at that moment, and an event sent twice is answered "duplicate:" the second time.
//   node run_relay.mjs --port PORT [--port-file FILE] --events FILE [--mute-file FILE]
// While the mute file exists, the relay still takes events but answers nothing.
// --port 0 takes a free port, written to --port-file once the relay listens. The modules come from
// the folder tools/setup-servers.sh installs them into (QUILLET_NOSTR_DIR, else build/nostr).
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const installed = process.env.QUILLET_NOSTR_DIR ?? path.join(here, '../../../build/nostr');
const require = createRequire(path.join(installed, 'package.json'));
const { NostrRelay } = require('@nostr-relay/core');
const { EventRepository } = require('@nostr-relay/common');
const { Validator } = require('@nostr-relay/validator');
const { WebSocketServer } = require('ws');
const { matchFilter } = require('nostr-tools/filter');

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
if (args.port === undefined || !args.events) {
  console.error('usage: node run_relay.mjs --port PORT [--port-file FILE] --events FILE');
  process.exit(2);
}

// Regular events only, as the tests send: a replaceable kind is kept like any other.
class MemoryRepository extends EventRepository {
  constructor(file) {
    super();
    this.events = new Map();
    // A relay started again on the same file has the events it took before.
    if (fs.existsSync(file))
      for (const line of fs.readFileSync(file, 'utf8').split('\n'))
        if (line.trim()) {
          const event = JSON.parse(line);
          this.events.set(event.id, event);
        }
    this.file = fs.openSync(file, 'a');
  }
  isSearchSupported() {
    return false;
  }
  upsert(event) {
    if (this.events.has(event.id)) return { isDuplicate: true };
    this.events.set(event.id, event);
    fs.writeSync(this.file, JSON.stringify(event) + '\n');
    return { isDuplicate: false };
  }
  find(filter) {
    const found = [...this.events.values()]
      .filter((event) => matchFilter(filter, event))
      .sort((a, b) => b.created_at - a.created_at);
    return filter.limit === undefined ? found : found.slice(0, filter.limit);
  }
  async destroy() {
    fs.closeSync(this.file);
  }
}

const relay = new NostrRelay(new MemoryRepository(args.events), {
  filterResultCacheTtl: 0,
  eventHandlingResultCacheTtl: 0,
});
const validator = new Validator();
const server = new WebSocketServer({ host: '127.0.0.1', port: Number(args.port) });

server.on('connection', (client) => {
  // While the mute file exists the relay takes what it is sent and answers nothing.
  const send = client.send.bind(client);
  client.send = (...message) => {
    if (!(args['mute-file'] && fs.existsSync(args['mute-file']))) send(...message);
  };
  relay.handleConnection(client);
  client.on('message', async (data) => {
    try {
      await relay.handleMessage(client, await validator.validateIncomingMessage(data));
    } catch (error) {
      client.send(JSON.stringify(['NOTICE', error instanceof Error ? error.message : String(error)]));
    }
  });
  client.on('close', () => relay.handleDisconnect(client));
  client.on('error', () => {}); // a client that breaks off is no fault of the relay's
});
server.on('listening', () => {
  const { port } = server.address();
  if (args['port-file']) fs.writeFileSync(args['port-file'] + '.part', String(port));
  if (args['port-file']) fs.renameSync(args['port-file'] + '.part', args['port-file']);
  console.log(`relay listening on ws://127.0.0.1:${port}`);
});

const stop = async () => {
  server.close();
  for (const client of server.clients) client.terminate();
  await relay.destroy();
  process.exit(0);
};
process.on('SIGTERM', stop);
process.on('SIGINT', stop);
