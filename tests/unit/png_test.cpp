// PNG files to pixels: files made by an independent encoder (Python's zlib) with every row filter,
// in stored, fixed-code and dynamic-code blocks, decode to the pixels they were made from; kinds
// of PNG the program does not use, and damaged files, are refused.
#include <gtest/gtest.h>

#include <string>

#include "common/failure.h"
#include "common/png.h"

namespace quillet {
namespace {

std::string Hex(const char* digits) {
  std::string bytes;
  for (const char* d = digits; d[0] != '\0' && d[1] != '\0'; d += 2)
    bytes.push_back(static_cast<char>(std::stoi(std::string(d, 2), nullptr, 16)));
  return bytes;
}

// The pictures' pixels, as the encoder computed them; rows use the filters 0 to 4 in turn.
std::vector<std::uint8_t> Expected(std::uint32_t width, std::uint32_t height, bool alpha) {
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint32_t value :
           {(x * 9 + y * 3) % 256, (y * 20 + x / 3) % 256, ((x ^ y) & 3) * 60, alpha ? 255 - x * 30 - y : 255})
        rgba.push_back(static_cast<std::uint8_t>(value));
  return rgba;
}

PngImage Decode(const std::string& file) {
  return DecodePng({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
}

// rgba block type 0
const std::string kRgbaStored =
    Hex("89504e470d0a1a0a0000000d4948445200000007000000050806000000899af6d80000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000009c4944415478010191006eff00000000ff09003ce112"
        "0078c31b01b4a5240100872d013c693602784b0103143cfe0900c4e20900b4e20901c4e20900c4e20900c4e20901b4e2"
        "0203143cff0314b4ff03144cff0314c4ff03143cff0314b4ff03144cff030628787e060ac4f1060a00f1060bc4f1060a"
        "78f1060ac4f1060b00f10403144cff03003cff03003cff030178ff03004cff03003cff03013cff567b30a30f24e19d00"
        "00000049454e44ae426082");
const std::string kRgbFixed =
    Hex("89504e470d0a1a0a0000000d49484452000000180000000a0802000000210b093f0000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000014a49444154780163606060e064b01162a89066dca2c2"
        "c8a0cb6863c65461cfb4c583892190d9268ab92299794b0e0b43298b4d1d4b453beb9609ac0c33596d16b155ac66dbb2"
        "858d612fbbcd31f68af3ec5b1899456c38198e70326ce1643c02661ce164dc026380c5a10c026a988006318b6c6116f1"
        "61163942119b4da3828deb081b17031b379004b3b919c022156011309b9bb01a1690790c3620c458c1cc00663302b960"
        "3623581cc86624ac86813fc54622854131658b566a8571aa8d4d2a836bda16bfb48af0349b847486ccf42d45e915d519"
        "362d190cbd195ba66556cccfb45991c9b0316bcbaeac8ac3593667b219ae666fb9975dc1285451018c354e061f4e461b"
        "30c38693d107c6008b431904d44002fb081548bea865e0d0b20187a80f38446dc021ea030e51309bdb87a01a1690790c"
        "47c0217a041c6c47c0210a663382c5412284d50000d6e591920a1579bd0000000049454e44ae426082");
const std::string kRgbDynamic =
    Hex("89504e470d0a1a0a0000000d49484452000000180000000a0802000000210b093f0000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c000001304944415478daad91af4b045110c7bfb36fef1def16"
        "148e0d8249308860124c0326c1b00826e192e0fdda3b93200c0826c1249804936010c1244c124c3e4c82c9eadfe2ee78"
        "9737283c86cffbf265c267002080bb9065d255c206f15622db89ee26d877dc7372e4f438c569cae7a95cb6f4ba85db16"
        "df7b79f2aa1eaf6d7e6fcb675bc9e51c10033450348881740e96cfa0a193548b5cae2e2f5c1effc47e4d7c27fa0e7c56"
        "4de30c968825c6597327adf781eb47e2604cd5d7982caf989a3b58ecf3521f2b7d5d1fc8e68079809da1ee0de560c887"
        "2394233d19c9d9982fc6b81aeb4d2977253f96789ee8cb44de26fc31c5d754bfa7425d91ea6a01452036e040c51c2c9f"
        "4143e75776fc87b9d07b305b6c460b33ca66b430a3c659d1d849eb7d8866349ab668468dc9f23a69eefc00d6e59192c3"
        "97738f0000000049454e44ae426082");
const std::string kPalette =
    Hex("89504e470d0a1a0a0000000d494844520000000100000001080300000028cb34bb0000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000000a4944415478da6360000000020001e527defc000000"
        "0049454e44ae426082");
const std::string kInterlaced =
    Hex("89504e470d0a1a0a0000000d4948445200000001000000010802000001e77063480000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000000c4944415478da636064620600000e0007e99237d400"
        "00000049454e44ae426082");
const std::string kSixteenBit =
    Hex("89504e470d0a1a0a0000000d4948445200000001000000011002000000c0e78f9d0000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000000b4944415478da6360040300001c00072c7d16a40000"
        "000049454e44ae426082");
const std::string kTooLittleData =
    Hex("89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a730000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000000f4944415478da636064626661650300003f001698c1"
        "68130000000049454e44ae426082");
const std::string kBadAdler =
    Hex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000001a74455874436f6d6d656e74"
        "006d61646520666f7220746865207465737473f1ef398c0000000c4944415478da636064620600000e00069e95074200"
        "00000049454e44ae426082");

TEST(Png, FilesDecodeToThePixelsTheyWereMadeFrom) {
  struct Case {
    const char* name;
    const std::string& file;
    std::uint32_t width, height;
    bool alpha;
  };
  for (const Case& c :
       {Case{"RGBA, stored", kRgbaStored, 7, 5, true}, Case{"RGB, fixed codes", kRgbFixed, 24, 10, false},
        Case{"RGB, dynamic codes", kRgbDynamic, 24, 10, false}}) {
    PngImage image = Decode(c.file);
    EXPECT_EQ(image.width, c.width) << c.name;
    EXPECT_EQ(image.height, c.height) << c.name;
    EXPECT_EQ(image.rgba, Expected(c.width, c.height, c.alpha)) << c.name;
  }
}

TEST(Png, OtherKindsAndDamagedFilesAreRefused) {
  std::string flipped = kRgbFixed;
  flipped[flipped.size() - 40] ^= 0x10;  // inside the compressed data: its chunk's check no longer matches
  const std::pair<const char*, std::string> refused[] = {
      {"palette", kPalette},
      {"interlaced", kInterlaced},
      {"16 bits a sample", kSixteenBit},
      {"too little data for its size", kTooLittleData},
      {"the compressed data's check", kBadAdler},
      {"a chunk's check", flipped},
      {"cut short", kRgbDynamic.substr(0, kRgbDynamic.size() - 30)},
      {"no signature", kRgbFixed.substr(1)},
      {"empty", ""},
  };
  for (const auto& [name, file] : refused) EXPECT_THROW(Decode(file), Failure) << name;
}

}  // namespace
}  // namespace quillet
