#include "common/lzma_stream.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillet {
namespace {

using Prob = std::uint16_t;
constexpr Prob kEven = 1024;  // a probability of one half, out of 2048

// The arithmetic decoder: each bit weighed by an adaptive probability, or taken as it comes.
class RangeDecoder {
 public:
  explicit RangeDecoder(std::string_view in) : in_(in) {
    broken_ = Byte() != 0;
    for (int i = 0; i < 4; ++i) code_ = code_ << 8 | Byte();
    broken_ = broken_ || code_ == range_;
  }
  bool Broken() const { return broken_; }

  unsigned Bit(Prob& p) {
    std::uint32_t bound = (range_ >> 11) * p;
    unsigned bit = code_ >= bound;
    if (bit) {
      range_ -= bound;
      code_ -= bound;
      p = static_cast<Prob>(p - (p >> 5));
    } else {
      range_ = bound;
      p = static_cast<Prob>(p + ((2048 - p) >> 5));
    }
    Normalize();
    return bit;
  }
  // `count` bits, the highest first, through the tree of probabilities at `probs` (from index 1).
  unsigned Tree(Prob* probs, int count) {
    unsigned m = 1;
    for (int i = 0; i < count; ++i) m = m << 1 | Bit(probs[m]);
    return m - (1u << count);
  }
  // The same, the lowest bit first.
  unsigned ReverseTree(Prob* probs, int count) {
    unsigned m = 1, value = 0;
    for (int i = 0; i < count; ++i) {
      unsigned bit = Bit(probs[m]);
      m = m << 1 | bit;
      value |= bit << i;
    }
    return value;
  }
  std::uint32_t Direct(int count) {
    std::uint32_t value = 0;
    while (count--) {
      range_ >>= 1;
      unsigned bit = code_ >= range_;
      if (bit) code_ -= range_;
      value = value << 1 | bit;
      Normalize();
    }
    return value;
  }

 private:
  unsigned Byte() {
    if (at_ < in_.size()) return static_cast<unsigned char>(in_[at_++]);
    broken_ = true;  // cut short
    return 0;
  }
  void Normalize() {
    if (range_ < (1u << 24)) {
      range_ <<= 8;
      code_ = code_ << 8 | Byte();
    }
  }
  std::string_view in_;
  std::size_t at_ = 0;
  std::uint32_t range_ = 0xFFFFFFFF, code_ = 0;
  bool broken_ = false;
};

// A match's length less two: 0-7 and 8-15 by the position's own trees, 16-271 by a shared one.
struct LengthCoder {
  Prob choice = kEven, choice2 = kEven;
  Prob low[16][8], middle[16][8], high[256];
  LengthCoder() {
    std::fill_n(&low[0][0], 16 * 8, kEven);
    std::fill_n(&middle[0][0], 16 * 8, kEven);
    std::fill_n(high, 256, kEven);
  }
  unsigned Decode(RangeDecoder& rc, unsigned position) {
    if (!rc.Bit(choice)) return rc.Tree(low[position], 3);
    if (!rc.Bit(choice2)) return 8 + rc.Tree(middle[position], 3);
    return 16 + rc.Tree(high, 8);
  }
};

}  // namespace

std::optional<std::string> UnpackLzma(std::string_view stream, std::size_t size) {
  if (stream.empty()) return std::nullopt;
  unsigned properties = static_cast<unsigned char>(stream[0]);
  if (properties >= 9 * 5 * 5) return std::nullopt;
  const unsigned lc = properties % 9, lp = properties / 9 % 5, pb = properties / 45;
  RangeDecoder rc(stream.substr(1));
  // The probabilities, each a state's (12 of them) or a state's and position's.
  std::vector<Prob> literals(0x300u << (lc + lp), kEven);
  Prob isMatch[12][16], isRep[12], isRepG0[12], isRepG1[12], isRepG2[12], isRep0Long[12][16];
  Prob slot[4][64], distance[115], align[16];
  for (auto* table : {&isMatch[0][0], &isRep0Long[0][0]}) std::fill_n(table, 12 * 16, kEven);
  for (Prob* table : {isRep, isRepG0, isRepG1, isRepG2}) std::fill_n(table, 12, kEven);
  std::fill_n(&slot[0][0], 4 * 64, kEven);
  std::fill_n(distance, 115, kEven);
  std::fill_n(align, 16, kEven);
  LengthCoder lengths, repLengths;

  std::string out;
  out.reserve(size);
  unsigned state = 0;
  std::uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;  // the last four distances, less one
  while (out.size() < size && !rc.Broken()) {
    unsigned position = static_cast<unsigned>(out.size()) & ((1u << pb) - 1);
    if (!rc.Bit(isMatch[state][position])) {
      unsigned previous = out.empty() ? 0 : static_cast<unsigned char>(out.back());
      Prob* probs = &literals[0x300 * (((out.size() & ((1u << lp) - 1)) << lc) + (previous >> (8 - lc)))];
      unsigned symbol = 1;
      if (state >= 7) {  // after a match: the byte the match would have given steers the first bits
        unsigned matchByte = static_cast<unsigned char>(out[out.size() - rep0 - 1]);
        while (symbol < 0x100) {
          unsigned matchBit = matchByte >> 7 & 1;
          matchByte <<= 1;
          unsigned bit = rc.Bit(probs[((1 + matchBit) << 8) + symbol]);
          symbol = symbol << 1 | bit;
          if (bit != matchBit) break;
        }
      }
      while (symbol < 0x100) symbol = symbol << 1 | rc.Bit(probs[symbol]);
      out += static_cast<char>(symbol - 0x100);
      state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
      continue;
    }
    unsigned length;
    if (rc.Bit(isRep[state])) {
      if (out.empty()) return std::nullopt;
      if (!rc.Bit(isRepG0[state])) {
        if (!rc.Bit(isRep0Long[state][position])) {  // one byte from the last distance
          state = state < 7 ? 9 : 11;
          out += out[out.size() - rep0 - 1];
          continue;
        }
      } else {
        std::uint32_t chosen;
        if (!rc.Bit(isRepG1[state])) {
          chosen = rep1;
        } else {
          if (!rc.Bit(isRepG2[state])) {
            chosen = rep2;
          } else {
            chosen = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = chosen;
      }
      length = repLengths.Decode(rc, position);
      state = state < 7 ? 8 : 11;
    } else {
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      length = lengths.Decode(rc, position);
      state = state < 7 ? 7 : 10;
      unsigned slotOf = rc.Tree(slot[std::min(length, 3u)], 6);
      if (slotOf < 4) {
        rep0 = slotOf;
      } else {
        int bits = static_cast<int>(slotOf >> 1) - 1;
        rep0 = (2 | (slotOf & 1)) << bits;
        if (slotOf < 14) {
          rep0 += rc.ReverseTree(distance + rep0 - slotOf, bits);
        } else {
          rep0 += rc.Direct(bits - 4) << 4;
          rep0 += rc.ReverseTree(align, 4);
        }
      }
      if (rep0 == 0xFFFFFFFF) break;  // the end marker
    }
    length += 2;
    if (rep0 >= out.size() || length > size - out.size()) return std::nullopt;
    for (std::size_t from = out.size() - rep0 - 1; length--;) out += out[from++];
  }
  if (rc.Broken() || out.size() != size) return std::nullopt;
  return out;
}

}  // namespace quillet
