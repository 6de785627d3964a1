// Writes Nostr events and keys as this program makes them, one a line, for an independent check
// (nostr_check.mjs, with nostr-tools):
//   event <the event's JSON as a relay gets it>
//   keys <secret hex> <public hex> <nsec> <npub>
// The keys and the randomness are drawn from a fixed seed, so that a failure can be repeated.
#include <algorithm>
#include <cstdio>
#include <string>

#include "networks/nostr/nostr_event.h"

using namespace quillet;

int main() {
  unsigned counter = 0;
  auto random = [&counter](std::span<std::uint8_t> bytes) {
    Sha256Digest digest = Sha256("nostr sample " + std::to_string(counter++));
    std::copy_n(digest.begin(), bytes.size(), bytes.begin());
  };
  const std::string contents[] = {
      "plain",
      "say \"hi\" \\ bye / done",
      "a\nb\tc\rd\be\ff",
      std::string("\x01\x02\x1f\x7f", 4) + '\0' + "end",
      "caf\xc3\xa9 \xf0\x9f\xa6\xa9 \xe2\x80\xa8 \xe2\x80\xa9 \xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 \xe6\x97\xa5\xe6\x9c\xac",
      "",
  };
  for (int key = 0; key < 3; ++key) {
    nostr::SecretKey secret = nostr::NewSecretKey(random);
    nostr::PublicKey publicKey = nostr::PublicKeyOf(secret, {});
    std::printf("keys %s %s %s %s\n", nostr::Hex(secret.bytes).c_str(), nostr::Hex(publicKey).c_str(),
                nostr::Nsec(secret).c_str(), nostr::Npub(publicKey).c_str());
    for (const std::string& content : contents) {
      nostr::AuxRandom aux{};
      random(aux);
      nostr::Event note{.createdAt = 1765000000 + key, .content = content};
      if (key == 1) note.tags = {{"t", "quillet"}, {"client", "Quillet \"1.0\"\n"}};
      std::printf("event %s\n", nostr::EventJson(nostr::Sign(note, secret, aux)).c_str());
    }
  }
  return 0;
}
