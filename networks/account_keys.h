#pragma once
// What the account dialog asks of a kind whose account is a key pair of its own and which sends to
// relays of the person's choice (Fields().nostrKey, Fields().relays): keys and relays as the
// person reads and types them. A secret key is handed about only as its text, which the caller
// wipes once done with it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet {

class AccountKeys {
 public:
  virtual ~AccountKeys() = default;

  struct Stored {
    std::optional<std::u16string> key;  // as text; nothing when none can be read
    bool unreadable = false;            // one is stored, but it cannot be read here
  };
  virtual Stored StoredKey(SettingsStore& account, platform::ISecrets& secrets) const = 0;
  // A new secret key, as text.
  virtual std::u16string NewKey(platform::ISecrets& secrets) const = 0;
  struct Typed {
    std::optional<std::u16string> key;  // as it is kept
    std::u16string_view problem;        // else why it cannot be used, in English
  };
  // A secret key as typed, blanks around it aside.
  virtual Typed ReadKey(std::u16string_view typed) const = 0;
  // The public key of a usable secret key (as ReadKey gives it), as it is shared.
  virtual std::u16string PublicKey(std::u16string_view key, platform::ISecrets& secrets) const = 0;
  // Stores a usable secret key protected. Throws Failure when it cannot.
  virtual void SaveKey(SettingsStore& account, platform::ISecrets& secrets, std::u16string_view key) const = 0;

  // The relays of a stored or typed list (one address a line); the default ones when it holds none.
  virtual std::vector<std::string> Relays(std::u16string_view text) const = 0;
  // The relays as the dialog shows them, one a line.
  virtual std::u16string RelaysText(const std::vector<std::string>& relays) const = 0;
  // The relays as they are stored: empty (the value absent) for the default ones.
  virtual std::u16string StoredRelays(const std::vector<std::string>& relays) const = 0;
};

}  // namespace quillet
