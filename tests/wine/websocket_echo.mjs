// A WebSocket server on loopback for the Wine tests of the WebSocket connection: it sends every
// text message back as it came, and answers "close please" by closing with 4000 "bye".
//   node websocket_echo.mjs PORT_FILE
// The `ws` module comes from the relay's installation (QUILLET_NOSTR_DIR, else build/nostr).
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const installed = process.env.QUILLET_NOSTR_DIR ?? path.join(here, '../../build/nostr');
const { WebSocketServer } = createRequire(path.join(installed, 'package.json'))('ws');

const server = new WebSocketServer({ host: '127.0.0.1', port: 0, maxPayload: 4 * 1024 * 1024 });
server.on('connection', (client) => {
  client.on('message', (data, binary) => {
    if (!binary && String(data) === 'close please') client.close(4000, 'bye');
    else client.send(data, { binary });
  });
  client.on('error', () => {});
});
server.on('listening', () => {
  fs.writeFileSync(process.argv[2] + '.part', String(server.address().port));
  fs.renameSync(process.argv[2] + '.part', process.argv[2]);
});
