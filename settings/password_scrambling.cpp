#include "settings/password_scrambling.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

#include "common/codepage.h"
#include "common/steps.h"

namespace quillet::password_scrambling {
namespace {

constexpr int kOffset = 50;
constexpr int kLargestShare = 255 - kOffset;  // a share character must still fit one byte

int Floor(double value) { return static_cast<int>(std::floor(value)); }

struct Shares {
  int a, b, d;
};

// Codes up to 205 draw a in 1..c and b in 1..c-a (b = 1 when a = c). Above 205 those draws
// could give a share character beyond 255, so there a and b are drawn from the part of the
// same ranges that keeps every share at 205 or below; the sum, and so the decoding, is the same.
Shares DrawShares(int c, const Callback<double()>& draw) {
  if (c <= kLargestShare) {
    int a = Floor(draw() * c) + 1;
    int b = Floor(draw() * (c - a)) + 1;
    return {a, b, c - a - b};
  }
  int a = Floor(draw() * kLargestShare) + 1;
  int low = std::max(1, c - a - kLargestShare);
  int high = std::min(kLargestShare, c - a);
  int b = low + Floor(draw() * (high - low + 1));
  return {a, b, c - a - b};
}

char16_t CodeChar(int code) { return ByteToChar(static_cast<std::uint8_t>(code)); }

}  // namespace

std::u16string Scramble(std::u16string_view password) {
  auto seed = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  std::mt19937_64 generator(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  return Scramble(password, [&] { return uniform(generator); });
}

std::u16string Scramble(std::u16string_view password, const Callback<double()>& draw) {
  std::u16string stored;
  for (char16_t ch : password) {
    Step([&] {
      int c = CharToByte(ch);
      Shares shares = DrawShares(c, draw);
      int filler = Floor(draw() * 50) + 50;
      std::u16string group;
      for (int code : {shares.a + kOffset, shares.b + kOffset, shares.d + kOffset, filler}) {
        group.push_back(CodeChar(code));
      }
      stored += group;
    });
  }
  return stored;
}

std::u16string Unscramble(std::u16string_view stored) {
  std::u16string password;
  for (std::size_t i = 0; i < stored.size(); i += 4) {
    Step([&] {
      if (i + 2 >= stored.size()) return;  // a final group of one or two characters
      int sum = CharToByte(stored[i]) + CharToByte(stored[i + 1]) + CharToByte(stored[i + 2]) - 3 * kOffset;
      if (sum < 0 || sum > 255) return;
      password.push_back(CodeChar(sum));
    });
  }
  return password;
}

}  // namespace quillet::password_scrambling
