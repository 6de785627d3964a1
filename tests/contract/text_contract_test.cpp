// The code page and what rests on it, on the platform's own conversion: Windows-1252 on the
// fake, the system's ANSI code page under Wine.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/callback.h"
#include "common/codepage.h"
#include "delivery/base64.h"
#include "settings/password_scrambling.h"
#include "tests/contract/scrambling_draws.h"

namespace quillet {
namespace {

using password_scrambling::Scramble;
using password_scrambling::Unscramble;

using ::quillet::testing::Always;
using ::quillet::testing::Code;

TEST(CodePage, EveryByteRoundTrips) {
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(CharToByte(ByteToChar(static_cast<std::uint8_t>(byte))), byte);
  }
  EXPECT_EQ(ByteToChar(0x80), u'€');
  EXPECT_EQ(CharToByte(u'\u4E2D'), '?');
  EXPECT_EQ(FromAnsi(ToAnsi(u"Zoë")), u"Zoë");
  EXPECT_EQ(base64::Encode(u"é€"), u"6YA=");
}

TEST(PasswordScrambling, EveryCodeRoundTripsAndEveryStoredCharacterFitsOneByte) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  auto randomDraw = [&] { return uniform(random); };
  for (int code = 1; code <= 255; ++code) {
    std::u16string password(1, ByteToChar(static_cast<std::uint8_t>(code)));
    for (const Callback<double()>& draw :
         {Callback<double()>(Always(0.0)), Callback<double()>(Always(0.999999999)),
          Callback<double()>(Always(0.5)), Callback<double()>(randomDraw)}) {
      for (int round = 0; round < 20; ++round) {
        std::u16string stored = Scramble(password, draw);
        ASSERT_EQ(stored.size(), 4u) << "code " << code;
        for (char16_t ch : stored) {
          EXPECT_EQ(ByteToChar(CharToByte(ch)), ch) << "code " << code << ": a stored character is one byte";
          EXPECT_GE(Code(ch), 49);
        }
        EXPECT_GE(Code(stored[3]), 50);
        EXPECT_LE(Code(stored[3]), 99);
        ASSERT_EQ(Unscramble(stored), password) << "code " << code;
      }
    }
  }
}

}  // namespace
}  // namespace quillet
