#pragma once
// What a Nostr account keeps in its settings: its secret key, protected like a token
// ("NostrKey": the nsec text, 64 hex digits or the 32 bytes, only ever stored protected), and its
// relays ("Relays": one address a line). A secret key never goes into a log line or the outbox.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "networks/nostr/nostr_keys.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet::nostr {

// Where an account's lines go while it stores no relays.
inline constexpr std::string_view kDefaultRelays[] = {"wss://relay.damus.io", "wss://nos.lol", "wss://relay.primal.net"};

// The relays of a stored "Relays" value: its lines (CR LF or LF), trimmed, blank ones left out,
// each once; the default relays when none is left.
std::vector<std::string> RelaysOf(std::u16string_view stored);

// The relays as the account dialog shows them and "Relays" stores them: one a line, CR LF between.
std::u16string RelaysText(const std::vector<std::string>& relays);
// Whether these are the default relays, in their order (then "Relays" stays absent).
bool AreDefaultRelays(const std::vector<std::string>& relays);

// A secret key as a person writes it: its nsec text or 64 hex digits, blanks around it aside;
// nothing for anything else, or for a key that cannot be used.
std::optional<SecretKey> SecretFromText(std::string_view text);

// The account's secret key; nothing when none is stored or it cannot be unprotected or read.
std::optional<SecretKey> LoadKey(SettingsStore& settings, platform::ISecrets& secrets);
// Stores the key protected, as its nsec text. Throws Failure when it cannot.
void SaveKey(SettingsStore& settings, platform::ISecrets& secrets, const SecretKey& secret);
// A new secret key from the platform's cryptographic generator.
SecretKey GenerateKey(platform::ISecrets& secrets);
// The public key of `secret`, on a context blinded with randomness from the platform's generator.
PublicKey PublicKeyOf(const SecretKey& secret, platform::ISecrets& secrets);

// Whether a key kept by an earlier outbox file, which did not say its kind, is a signed event
// (the line as it goes to relays) rather than a key of another kind of service.
bool IsSignedNote(std::string_view key);

}  // namespace quillet::nostr
