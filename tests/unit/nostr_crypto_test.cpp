// The cryptography of Nostr accounts against published vectors: SHA-256 (FIPS 180-4, NIST's
// CAVP), Bech32 (BIP-173), NIP-19's keys, BIP-340's signatures through libsecp256k1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "common/bech32.h"
#include "common/failure.h"
#include "common/sha256.h"
#include "networks/nostr/nostr_keys.h"

namespace quillet::testing {
namespace {

using nostr::FromHex;
using nostr::Hex;

template <std::size_t N>
std::array<std::uint8_t, N> Bytes(std::string_view hex) {
  std::array<std::uint8_t, N> bytes{};
  EXPECT_TRUE(FromHex(hex, bytes)) << hex;
  return bytes;
}

std::string Unhex(std::string_view hex) {
  std::vector<std::uint8_t> bytes(hex.size() / 2);
  EXPECT_TRUE(FromHex(hex, bytes));
  return std::string(bytes.begin(), bytes.end());
}

TEST(Sha256, NistVectorsAndBlockEdges) {
  struct Case {
    std::string message, digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      // CAVP's SHA256ShortMsg: Len = 8, 16, 32.
      {Unhex("d3"), "28969cdfa74a12c82f3bad960b0b000aca2ac329deea5c2328ebc6f2ba9802c1"},
      {Unhex("11af"), "5ca7133fa735326081558ac312c620eeca9970d1e70a4b95533d956f072d1f98"},
      {Unhex("74ba2521"), "b16aa56be3880d18cd41e68384cf1ec8c17680c45a02b1575dc1518923ae8b0e"},
      // Lengths about a block's end: the padding in the same block, or in one more.
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(120, 'a'), "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(Sha256(c.message)), c.digest) << c.message.size();
}

TEST(Bech32, Bip173ChecksumVectors) {
  const char* valid[] = {
      "A12UEL5L",
      "a12uel5l",
      "an83characterlonghumanreadablepartthatcontainsthenumber1andtheexcludedcharactersbio1tt5tgs",
      "abcdef1qpzry9x8gf2tvdw0s3jn54khce6mua7lmqqqxw",
      "11qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqc8247j",
      "split1checkupstagehandshakeupstreamerranterredcaperred2y9e3w",
      "?1ezyfcl",
  };
  for (std::string_view text : valid) {
    auto decoded = bech32::Decode(text);
    ASSERT_TRUE(decoded) << text;
    std::string lower(text);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(bech32::Encode(decoded->hrp, decoded->groups), lower);
  }
  const std::string invalid[] = {
      "\x20" "1nwldj5",  // a character of the human-readable part out of range
      "\x7f" "1axkwrx",
      "\x80" "1eym55h",
      "an84characterslonghumanreadablepartthatcontainsthenumber1andtheexcludedcharactersbio1569pvx",  // too long
      "pzry9x0s0muk",   // no separator
      "1pzry9x0s0muk",  // empty human-readable part
      "x1b4n0q5v",      // a character outside the alphabet
      "li1dgmt3",       // checksum too short
      "de1lg7wt\xff",   // a character in the checksum out of range
      "A1G7SGD8",       // checksum made with the upper-case human-readable part
      "10a06t8",
      "1qzzfhee",
      "tb1qrp33g0q5c5txsp9arysrx4k6zdkfs4nce4xj0gdcccefvpysxf3q0sL5k7",  // mixed case
  };
  for (const std::string& text : invalid) EXPECT_FALSE(bech32::Decode(text)) << text;
}

TEST(Bech32, GroupsAndBytesBothWays) {
  const std::vector<std::uint8_t> bytes = {0xff, 0x00, 0x81};
  std::vector<std::uint8_t> groups = bech32::ToGroups(bytes);
  EXPECT_EQ(groups, (std::vector<std::uint8_t>{31, 28, 0, 8, 2}));  // the last one padded with zeros
  EXPECT_EQ(bech32::FromGroups(groups), bytes);
  groups.back() = 3;  // a padding bit set
  EXPECT_FALSE(bech32::FromGroups(groups));
  EXPECT_FALSE(bech32::FromGroups(std::vector<std::uint8_t>{0, 0, 0}));  // 15 bits: more than 4 left over
  EXPECT_FALSE(bech32::FromGroups(std::vector<std::uint8_t>{0}));  // a whole group left over
  EXPECT_FALSE(bech32::FromGroups(std::vector<std::uint8_t>(9, 0)));
}

TEST(NostrKeys, HexIsReadWhenItIsExactlyTheBytes) {
  std::array<std::uint8_t, 2> out{};
  EXPECT_TRUE(FromHex("aB09", out));
  EXPECT_EQ(out, (std::array<std::uint8_t, 2>{0xab, 0x09}));
  for (std::string_view wrong : {"ab09f", "ab09ff", "ab0", "ab0g", ""}) EXPECT_FALSE(FromHex(wrong, out)) << wrong;
}

TEST(NostrKeys, SecretsAreWipedAndEveryContextIsBlinded) {
  alignas(nostr::SecretKey) std::uint8_t memory[sizeof(nostr::SecretKey)];
  auto* secret = new (memory) nostr::SecretKey{};
  secret->bytes.fill(0x5a);
  secret->~SecretKey();
  EXPECT_TRUE(std::all_of(std::begin(memory), std::end(memory), [](std::uint8_t b) { return b == 0; }));
  // Contexts blinded with different seeds differ; unblinded, they would be the same.
  nostr::SecretContext one(Sha256("one")), other(Sha256("other")), again(Sha256("one"));
  auto state = [](const nostr::SecretContext& c) { return std::vector<std::uint8_t>(c.State().begin(), c.State().end()); };
  EXPECT_NE(state(one), state(other));
  EXPECT_EQ(state(one), state(again));
}

TEST(NostrKeys, Nip19Examples) {
  struct Case {
    std::string npub, hex;
  } keys[] = {
      {"npub180cvv07tjdrrgpa0j7j7tmnyl2yr6yr7l8j4s3evf6u64th6gkwsyjh6w6",
       "3bf0c63fcb93463407af97a5e5ee64fa883d107ef9e558472c4eb9aaaefa459d"},
      {"npub10elfcs4fr0l0r8af98jlmgdh9c8tcxjvz9qkw038js35mp4dma8qzvjptg",
       "7e7e9c42a91bfef19fa929e5fda1b72e0ebc1a4c1141673e2794234d86addf4e"},
  };
  for (const Case& c : keys) {
    EXPECT_EQ(nostr::Npub(Bytes<32>(c.hex)), c.npub);
    auto key = nostr::PublicFromNpub(c.npub);
    ASSERT_TRUE(key);
    EXPECT_EQ(Hex(*key), c.hex);
  }
  const std::string nsec = "nsec1vl029mgpspedva04g90vltkh6fvh240zqtv9k0t9af8935ke9laqsnlfe5";
  const nostr::SecretKey secret{Bytes<32>("67dea2ed018072d675f5415ecfaed7d2597555e202d85b3d65ea4e58d2d92ffa")};
  EXPECT_EQ(nostr::Nsec(secret), nsec);
  auto read = nostr::SecretFromNsec(nsec);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->bytes, secret.bytes);

  // A key of the other kind, a broken checksum, the wrong length, an unusable secret: none.
  EXPECT_FALSE(nostr::SecretFromNsec(keys[0].npub));
  EXPECT_FALSE(nostr::PublicFromNpub(nsec));
  std::string broken = nsec;
  broken[10] = broken[10] == 'q' ? 'p' : 'q';
  EXPECT_FALSE(nostr::SecretFromNsec(broken));
  EXPECT_FALSE(nostr::PublicFromNpub(bech32::Encode("npub", bech32::ToGroups(std::vector<std::uint8_t>(31, 1)))));
  EXPECT_FALSE(nostr::SecretFromNsec(nostr::Nsec(nostr::SecretKey{})));
}

TEST(NostrKeys, NewSecretDrawsAgainUntilUsable) {
  int draws = 0;
  nostr::SecretKey secret = nostr::NewSecretKey([&](std::span<std::uint8_t> bytes) {
    // The first two draws: zero and the curve's order, neither a usable key.
    static const char* kDraws[] = {"0000000000000000000000000000000000000000000000000000000000000000",
                                   "fffffffffffffffffffffffffffffffebaaedce6af48a03bbfd25e8cd0364141",
                                   "0000000000000000000000000000000000000000000000000000000000000003"};
    ASSERT_TRUE(FromHex(kDraws[std::min(draws++, 2)], bytes));
  });
  EXPECT_EQ(draws, 3);
  EXPECT_EQ(Hex(nostr::PublicKeyOf(secret, {})), "f9308a019258c31049344f85f89d5229b531c845836f99b08601f113bce036f9");
  EXPECT_THROW(nostr::PublicKeyOf(nostr::SecretKey{}, {}), Failure);
}

// Rows of BIP-340's test-vectors.csv: those with a secret key are signed and must give the
// published signature; every row is verified, the failures among them.
TEST(NostrKeys, Bip340Vectors) {
  struct Case {
    const char *secret, *publicKey, *aux, *message, *signature;
    bool valid;
  } cases[] = {
      // 0
      {"0000000000000000000000000000000000000000000000000000000000000003", "F9308A019258C31049344F85F89D5229B531C845836F99B08601F113BCE036F9", "0000000000000000000000000000000000000000000000000000000000000000",
       "0000000000000000000000000000000000000000000000000000000000000000",
       "E907831F80848D1069A5371B402410364BDF1C5F8307B0084C55F1CE2DCA821525F66A4A85EA8B71E482A74F382D2CE5EBEEE8FDB2172F477DF4900D310536C0",
       true},
      // 1
      {"B7E151628AED2A6ABF7158809CF4F3C762E7160F38B4DA56A784D9045190CFEF", "DFF1D77F2A671C5F36183726DB2341BE58FEAE1DA2DECED843240F7B502BA659", "0000000000000000000000000000000000000000000000000000000000000001",
       "243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C89",
       "6896BD60EEAE296DB48A229FF71DFE071BDE413E6D43F917DC8DCF8C78DE33418906D11AC976ABCCB20B091292BFF4EA897EFCB639EA871CFA95F6DE339E4B0A",
       true},
      // 3: test fails if msg is reduced modulo p or n
      {"0B432B2677937381AEF05BB02A66ECD012773062CF3FA2549E44F58ED2401710", "25D1DFF95105F5253C4022F628A996AD3A0D95FBF21D468A1B33F8C160D8F517", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
       "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
       "7EB0509757E246F19449885651611CB965ECC1A187DD51B64FDA1EDC9637D5EC97582B9CB13DB3933705B32BA982AF5AF25FD78881EBB32771FC5922EFC66EA3",
       true},
      // 4
      {nullptr, "D69C3509BB99E412E68B0FE8544E72837DFA30746D8BE2AA65975F29D22DC7B9", nullptr,
       "4DF3C3F68FCC83B27E9D42C90431A72499F17875C81A599B566C9889B9696703",
       "00000000000000000000003B78CE563F89A0ED9414F5AA28AD0D96D6795F9C6376AFB1548AF603B3EB45C9F8207DEE1060CB71C04E80F593060B07D28308D7F4",
       true},
      // 5: public key not on the curve
      {nullptr, "EEFDEA4CDB677750A420FEE807EACF21EB9898AE79B9768766E4FAA04A2D4A34", nullptr,
       "243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C89",
       "6CFF5C3BA86C69EA4B7376F31A9BCB4F74C1976089B2D9963DA2E5543E17776969E89B4C5564D00349106B8497785DD7D1D713A8AE82B32FA79D5F7FC407D39B",
       false},
      // 7: negated message
      {nullptr, "DFF1D77F2A671C5F36183726DB2341BE58FEAE1DA2DECED843240F7B502BA659", nullptr,
       "243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C89",
       "1FA62E331EDBC21C394792D2AB1100A7B432B013DF3F6FF4F99FCB33E0E1515F28890B3EDB6E7189B630448B515CE4F8622A954CFE545735AAEA5134FCCDB2BD",
       false},
      // 12: sig[0:32] is equal to field size
      {nullptr, "DFF1D77F2A671C5F36183726DB2341BE58FEAE1DA2DECED843240F7B502BA659", nullptr,
       "243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C89",
       "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEFFFFFC2F69E89B4C5564D00349106B8497785DD7D1D713A8AE82B32FA79D5F7FC407D39B",
       false},
      // 13: sig[32:64] is equal to curve order
      {nullptr, "DFF1D77F2A671C5F36183726DB2341BE58FEAE1DA2DECED843240F7B502BA659", nullptr,
       "243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C89",
       "6CFF5C3BA86C69EA4B7376F31A9BCB4F74C1976089B2D9963DA2E5543E177769FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEBAAEDCE6AF48A03BBFD25E8CD0364141",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature);
    auto publicKey = Bytes<32>(c.publicKey);
    auto message = Bytes<32>(c.message);
    auto signature = Bytes<64>(c.signature);
    if (c.secret) {
      nostr::SecretKey secret{Bytes<32>(c.secret)};
      EXPECT_EQ(nostr::PublicKeyOf(secret, {}), publicKey);
      EXPECT_EQ(nostr::SchnorrSign(message, secret, Bytes<32>(c.aux)), signature);
    }
    EXPECT_EQ(nostr::SchnorrVerify(publicKey, message, signature), c.valid);
  }
}

}  // namespace
}  // namespace quillet::testing
