#pragma once
// Which language the program speaks: the one chosen in Options ("Language", a tag such as "de"
// or "pt-BR"), else Windows' display languages in the person's order, each as it is ("pt-BR")
// or as its language alone ("de-AT" is German), else English.
#include <string>
#include <string_view>
#include <vector>

#include "common/catalog.h"

namespace quillet {

// English: the texts as written. Choosing it unpacks no catalog.
const Catalog& English();

// The catalogs the program has, English first, each read once (all unpacked at the first call).
const std::vector<Catalog>& Languages();

// The catalog for a chosen language (empty: none chosen) and Windows' display languages.
const Catalog& ChooseLanguage(std::u16string_view chosen, const std::vector<std::u16string>& displayLanguages);

}  // namespace quillet
