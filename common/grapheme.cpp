#include "common/grapheme.h"

#include <algorithm>
#include <iterator>

namespace quillet::grapheme {
namespace {

enum class Kind { kOther, kCr, kLf, kControl, kExtend, kZwj, kRegional, kSpacingMark, kL, kV, kT, kLv, kLvt, kPictographic };

struct Range {
  char32_t first, last;
};

// Marks that join the character before them: combining marks of the common scripts, the
// zero-width non-joiner, variation selectors, emoji modifiers (skin tones) and tags.
constexpr Range kExtend[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2}, {0x05C4, 0x05C5},
    {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670}, {0x06D6, 0x06DC}, {0x06DF, 0x06E4},
    {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0900, 0x0902}, {0x093A, 0x093A}, {0x093C, 0x093C}, {0x0941, 0x0948},
    {0x094D, 0x094D}, {0x0951, 0x0957}, {0x0962, 0x0963}, {0x0981, 0x0981}, {0x09BC, 0x09BC}, {0x09C1, 0x09C4},
    {0x09CD, 0x09CD}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x200C, 0x200C}, {0x20D0, 0x20FF}, {0x302A, 0x302F}, {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0x1F3FB, 0x1F3FF}, {0xE0020, 0xE007F}, {0xE0100, 0xE01EF}};
constexpr Range kSpacingMark[] = {{0x0903, 0x0903}, {0x093B, 0x093B}, {0x093E, 0x0940}, {0x0949, 0x094C},
                                  {0x094E, 0x094F}, {0x0982, 0x0983}, {0x09BF, 0x09C0}, {0x0E33, 0x0E33}};
// Pictographs that emoji sequences are built of.
constexpr Range kPictographic[] = {
    {0x00A9, 0x00A9}, {0x00AE, 0x00AE}, {0x203C, 0x203C}, {0x2049, 0x2049}, {0x2122, 0x2122}, {0x2139, 0x2139},
    {0x2194, 0x2199}, {0x21A9, 0x21AA}, {0x231A, 0x231B}, {0x2328, 0x2328}, {0x23CF, 0x23CF}, {0x23E9, 0x23F3},
    {0x23F8, 0x23FA}, {0x24C2, 0x24C2}, {0x25AA, 0x25AB}, {0x25B6, 0x25B6}, {0x25C0, 0x25C0}, {0x25FB, 0x25FE},
    {0x2600, 0x27BF}, {0x2934, 0x2935}, {0x2B05, 0x2B07}, {0x2B1B, 0x2B1C}, {0x2B50, 0x2B50}, {0x2B55, 0x2B55},
    {0x3030, 0x3030}, {0x303D, 0x303D}, {0x3297, 0x3297}, {0x3299, 0x3299}, {0x1F000, 0x1F1E5}, {0x1F200, 0x1F3FA},
    {0x1F400, 0x1FAFF}};

template <std::size_t N>
bool In(const Range (&table)[N], char32_t cp) {
  auto it = std::upper_bound(std::begin(table), std::end(table), cp,
                             [](char32_t value, const Range& range) { return value < range.first; });
  return it != std::begin(table) && cp <= std::prev(it)->last;
}

Kind KindOf(char32_t cp) {
  if (cp == U'\r') return Kind::kCr;
  if (cp == U'\n') return Kind::kLf;
  if (cp == 0x200D) return Kind::kZwj;
  if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x2028 || cp == 0x2029) return Kind::kControl;
  if (cp >= 0x1F1E6 && cp <= 0x1F1FF) return Kind::kRegional;
  if ((cp >= 0x1100 && cp <= 0x115F) || (cp >= 0xA960 && cp <= 0xA97C)) return Kind::kL;
  if ((cp >= 0x1160 && cp <= 0x11A7) || (cp >= 0xD7B0 && cp <= 0xD7C6)) return Kind::kV;
  if ((cp >= 0x11A8 && cp <= 0x11FF) || (cp >= 0xD7CB && cp <= 0xD7FB)) return Kind::kT;
  if (cp >= 0xAC00 && cp <= 0xD7A3) return (cp - 0xAC00) % 28 == 0 ? Kind::kLv : Kind::kLvt;
  if (In(kExtend, cp)) return Kind::kExtend;
  if (In(kSpacingMark, cp)) return Kind::kSpacingMark;
  if (In(kPictographic, cp)) return Kind::kPictographic;
  return Kind::kOther;
}

bool IsControl(Kind kind) { return kind == Kind::kCr || kind == Kind::kLf || kind == Kind::kControl; }

}  // namespace

int Count(std::u16string_view text) {
  int count = 0;
  Kind before = Kind::kControl;
  bool pictographicRun = false;  // an emoji, then only extenders: a joiner may add another emoji
  bool joinedAfterPictograph = false;
  int regionalRun = 0;  // regional indicators in a row so far
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    Kind kind = KindOf(cp);
    bool joins = false;
    if (count == 0) {
      joins = false;
    } else if (before == Kind::kCr && kind == Kind::kLf) {
      joins = true;
    } else if (IsControl(before) || IsControl(kind)) {
      joins = false;
    } else if (before == Kind::kL && (kind == Kind::kL || kind == Kind::kV || kind == Kind::kLv || kind == Kind::kLvt)) {
      joins = true;
    } else if ((before == Kind::kLv || before == Kind::kV) && (kind == Kind::kV || kind == Kind::kT)) {
      joins = true;
    } else if ((before == Kind::kLvt || before == Kind::kT) && kind == Kind::kT) {
      joins = true;
    } else if (kind == Kind::kExtend || kind == Kind::kZwj || kind == Kind::kSpacingMark) {
      joins = true;
    } else if (before == Kind::kZwj && kind == Kind::kPictographic && joinedAfterPictograph) {
      joins = true;
    } else if (before == Kind::kRegional && kind == Kind::kRegional && regionalRun % 2 == 1) {
      joins = true;
    }
    if (!joins) ++count;
    // What the next code point may join.
    if (kind == Kind::kPictographic) {
      pictographicRun = true;
    } else if (kind != Kind::kExtend) {
      pictographicRun = pictographicRun && kind == Kind::kZwj;
    }
    joinedAfterPictograph = kind == Kind::kZwj && pictographicRun;
    if (kind == Kind::kZwj) pictographicRun = false;
    regionalRun = kind == Kind::kRegional ? regionalRun + 1 : 0;
    before = kind;
  }
  return count;
}

}  // namespace quillet::grapheme
