#include "dialogs/post_languages.h"

#include <algorithm>

namespace quillet {
namespace {

struct PostLanguage {
  std::string_view code;
  std::u16string_view englishName;
};

constexpr PostLanguage kPostLanguages[] = {
    {"ar", Translatable(u"Arabic")},     {"ca", Translatable(u"Catalan")},    {"cs", Translatable(u"Czech")},
    {"da", Translatable(u"Danish")},     {"de", Translatable(u"German")},     {"el", Translatable(u"Greek")},
    {"en", Translatable(u"English")},    {"eo", Translatable(u"Esperanto")},  {"es", Translatable(u"Spanish")},
    {"eu", Translatable(u"Basque")},     {"fa", Translatable(u"Persian")},    {"fi", Translatable(u"Finnish")},
    {"fr", Translatable(u"French")},     {"ga", Translatable(u"Irish")},      {"gl", Translatable(u"Galician")},
    {"he", Translatable(u"Hebrew")},     {"hi", Translatable(u"Hindi")},      {"hu", Translatable(u"Hungarian")},
    {"id", Translatable(u"Indonesian")}, {"it", Translatable(u"Italian")},    {"ja", Translatable(u"Japanese")},
    {"ko", Translatable(u"Korean")},     {"nl", Translatable(u"Dutch")},      {"no", Translatable(u"Norwegian")},
    {"pl", Translatable(u"Polish")},     {"pt", Translatable(u"Portuguese")}, {"ro", Translatable(u"Romanian")},
    {"ru", Translatable(u"Russian")},    {"sv", Translatable(u"Swedish")},    {"th", Translatable(u"Thai")},
    {"tr", Translatable(u"Turkish")},    {"uk", Translatable(u"Ukrainian")},  {"vi", Translatable(u"Vietnamese")},
    {"zh", Translatable(u"Chinese")},
};

// A letter as the list sorts it: upper-case Latin letters as lower, the accented letters of
// Latin-1 as their base letter ("Árabe" among the A).
char16_t SortLetter(char16_t ch) {
  static constexpr std::u16string_view kLatin1Bases =
      u"aaaaaaaceeeeiiiidnooooo\u00d7ouuuuyts"   // U+00C0..U+00DF
      u"aaaaaaaceeeeiiiidnooooo\u00f7ouuuuyty";  // U+00E0..U+00FF
  if (ch >= u'A' && ch <= u'Z') return static_cast<char16_t>(ch - u'A' + u'a');
  if (ch >= 0xC0 && ch <= 0xFF) return kLatin1Bases[ch - 0xC0];
  return ch;
}

bool ShownBefore(const PostLanguageChoice& a, const PostLanguageChoice& b) {
  auto key = [](const std::u16string& name) {
    std::u16string folded;
    for (char16_t ch : name) folded.push_back(SortLetter(ch));
    return folded;
  };
  std::u16string left = key(a.name), right = key(b.name);
  return left != right ? left < right : a.name < b.name;
}

}  // namespace

std::vector<PostLanguageChoice> PostLanguageChoices(const Catalog& words) {
  std::vector<PostLanguageChoice> choices;
  for (const PostLanguage& language : kPostLanguages)
    choices.push_back({std::string(language.code), words.Tr(language.englishName)});
  std::sort(choices.begin(), choices.end(), ShownBefore);
  return choices;
}

}  // namespace quillet
