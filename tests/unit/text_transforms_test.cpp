// Base64, the password scrambling, the code page and the 16-bit number conversion.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/failure.h"
#include "delivery/base64.h"
#include "settings/password_scrambling.h"
#include "tests/contract/scrambling_draws.h"

namespace quillet {
namespace {

using base64::Encode;
using password_scrambling::Scramble;
using password_scrambling::Unscramble;

TEST(Base64, EncodesTheRfcVectorsWithPadding) {
  EXPECT_EQ(Encode(u""), u"");
  EXPECT_EQ(Encode(u"f"), u"Zg==");
  EXPECT_EQ(Encode(u"fo"), u"Zm8=");
  EXPECT_EQ(Encode(u"foo"), u"Zm9v");
  EXPECT_EQ(Encode(u"foob"), u"Zm9vYg==");
  EXPECT_EQ(Encode(u"fooba"), u"Zm9vYmE=");
  EXPECT_EQ(Encode(u"foobar"), u"Zm9vYmFy");
  EXPECT_EQ(Encode(u"Aladdin:open sesame"), u"QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(Base64, UsesOneCodePageBytePerCharacterAndNoLineBreaks) {
  EXPECT_EQ(Encode(u"é"), u"6Q==");       // 0xE9
  EXPECT_EQ(Encode(u"€"), u"gA==");       // 0x80 in the code page
  EXPECT_EQ(Encode(u"\u4E2D"), u"Pw==");  // not in the code page: '?'
  EXPECT_EQ(Encode(u"\xFF\xFF\xFF"), u"////");
  std::u16string sixty(60, u'a');
  std::u16string encoded = Encode(sixty);
  EXPECT_EQ(encoded.size(), 80u);
  EXPECT_EQ(encoded.find(u'\n'), std::u16string::npos);
}

TEST(Base64, AnyTextGivesFourCharactersPerThreeAndOnlyTheAlphabet) {
  const std::u16string alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::mt19937 random(3);
  for (int round = 0; round < 500; ++round) {
    std::u16string text(random() % 400, u'\0');
    for (char16_t& ch : text) ch = static_cast<char16_t>(random() % 0x10000);
    std::u16string encoded = Encode(text);
    ASSERT_EQ(encoded.size(), 4 * ((text.size() + 2) / 3));
    auto padding = encoded.find(u'=');
    for (std::size_t i = 0; i < encoded.size(); ++i) {
      if (padding != std::u16string::npos && i >= padding) {
        EXPECT_EQ(encoded[i], u'=');
      } else {
        EXPECT_NE(alphabet.find(encoded[i]), std::u16string::npos);
      }
    }
  }
}

using ::quillet::testing::Always;
using ::quillet::testing::Code;

TEST(PasswordScrambling, SharesFollowTheStoredRule) {
  // Code 1 always gives the shares 1, 1 and -1.
  std::u16string stored = Scramble(u"\x01", Always(0.7));
  EXPECT_EQ(Code(stored[0]), 51);
  EXPECT_EQ(Code(stored[1]), 51);
  EXPECT_EQ(Code(stored[2]), 49);
  // 'A' (65) with the draws 0.5: a = 33, b = floor(0.5 * 32) + 1 = 17, d = 15, filler 75.
  stored = Scramble(u"A", Always(0.5));
  EXPECT_EQ(stored, (std::u16string{83, 67, 65, 75}));
  // The largest code, with the largest and the smallest draws.
  EXPECT_EQ(Scramble(u"\xFF", Always(0.999999999)), (std::u16string{255, 100, 50, 99}));
  EXPECT_EQ(Scramble(u"\xFF", Always(0.0)), (std::u16string{51, 99, 255, 50}));
}

TEST(PasswordScrambling, StoredTextsDecodeByTheirSumsWhateverTheFillers) {
  EXPECT_EQ(Scramble(u""), u"");
  EXPECT_EQ(Unscramble(u""), u"");
  std::u16string password = u"Pa55 wörd";
  std::u16string first = Scramble(password);
  std::u16string second = Scramble(password);
  EXPECT_EQ(first.size(), 4 * password.size());
  EXPECT_NE(first, second) << "drawn anew on every call";
  EXPECT_EQ(Unscramble(first), password);
  EXPECT_EQ(Unscramble(second), password);
  for (std::size_t i = 3; i < first.size(); i += 4) first[i] = u'Z';
  EXPECT_EQ(Unscramble(first), password) << "fillers are never looked at";
  // Texts written by hand under the same rule, as an earlier scrambler wrote them:
  // 'x' (120) as the shares 60, 40, 20; 'é' (233) as 100, 100, 33.
  EXPECT_EQ(Unscramble(u"nZFP"), u"x");
  EXPECT_EQ(Unscramble(std::u16string{ByteToChar(150), ByteToChar(150), u'S', u'a'}), u"é");
}

TEST(PasswordScrambling, AnyStoredTextDecodesWithoutFailing) {
  EXPECT_EQ(Unscramble(u"333"), u"\x03") << "a last group without its filler";
  EXPECT_EQ(Unscramble(u"3333"
                       u"33"),
            u"\x03")
      << "a last group of two is dropped";
  EXPECT_EQ(Unscramble(u"!!!x"), u"") << "a sum below 0 gives no character";
  EXPECT_EQ(Unscramble(u"\xFF\xFF\xFFx"), u"") << "a sum above 255 gives no character";
  std::mt19937 random(5);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text(random() % 64, u'\0');
    for (char16_t& ch : text) ch = static_cast<char16_t>(random() % 0x10000);
    std::u16string password = Unscramble(text);
    EXPECT_LE(password.size(), (text.size() + 1) / 4 + 1);
  }
}

TEST(NumberConversion, AcceptsBlanksSignsAndFractionsRoundedHalfToEven) {
  EXPECT_EQ(ToInt16(u"40"), 40);
  EXPECT_EQ(ToInt16(u"  40 \t"), 40);
  EXPECT_EQ(ToInt16(u"+7"), 7);
  EXPECT_EQ(ToInt16(u"-3"), -3);
  EXPECT_EQ(ToInt16(u"1.5"), 2);
  EXPECT_EQ(ToInt16(u"2.5"), 2);
  EXPECT_EQ(ToInt16(u"2.50001"), 3);
  EXPECT_EQ(ToInt16(u"2.4999"), 2);
  EXPECT_EQ(ToInt16(u"-2.5"), -2);
  EXPECT_EQ(ToInt16(u".5"), 0);
  EXPECT_EQ(ToInt16(u"7."), 7);
  EXPECT_EQ(ToInt16(u"32767"), 32767);
  EXPECT_EQ(ToInt16(u"-32768"), -32768);
  EXPECT_EQ(ToInt16(u"32767.4"), 32767);
  EXPECT_EQ(ToInt16(u"-32768.5"), -32768);
  EXPECT_EQ(ToInt16(u"000120"), 120);
}

TEST(NumberConversion, RejectsWhatIsNoNumberOrOutOfRange) {
  for (std::u16string text : {u"", u"  ", u"abc", u"4O", u"1 2", u"1e3", u"-", u".", u"1..2", u"12a", u"0x10"}) {
    EXPECT_THROW(ToInt16(text), TypeMismatch) << std::string(text.begin(), text.end());
  }
  for (std::u16string text : {u"32768", u"-32769", u"32767.5", u"99999999999999999999999"}) {
    EXPECT_THROW(ToInt16(text), OverflowError) << std::string(text.begin(), text.end());
  }
}

TEST(NumberConversion, DecimalTextAndTwipsRounding) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(140), u"140");
  EXPECT_EQ(DecimalText(-1), u"-1");
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(11070.0), 11070);
}

// Twips per pixel is exactly 1440 / dpi: at 168 and 192 dpi the integer quotient (8, 7) made
// everything about 7% too large. The update window's 8655 x 2310 twips, worked out by hand.
TEST(TwipsConversion, ExactAtEveryDensityHalvesToEven) {
  struct Case {
    int dpi;
    double twipsPerPixel;
    std::int32_t width, height;
  };
  const Case cases[] = {{96, 15.0, 577, 154},        // 577, 154
                        {120, 12.0, 721, 192},       // 721.25, 192.5
                        {144, 10.0, 866, 231},       // 865.5, 231
                        {168, 60.0 / 7, 1010, 270},  // 1009.75, 269.5
                        {192, 7.5, 1154, 308}};      // 1154, 308
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(TwipsPerPixel(c.dpi), c.twipsPerPixel) << c.dpi;
    EXPECT_EQ(TwipsToPixels(8655, c.dpi), c.width) << c.dpi;
    EXPECT_EQ(TwipsToPixels(2310, c.dpi), c.height) << c.dpi;
  }
}

}  // namespace
}  // namespace quillet
