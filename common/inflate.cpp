#include "common/inflate.h"

#include <array>

#include "common/big_endian.h"
#include "common/failure.h"

namespace quillet {
namespace {

constexpr int kLongestCode = 15;

[[noreturn]] void Damaged(const char* what, SourcePlace where = SourcePlace::current()) {
  throw Failure(std::string("damaged compressed data: ") + what, where);
}

// Bits are taken from each byte's low end first.
class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}
  unsigned Bits(int count) {
    while (held_ < count) {
      if (next_ == data_.size()) Damaged("cut short");
      buffer_ |= static_cast<std::uint32_t>(data_[next_++]) << held_;
      held_ += 8;
    }
    unsigned value = buffer_ & ((1u << count) - 1);
    buffer_ >>= count;
    held_ -= count;
    return value;
  }
  // A stored block and the stream's end start at a whole byte.
  void SkipToByte() {
    buffer_ = 0;
    held_ = 0;
  }
  std::size_t BytePosition() const { return next_; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t next_ = 0;
  std::uint32_t buffer_ = 0;
  int held_ = 0;
};

// A canonical Huffman code: how many codes there are of each length, and the symbols in code order.
struct HuffmanCode {
  std::array<std::uint16_t, kLongestCode + 1> countOfLength{};
  std::vector<std::uint16_t> symbols;
};

HuffmanCode MakeCode(std::span<const std::uint8_t> lengths) {
  HuffmanCode code;
  for (std::uint8_t length : lengths) ++code.countOfLength[length];
  int left = 1;  // codes still free at the current length
  for (int length = 1; length <= kLongestCode; ++length) {
    left = 2 * left - code.countOfLength[length];
    if (left < 0) Damaged("a code with more symbols than it has room for");
  }
  std::array<std::uint16_t, kLongestCode + 2> firstIndex{};
  for (int length = 1; length <= kLongestCode; ++length)
    firstIndex[length + 1] = static_cast<std::uint16_t>(firstIndex[length] + code.countOfLength[length]);
  code.symbols.resize(firstIndex[kLongestCode + 1]);
  for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol)
    if (lengths[symbol] != 0) code.symbols[firstIndex[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
  return code;
}

// Reads one code bit by bit: the codes of each length follow those one bit shorter.
unsigned ReadSymbol(BitReader& in, const HuffmanCode& code) {
  int value = 0, first = 0, index = 0;
  for (int length = 1; length <= kLongestCode; ++length) {
    value |= static_cast<int>(in.Bits(1));
    int count = code.countOfLength[length];
    if (value - first < count) return code.symbols[static_cast<std::size_t>(index + value - first)];
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  Damaged("a code that stands for nothing");
}

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                         33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
 public:
  Inflater(std::span<const std::uint8_t> deflated, std::size_t limit) : in_(deflated), limit_(limit) {}

  void Run() {
    bool last = false;
    while (!last) {
      last = in_.Bits(1) == 1;
      switch (in_.Bits(2)) {
        case 0:
          StoredBlock();
          break;
        case 1:
          CodedBlock(FixedCodes().first, FixedCodes().second);
          break;
        case 2: {
          auto [literals, distances] = DynamicCodes();
          CodedBlock(literals, distances);
          break;
        }
        default:
          Damaged("a block of an unknown kind");
      }
    }
    in_.SkipToByte();
  }
  std::vector<std::uint8_t>& Out() { return out_; }
  std::size_t End() const { return in_.BytePosition(); }

 private:
  void Put(std::uint8_t byte) {
    if (out_.size() == limit_) Damaged("more data than expected");
    out_.push_back(byte);
  }

  void StoredBlock() {
    in_.SkipToByte();
    unsigned length = in_.Bits(16);
    if ((in_.Bits(16) ^ 0xFFFFu) != length) Damaged("a stored block's length and its complement differ");
    for (unsigned i = 0; i < length; ++i) Put(static_cast<std::uint8_t>(in_.Bits(8)));
  }

  static const std::pair<HuffmanCode, HuffmanCode>& FixedCodes() {
    static const std::pair<HuffmanCode, HuffmanCode> codes = [] {
      std::array<std::uint8_t, 288> literals{};
      for (std::size_t symbol = 0; symbol < literals.size(); ++symbol)
        literals[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
      std::array<std::uint8_t, 30> distances{};
      distances.fill(5);
      return std::pair{MakeCode(literals), MakeCode(distances)};
    }();
    return codes;
  }

  std::pair<HuffmanCode, HuffmanCode> DynamicCodes() {
    unsigned literalCount = in_.Bits(5) + 257, distanceCount = in_.Bits(5) + 1, lengthCodeCount = in_.Bits(4) + 4;
    if (literalCount > 286 || distanceCount > 30) Damaged("too many codes");
    constexpr std::array<std::uint8_t, 19> kOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::array<std::uint8_t, 19> lengthCodeLengths{};
    for (unsigned i = 0; i < lengthCodeCount; ++i)
      lengthCodeLengths[kOrder[i]] = static_cast<std::uint8_t>(in_.Bits(3));
    HuffmanCode lengthCode = MakeCode(lengthCodeLengths);

    // The lengths of both codes, one run: 16 repeats the last length, 17 and 18 give zeros.
    std::vector<std::uint8_t> lengths;
    while (lengths.size() < literalCount + distanceCount) {
      unsigned symbol = ReadSymbol(in_, lengthCode);
      std::uint8_t length = 0;
      unsigned repeat = 1;
      if (symbol < 16) {
        length = static_cast<std::uint8_t>(symbol);
      } else if (symbol == 16) {
        if (lengths.empty()) Damaged("a repeat with nothing before it");
        length = lengths.back();
        repeat = 3 + in_.Bits(2);
      } else {
        repeat = symbol == 17 ? 3 + in_.Bits(3) : 11 + in_.Bits(7);
      }
      if (lengths.size() + repeat > literalCount + distanceCount) Damaged("code lengths beyond the codes");
      lengths.insert(lengths.end(), repeat, length);
    }
    if (lengths[256] == 0) Damaged("no end-of-block code");
    std::span<const std::uint8_t> all(lengths);
    return {MakeCode(all.first(literalCount)), MakeCode(all.subspan(literalCount))};
  }

  void CodedBlock(const HuffmanCode& literals, const HuffmanCode& distances) {
    for (;;) {
      unsigned symbol = ReadSymbol(in_, literals);
      if (symbol < 256) {
        Put(static_cast<std::uint8_t>(symbol));
        continue;
      }
      if (symbol == 256) return;
      symbol -= 257;
      if (symbol >= kLengthBase.size()) Damaged("a length code out of range");
      unsigned length = kLengthBase[symbol] + in_.Bits(kLengthExtra[symbol]);
      unsigned distanceSymbol = ReadSymbol(in_, distances);
      if (distanceSymbol >= kDistanceBase.size()) Damaged("a distance code out of range");
      std::size_t distance = kDistanceBase[distanceSymbol] + in_.Bits(kDistanceExtra[distanceSymbol]);
      if (distance > out_.size()) Damaged("a distance back before the start");
      for (unsigned i = 0; i < length; ++i) Put(out_[out_.size() - distance]);
    }
  }

  BitReader in_;
  std::size_t limit_;
  std::vector<std::uint8_t> out_;
};

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

}  // namespace

std::vector<std::uint8_t> Inflate(std::span<const std::uint8_t> stream, std::size_t limit) {
  if (stream.size() < 6) Damaged("cut short");
  unsigned method = stream[0], flags = stream[1];
  if ((method & 0x0F) != 8 || (method >> 4) > 7 || (method * 256 + flags) % 31 != 0) Damaged("not a zlib stream");
  if ((flags & 0x20) != 0) Damaged("a preset dictionary");
  Inflater inflater(stream.subspan(2), limit);
  inflater.Run();
  std::size_t checkAt = 2 + inflater.End();
  if (stream.size() < checkAt + 4) Damaged("cut short");
  if (ReadBigEndian32(stream.data() + checkAt) != Adler32(inflater.Out()))
    Damaged("the check of what it holds does not match");
  return std::move(inflater.Out());
}

}  // namespace quillet
