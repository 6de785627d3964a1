#include "common/language_choice.h"

#include <cctype>

#include "common/built_in_catalogs.h"
#include "common/utf8.h"

namespace quillet {
namespace {

// A tag compared without case, "_" as "-".
std::string Normal(std::string_view tag) {
  std::string normal;
  for (char c : tag) normal += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return normal;
}

std::string LanguageAlone(std::string_view tag) { return Normal(tag.substr(0, tag.find_first_of("-_"))); }

// The catalog for the tag exactly, else the first of its language; nullptr when none.
const Catalog* Find(std::string_view tag) {
  if (tag.empty()) return nullptr;
  for (const Catalog& catalog : Languages()) {
    if (Normal(catalog.Tag()) == Normal(tag)) return &catalog;
  }
  for (const Catalog& catalog : Languages()) {
    if (LanguageAlone(catalog.Tag()) == LanguageAlone(tag)) return &catalog;
  }
  return nullptr;
}

}  // namespace

const std::vector<Catalog>& Languages() {
  static const std::vector<Catalog> languages = [] {
    std::vector<Catalog> read{Catalog()};
    for (const CompiledCatalog& compiled : BuiltInCatalogs()) {
      if (std::optional<Catalog> catalog = Catalog::FromMo(compiled.mo)) read.push_back(std::move(*catalog));
    }
    return read;
  }();
  return languages;
}

const Catalog& ChooseLanguage(std::u16string_view chosen, const std::vector<std::u16string>& displayLanguages) {
  if (const Catalog* catalog = Find(utf8::FromUtf16(chosen))) return *catalog;
  for (const std::u16string& language : displayLanguages) {
    if (const Catalog* catalog = Find(utf8::FromUtf16(language))) return *catalog;
  }
  return Languages().front();
}

}  // namespace quillet
