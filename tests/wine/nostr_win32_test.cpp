// libsecp256k1 as the Windows compilers build it (no 128-bit integers on i686, other calling
// conventions): a BIP-340 vector signed and verified, a signed note verified and read back.
#include <gtest/gtest.h>

#include "networks/nostr/nostr_event.h"

namespace quillet {
namespace {

TEST(NostrOnWindows, SignsAsBip340AndVerifies) {
  nostr::SecretKey secret;
  Sha256Digest message{};
  nostr::AuxRandom aux{};
  nostr::Signature expected{};
  ASSERT_TRUE(nostr::FromHex("B7E151628AED2A6ABF7158809CF4F3C762E7160F38B4DA56A784D9045190CFEF", secret.bytes));
  ASSERT_TRUE(nostr::FromHex("243F6A8885A308D313198A2E03707344A4093822299F31D0082EFA98EC4E6C89", message));
  aux[31] = 1;
  ASSERT_TRUE(nostr::FromHex("6896BD60EEAE296DB48A229FF71DFE071BDE413E6D43F917DC8DCF8C78DE3341"
                             "8906D11AC976ABCCB20B091292BFF4EA897EFCB639EA871CFA95F6DE339E4B0A",
                             expected));
  nostr::PublicKey key = nostr::PublicKeyOf(secret, {});
  EXPECT_EQ(nostr::Hex(key), "dff1d77f2a671c5f36183726db2341be58feae1da2deced843240f7b502ba659");
  EXPECT_EQ(nostr::SchnorrSign(message, secret, aux), expected);
  EXPECT_TRUE(nostr::SchnorrVerify(key, message, expected));
  message[0] ^= 1;
  EXPECT_FALSE(nostr::SchnorrVerify(key, message, expected));

  nostr::Event note = nostr::Sign(nostr::Event{.createdAt = 1765000000, .content = "caf\xc3\xa9\n"}, secret, aux);
  EXPECT_TRUE(nostr::Verify(note));
  EXPECT_EQ(nostr::ParseEventJson(nostr::EventJson(note)), note);
}

}  // namespace
}  // namespace quillet
