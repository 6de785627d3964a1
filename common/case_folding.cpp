#include "common/case_folding.h"

#include <algorithm>

#include "common/utf8.h"

namespace quillet {
namespace {

bool InRun(const CaseFoldRun& run, char32_t ch) {
  return ch >= run.first && (ch - run.first) % run.step == 0 && (ch - run.first) / run.step < run.count;
}

}  // namespace

char32_t FoldedCase(char32_t ch) {
  if (ch < 0x80) return (ch >= U'A' && ch <= U'Z') ? ch + 0x20 : ch;
  const CaseFoldRun* end = kCaseFoldRuns + kCaseFoldRunCount;
  const CaseFoldRun* after = std::upper_bound(kCaseFoldRuns, end, ch, [](char32_t c, const CaseFoldRun& run) { return c < run.first; });
  if (after == kCaseFoldRuns || !InRun(after[-1], ch)) return ch;
  return static_cast<char32_t>(static_cast<std::int32_t>(ch) + after[-1].distance);
}

std::u16string FoldedCase(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t ch = text[i];
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      ch = 0x10000 + ((ch - 0xD800) << 10) + (text[++i] - 0xDC00);
    char32_t folded = ch >= 0xD800 && ch <= 0xDFFF ? ch : FoldedCase(ch);  // a lone surrogate stays
    if (folded < 0x10000) {
      out += static_cast<char16_t>(folded);
    } else {
      out += static_cast<char16_t>(0xD800 + ((folded - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((folded - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::vector<std::string> FoldingIntoAscii() {
  std::vector<std::string> found;
  for (std::size_t r = 0; r < kCaseFoldRunCount; ++r) {
    const CaseFoldRun& run = kCaseFoldRuns[r];
    for (char32_t i = 0, ch = run.first; i < run.count; ++i, ch += run.step) {
      if (ch >= 0x80 && FoldedCase(ch) < 0x80) utf8::Append(found.emplace_back(), ch);
    }
  }
  return found;
}

}  // namespace quillet
