#include "common/convert.h"

#include <cmath>
#include <limits>

#include "common/failure.h"

namespace quillet {
namespace {

bool IsBlank(char16_t ch) { return ch == u' ' || ch == u'\t'; }
bool IsDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::int16_t ToInt16(std::u16string_view text) {
  std::u16string_view rest = TrimBlanks(text);
  bool negative = false;
  if (!rest.empty() && (rest.front() == u'+' || rest.front() == u'-')) {
    negative = rest.front() == u'-';
    rest.remove_prefix(1);
  }
  // Whole part, then an optional fraction; at least one digit in all.
  // The whole part is accumulated only while it can still matter for the range check.
  long long whole = 0;
  std::size_t digits = 0;
  while (!rest.empty() && IsDigit(rest.front())) {
    if (whole <= 100000) whole = whole * 10 + (rest.front() - u'0');
    rest.remove_prefix(1);
    ++digits;
  }
  // The fraction decides rounding only: below, at or above one half, and whether beyond a half.
  int firstFractionDigit = -1;
  bool moreAfterFirst = false;
  if (!rest.empty() && rest.front() == u'.') {
    rest.remove_prefix(1);
    while (!rest.empty() && IsDigit(rest.front())) {
      if (firstFractionDigit < 0) {
        firstFractionDigit = rest.front() - u'0';
      } else if (rest.front() != u'0') {
        moreAfterFirst = true;
      }
      rest.remove_prefix(1);
      ++digits;
    }
  }
  if (digits == 0 || !rest.empty()) throw TypeMismatch("not a number");

  bool roundUp = false;
  if (firstFractionDigit > 5 || (firstFractionDigit == 5 && moreAfterFirst)) {
    roundUp = true;
  } else if (firstFractionDigit == 5) {
    roundUp = (whole % 2) != 0;  // exactly one half: to the even neighbour
  }
  if (roundUp) ++whole;
  long long value = negative ? -whole : whole;
  if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
    throw OverflowError("outside the 16-bit range");
  }
  return static_cast<std::int16_t>(value);
}

std::u16string DecimalText(long long number) {
  std::u16string digits;
  unsigned long long magnitude =
      number < 0 ? 0ULL - static_cast<unsigned long long>(number) : static_cast<unsigned long long>(number);
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) digits.insert(digits.begin(), u'-');
  return digits;
}

std::int32_t RoundHalfEven(double value) {
  double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw OverflowError("outside the 32-bit range");
  }
  return static_cast<std::int32_t>(rounded);
}

double TwipsPerPixel(int dpi) { return 1440.0 / dpi; }

std::int32_t TwipsToPixels(std::int32_t twips, int dpi) {
  return RoundHalfEven(static_cast<double>(twips) * dpi / 1440.0);
}

std::u16string Trimmed(std::u16string text) {
  auto blank = [](char16_t ch) { return ch == u' ' || ch == u'\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t first = 0;
  while (first < text.size() && blank(text[first])) ++first;
  return text.substr(first);
}

}  // namespace quillet
