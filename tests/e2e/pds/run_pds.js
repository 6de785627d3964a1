// The reference atproto PDS with an in-memory PLC directory, both in this process and listening
// on 127.0.0.1 only, for the Bluesky end-to-end test. It makes an account and an app password,
// writes them as JSON to --out, and logs the moment (ms since 1970) each request arrives to --log.
//   node run_pds.js --port PORT --data DIR --out FILE --log FILE
'use strict';
const fs = require('fs');
const net = require('net');
const path = require('path');

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
const port = Number(args.port);

// Every listener of this process on loopback: the PDS and PLC servers listen on a port alone.
const listen = net.Server.prototype.listen;
net.Server.prototype.listen = function (...rest) {
  if (typeof rest[0] === 'number' || typeof rest[0] === 'string') {
    const callback = rest.find((a) => typeof a === 'function');
    return listen.call(this, Number(rest[0]), '127.0.0.1', callback);
  }
  if (rest[0] && typeof rest[0] === 'object') rest[0] = { ...rest[0], host: '127.0.0.1' };
  return listen.apply(this, rest);
};

const requestLog = fs.openSync(args.log, 'a');
function logRequest(req) {
  fs.writeSync(requestLog, `${Date.now()} ${req.method} ${req.url} HTTP/${req.httpVersion}\n`);
}

async function main() {
  const plc = require('@did-plc/server');
  const plcServer = plc.PlcServer.create({ db: plc.Database.mock(), port: 0 });
  const plcHttp = await plcServer.start();
  const plcUrl = `http://127.0.0.1:${plcHttp.address().port}`;

  const { PDS, envToCfg, envToSecrets, readEnv } = require('@atproto/pds');
  const { Secp256k1Keypair } = require('@atproto/crypto');
  const rotation = await Secp256k1Keypair.create({ exportable: true });
  const rotationHex = Buffer.from(await rotation.export()).toString('hex');
  fs.mkdirSync(args.data, { recursive: true });
  const env = {
    ...readEnv(),
    port,
    hostname: 'localhost',
    devMode: true,
    inviteRequired: false,
    dataDirectory: args.data,
    blobstoreDiskLocation: path.join(args.data, 'blobs'),
    didPlcUrl: plcUrl,
    serviceHandleDomains: ['.test'],
    jwtSecret: 'quillet-e2e-jwt-secret',
    adminPassword: 'quillet-e2e-admin',
    plcRotationKeyK256PrivateKeyHex: rotationHex,
    bskyAppViewUrl: undefined,
    crawlers: [],
  };
  const pds = await PDS.create(envToCfg(env), envToSecrets(env));
  await pds.start();
  pds.server.prependListener('request', logRequest);

  const base = `http://127.0.0.1:${port}/xrpc/`;
  async function call(nsid, body, token) {
    const headers = { 'content-type': 'application/json' };
    if (token) headers.authorization = `Bearer ${token}`;
    const reply = await fetch(base + nsid, { method: 'POST', headers, body: JSON.stringify(body) });
    const json = await reply.json();
    if (!reply.ok) throw new Error(`${nsid}: ${reply.status} ${JSON.stringify(json)}`);
    return json;
  }
  const account = await call('com.atproto.server.createAccount', {
    handle: 'alice.test',
    email: 'alice@quillet.test',
    password: 'main-password-of-alice',
  });
  const app = await call('com.atproto.server.createAppPassword', { name: 'Quillet' }, account.accessJwt);
  const out = { port, plc: plcUrl, did: account.did, handle: account.handle, appPassword: app.password };
  fs.writeFileSync(args.out + '.tmp', JSON.stringify(out));
  fs.renameSync(args.out + '.tmp', args.out);
  console.log(`pds ready on 127.0.0.1:${port} for ${account.handle} (${account.did})`);
  const stop = async () => {
    await pds.destroy().catch(() => {});
    await plcServer.destroy().catch(() => {});
    process.exit(0);
  };
  process.on('SIGTERM', stop);
  process.on('SIGINT', stop);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
