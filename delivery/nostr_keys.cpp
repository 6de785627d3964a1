#include "delivery/nostr_keys.h"

#include <secp256k1.h>
#include <secp256k1_extrakeys.h>
#include <secp256k1_schnorrsig.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "common/bech32.h"
#include "common/failure.h"

namespace quillet::nostr {
namespace {

// Zeroes memory that held a secret, in a way the compiler may not leave out.
void Wipe(void* memory, std::size_t size) {
  auto* bytes = static_cast<volatile std::uint8_t*>(memory);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

// A libsecp256k1 context for key pairs and signing. Made for each operation: since the library
// stopped building tables at run time that costs an allocation and its self-test, nothing a line
// now and then would notice, and no context outlives the secret it was randomized for.
class Context {
 public:
  Context() : context_(secp256k1_context_create(SECP256K1_CONTEXT_NONE)) {
    if (!context_) throw Failure("secp256k1_context_create failed");
  }
  // Blinds the context's computations with a seed (against timing and power side channels).
  void Randomize(const Sha256Digest& seed) {
    if (!secp256k1_context_randomize(context_.get(), seed.data())) throw Failure("secp256k1_context_randomize failed");
  }
  const secp256k1_context* get() const { return context_.get(); }

 private:
  struct Destroy {
    void operator()(secp256k1_context* context) const { secp256k1_context_destroy(context); }
  };
  std::unique_ptr<secp256k1_context, Destroy> context_;
};

// The key pair of `secret`, wiped when it goes.
class KeyPair {
 public:
  KeyPair(const Context& context, const SecretKey& secret) {
    if (!secp256k1_keypair_create(context.get(), &pair_, secret.bytes.data()))
      throw Failure("the Nostr secret key is not usable");
  }
  ~KeyPair() { Wipe(&pair_, sizeof pair_); }
  KeyPair(const KeyPair&) = delete;
  KeyPair& operator=(const KeyPair&) = delete;
  const secp256k1_keypair* get() const { return &pair_; }

 private:
  secp256k1_keypair pair_;
};

std::optional<std::vector<std::uint8_t>> Bech32Bytes(std::string_view text, std::string_view hrp) {
  auto decoded = bech32::Decode(text);
  if (!decoded || decoded->hrp != hrp) return std::nullopt;
  auto bytes = bech32::FromGroups(decoded->groups);
  if (!bytes || bytes->size() != 32) return std::nullopt;
  return bytes;
}

}  // namespace

bool IsValidSecret(const SecretKey& secret) {
  return secp256k1_ec_seckey_verify(secp256k1_context_static, secret.bytes.data()) == 1;
}

SecretKey NewSecretKey(const RandomFill& random) {
  SecretKey secret;
  do {
    random(secret.bytes);
  } while (!IsValidSecret(secret));
  return secret;
}

PublicKey PublicKeyOf(const SecretKey& secret) {
  Context context;
  KeyPair pair(context, secret);
  secp256k1_xonly_pubkey xonly;
  PublicKey key{};
  if (!secp256k1_keypair_xonly_pub(context.get(), &xonly, nullptr, pair.get()) ||
      !secp256k1_xonly_pubkey_serialize(context.get(), key.data(), &xonly))
    throw Failure("the public key could not be made");
  return key;
}

std::string Nsec(const SecretKey& secret) {
  std::vector<std::uint8_t> groups = bech32::ToGroups(secret.bytes);
  std::string text = bech32::Encode("nsec", groups);
  Wipe(groups.data(), groups.size());
  return text;
}

std::string Npub(const PublicKey& key) { return bech32::Encode("npub", bech32::ToGroups(key)); }

std::optional<SecretKey> SecretFromNsec(std::string_view nsec) {
  auto bytes = Bech32Bytes(nsec, "nsec");
  if (!bytes) return std::nullopt;
  SecretKey secret;
  std::copy(bytes->begin(), bytes->end(), secret.bytes.begin());
  Wipe(bytes->data(), bytes->size());
  if (!IsValidSecret(secret)) return std::nullopt;
  return secret;
}

std::optional<PublicKey> PublicFromNpub(std::string_view npub) {
  auto bytes = Bech32Bytes(npub, "npub");
  if (!bytes) return std::nullopt;
  PublicKey key{};
  std::copy(bytes->begin(), bytes->end(), key.begin());
  return key;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

bool FromHex(std::string_view text, std::span<std::uint8_t> out) {
  if (text.size() != out.size() * 2) return false;
  auto digit = [](char ch) -> int {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < out.size(); ++i) {
    int high = digit(text[2 * i]), low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return true;
}

Signature SchnorrSign(const Sha256Digest& message, const SecretKey& secret, const AuxRandom& aux) {
  Context context;
  // The blinding seed comes from the signature's own fresh randomness, kept apart from it by a label.
  std::string seedSource = "Quillet context blinding";
  seedSource.append(reinterpret_cast<const char*>(aux.data()), aux.size());
  context.Randomize(Sha256(seedSource));
  KeyPair pair(context, secret);
  Signature signature{};
  if (!secp256k1_schnorrsig_sign32(context.get(), signature.data(), message.data(), pair.get(), aux.data()))
    throw Failure("the event could not be signed");
  return signature;
}

bool SchnorrVerify(const PublicKey& key, const Sha256Digest& message, const Signature& signature) {
  secp256k1_xonly_pubkey xonly;
  if (!secp256k1_xonly_pubkey_parse(secp256k1_context_static, &xonly, key.data())) return false;
  return secp256k1_schnorrsig_verify(secp256k1_context_static, signature.data(), message.data(), message.size(),
                                     &xonly) == 1;
}

}  // namespace quillet::nostr
