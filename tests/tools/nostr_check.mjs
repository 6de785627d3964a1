// Checks the events and keys nostr_sample writes with nostr-tools, an implementation of its own:
// each event's JSON is what JSON.stringify writes for it, its id is the hash nostr-tools computes,
// its signature verifies; each nsec and npub decodes to the keys, and the public key is the
// secret's.
//   node nostr_check.mjs <folder with node_modules/nostr-tools> <sample file>
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { resolve } from 'node:path';

const [folder, samplePath] = process.argv.slice(2);
const { verifyEvent, getEventHash, getPublicKey, nip19 } = createRequire(resolve(folder, 'check.js'))('nostr-tools');
const hex = (bytes) => Buffer.from(bytes).toString('hex');

let passed = 0;
let failed = 0;
const check = (ok, what) => {
  if (ok) passed++;
  else {
    failed++;
    console.log(`FAIL: ${what}`);
  }
};

for (const line of readFileSync(samplePath, 'utf8').split('\n')) {
  if (line.startsWith('event ')) {
    const json = line.slice(6);
    const event = JSON.parse(json);
    check(JSON.stringify(event) === json, `written otherwise than JSON.stringify writes it: ${json}`);
    check(getEventHash(event) === event.id, `id ${event.id} is not the event's hash ${getEventHash(event)}`);
    check(verifyEvent({ ...event }), `signature does not verify: ${json}`);
  } else if (line.startsWith('keys ')) {
    const [secret, publicKey, nsec, npub] = line.slice(5).split(' ');
    const decodedSecret = nip19.decode(nsec);
    check(decodedSecret.type === 'nsec' && hex(decodedSecret.data) === secret, `${nsec} is not ${secret}`);
    const decodedPublic = nip19.decode(npub);
    check(decodedPublic.type === 'npub' && decodedPublic.data === publicKey, `${npub} is not ${publicKey}`);
    check(getPublicKey(Buffer.from(secret, 'hex')) === publicKey, `${publicKey} is not the secret's public key`);
    check(nip19.npubEncode(publicKey) === npub && nip19.nsecEncode(Buffer.from(secret, 'hex')) === nsec,
      `nostr-tools writes ${publicKey}'s keys otherwise`);
  }
}
console.log(`nostr-tools: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 && passed > 0 ? 0 : 1);
