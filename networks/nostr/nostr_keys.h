#pragma once
// A Nostr account's keys and signatures: a secp256k1 secret key, its x-only public key, BIP-340
// Schnorr signatures (through libsecp256k1), and the keys' written forms: lowercase hex inside the
// protocol, "nsec1..." and "npub1..." for people (NIP-19, Bech32).
// A secret key never goes into a failure's text or a log line.
#include <array>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/callback.h"
#include "common/sha256.h"

struct secp256k1_context_struct;

namespace quillet::nostr {

struct SecretKey {
  std::array<std::uint8_t, 32> bytes{};
  ~SecretKey();  // every copy is wiped when it goes
};
using PublicKey = std::array<std::uint8_t, 32>;  // the x coordinate of the point
using Signature = std::array<std::uint8_t, 64>;
using AuxRandom = std::array<std::uint8_t, 32>;  // fresh randomness for each signature (BIP-340)

// Fills its bytes from the platform's cryptographically secure generator.
using RandomFill = Callback<void(std::span<std::uint8_t>)>;

// Whether the bytes are a usable secret key: not zero, below the curve's order.
bool IsValidSecret(const SecretKey& secret);
// A new secret key from `random`, drawn again in the (negligible) case that it is not usable.
SecretKey NewSecretKey(const RandomFill& random);
// A libsecp256k1 context for computations with a secret key, blinded with `seed` before any use
// (against timing and power side channels: every such context is), wiped when it goes.
class SecretContext {
 public:
  explicit SecretContext(const Sha256Digest& seed);
  ~SecretContext();
  SecretContext(const SecretContext&) = delete;
  SecretContext& operator=(const SecretContext&) = delete;
  const secp256k1_context_struct* get() const { return context_; }
  // The context's memory: contexts blinded with different seeds differ in it.
  std::span<const std::uint8_t> State() const;

 private:
  std::size_t size_ = 0;
  std::unique_ptr<std::max_align_t[]> memory_;
  secp256k1_context_struct* context_ = nullptr;
};

// The x-only public key of `secret`, computed on a context blinded with `blinding` (fresh
// randomness); throws a Failure for a key IsValidSecret refuses.
PublicKey PublicKeyOf(const SecretKey& secret, const AuxRandom& blinding);

// NIP-19. Nothing for another prefix, a broken checksum, or other than 32 bytes (a secret also
// when it is not usable).
std::string Nsec(const SecretKey& secret);
std::string Npub(const PublicKey& key);
std::optional<SecretKey> SecretFromNsec(std::string_view nsec);
std::optional<PublicKey> PublicFromNpub(std::string_view npub);

// Lowercase hex.
std::string Hex(std::span<const std::uint8_t> bytes);
// Hex of either case into exactly `out.size()` bytes; false (and `out` unspecified) otherwise.
bool FromHex(std::string_view text, std::span<std::uint8_t> out);

// BIP-340 over a 32-byte message (a Nostr event's id). Signing throws a Failure for an unusable
// secret key; verifying answers false for a public key that is no point's x coordinate.
Signature SchnorrSign(const Sha256Digest& message, const SecretKey& secret, const AuxRandom& aux);
bool SchnorrVerify(const PublicKey& key, const Sha256Digest& message, const Signature& signature);

}  // namespace quillet::nostr
