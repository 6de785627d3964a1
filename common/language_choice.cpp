#include "common/language_choice.h"

#include <cctype>
#include <cstdint>

#include "common/built_in_catalogs.h"
#include "common/lzma_stream.h"
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

// The tags of the languages the program has, English first, known without unpacking a catalog.
std::vector<std::string_view> Tags() {
  std::vector<std::string_view> tags{"en"};
  for (const CompiledCatalog& compiled : BuiltInCatalogs().catalogs) tags.push_back(compiled.tag);
  return tags;
}

// The tag of the language for the tag exactly, else the first of its language; empty when none.
std::string_view Find(std::string_view tag) {
  if (tag.empty()) return {};
  std::vector<std::string_view> tags = Tags();
  for (std::string_view have : tags) {
    if (Normal(have) == Normal(tag)) return have;
  }
  for (std::string_view have : tags) {
    if (LanguageAlone(have) == LanguageAlone(tag)) return have;
  }
  return {};
}

const Catalog& WithTag(std::string_view tag) {
  if (tag == English().Tag()) return English();
  for (const Catalog& catalog : Languages()) {
    if (catalog.Tag() == tag) return catalog;
  }
  return English();
}

}  // namespace

const Catalog& English() {
  static const Catalog english;
  return english;
}

const std::vector<Catalog>& Languages() {
  static const std::vector<Catalog> languages = [] {
    std::vector<Catalog> read{English()};
    PackedCatalogs packed = BuiltInCatalogs();
    std::optional<std::string> unpacked = UnpackLzma(packed.lzma, packed.unpackedSize);
    if (!unpacked) return read;  // a build fault the unit tests catch: English alone
    for (const CompiledCatalog& compiled : packed.catalogs) {
      if (compiled.offset > unpacked->size() || compiled.size > unpacked->size() - compiled.offset) continue;
      std::string_view mo = std::string_view(*unpacked).substr(compiled.offset, compiled.size);
      if (std::optional<Catalog> catalog = Catalog::FromMo(mo)) read.push_back(std::move(*catalog));
    }
    return read;
  }();
  return languages;
}

const Catalog& ChooseLanguage(std::u16string_view chosen, const std::vector<std::u16string>& displayLanguages) {
  if (std::string_view tag = Find(utf8::FromUtf16(chosen)); !tag.empty()) return WithTag(tag);
  for (const std::u16string& language : displayLanguages) {
    if (std::string_view tag = Find(utf8::FromUtf16(language)); !tag.empty()) return WithTag(tag);
  }
  return English();
}

}  // namespace quillet
