#include "networks/nostr/nostr_keys.h"

#include <secp256k1.h>
#include <secp256k1_extrakeys.h>
#include <secp256k1_preallocated.h>
#include <secp256k1_schnorrsig.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "common/bech32.h"
#include "common/failure.h"
#include "common/wipe.h"

namespace quillet::nostr {
namespace {

// The seed that blinds a context, from fresh randomness kept apart from its other uses by a label.
Sha256Digest BlindingSeed(const AuxRandom& random) {
  std::string seedSource = "Quillet context blinding";
  seedSource.append(reinterpret_cast<const char*>(random.data()), random.size());
  Sha256Digest seed = Sha256(seedSource);
  Wipe(seedSource);
  return seed;
}

// The key pair of `secret`, wiped when it goes.
class KeyPair {
 public:
  KeyPair(const SecretContext& context, const SecretKey& secret) {
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

SecretKey::~SecretKey() { Wipe(bytes.data(), bytes.size()); }

SecretContext::SecretContext(const Sha256Digest& seed)
    : size_(secp256k1_context_preallocated_size(SECP256K1_CONTEXT_NONE)),
      memory_(new std::max_align_t[(size_ + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)]{}) {
  context_ = secp256k1_context_preallocated_create(memory_.get(), SECP256K1_CONTEXT_NONE);
  if (!context_) throw Failure("secp256k1_context_preallocated_create failed");
  if (!secp256k1_context_randomize(context_, seed.data())) {
    secp256k1_context_preallocated_destroy(context_);
    Wipe(memory_.get(), size_);
    throw Failure("secp256k1_context_randomize failed");
  }
}

SecretContext::~SecretContext() {
  secp256k1_context_preallocated_destroy(context_);
  Wipe(memory_.get(), size_);
}

std::span<const std::uint8_t> SecretContext::State() const {
  return {reinterpret_cast<const std::uint8_t*>(memory_.get()), size_};
}

PublicKey PublicKeyOf(const SecretKey& secret, const AuxRandom& blinding) {
  SecretContext context(BlindingSeed(blinding));
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
  SecretContext context(BlindingSeed(aux));  // from the signature's own fresh randomness
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
