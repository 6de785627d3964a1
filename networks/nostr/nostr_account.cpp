#include "networks/nostr/nostr_account.h"

#include <algorithm>
#include <cstring>

#include "common/steps.h"
#include "common/utf8.h"
#include "networks/nostr/nostr_event.h"
#include "settings/setting_names.h"

namespace quillet::nostr {
namespace {

// The text without the blanks and line ends around it.
std::string_view Unpadded(std::string_view text) {
  auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::vector<std::string> RelaysOf(std::u16string_view stored) {
  std::vector<std::string> relays;
  std::string text = utf8::FromUtf16(stored);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line = Unpadded(std::string_view(text.data() + start, end - start));
    if (!line.empty() && std::find(relays.begin(), relays.end(), line) == relays.end()) relays.emplace_back(line);
    start = end + 1;
  }
  if (relays.empty()) relays.assign(std::begin(kDefaultRelays), std::end(kDefaultRelays));
  return relays;
}

std::u16string RelaysText(const std::vector<std::string>& relays) {
  std::string text;
  for (const std::string& relay : relays) text += (text.empty() ? "" : "\r\n") + relay;
  return utf8::ToUtf16(text);
}

bool AreDefaultRelays(const std::vector<std::string>& relays) {
  return std::equal(relays.begin(), relays.end(), std::begin(kDefaultRelays), std::end(kDefaultRelays));
}

std::optional<SecretKey> SecretFromText(std::string_view text) {
  text = Unpadded(text);
  std::optional<SecretKey> secret;
  SecretKey key;
  if (text.size() == 2 * key.bytes.size() && FromHex(text, key.bytes)) {
    secret = key;
  } else {
    secret = SecretFromNsec(text);
  }
  std::fill(key.bytes.begin(), key.bytes.end(), 0);
  if (secret && !IsValidSecret(*secret)) secret.reset();
  return secret;
}

std::optional<SecretKey> LoadKey(SettingsStore& settings, platform::ISecrets& secrets) {
  std::optional<SecretKey> secret;
  Step([&] {
    auto stored = settings.ReadBytes(kNostrKey);
    if (!stored || stored->empty()) return;
    std::string clear = secrets.Unprotect(*stored);
    SecretKey key;
    if (clear.size() == key.bytes.size()) {
      std::memcpy(key.bytes.data(), clear.data(), key.bytes.size());
      if (IsValidSecret(key)) secret = key;
    } else {
      secret = SecretFromText(clear);
    }
    std::fill(clear.begin(), clear.end(), '\0');
  });
  return secret;
}

void SaveKey(SettingsStore& settings, platform::ISecrets& secrets, const SecretKey& secret) {
  std::string nsec = Nsec(secret);
  settings.SaveBytes(kNostrKey, secrets.Protect(nsec));
  std::fill(nsec.begin(), nsec.end(), '\0');
}

SecretKey GenerateKey(platform::ISecrets& secrets) {
  return NewSecretKey([&secrets](std::span<std::uint8_t> out) {
    std::string bytes = secrets.RandomBytes(out.size());
    std::memcpy(out.data(), bytes.data(), std::min(bytes.size(), out.size()));
    std::fill(bytes.begin(), bytes.end(), '\0');
  });
}

PublicKey PublicKeyOf(const SecretKey& secret, platform::ISecrets& secrets) {
  AuxRandom blinding{};
  std::string drawn = secrets.RandomBytes(blinding.size());
  std::memcpy(blinding.data(), drawn.data(), std::min(drawn.size(), blinding.size()));
  return PublicKeyOf(secret, blinding);
}

bool IsSignedNote(std::string_view key) { return key.starts_with('{') && ParseEventJson(key).has_value(); }

}  // namespace quillet::nostr
