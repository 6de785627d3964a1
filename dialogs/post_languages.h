#pragma once
// The languages an account's posts may be marked with: common ISO 639-1 codes with their English
// names, which the account dialog's list shows in the person's own language, sorted as shown.
#include <string>
#include <string_view>
#include <vector>

#include "common/catalog.h"

namespace quillet {

struct PostLanguageChoice {
  std::string code;     // "de"
  std::u16string name;  // in the person's language: "German", "Deutsch", "ドイツ語"
};

// Every language of the table, named through `words` and sorted by that name, letters compared
// without regard to case or accents.
std::vector<PostLanguageChoice> PostLanguageChoices(const Catalog& words);

}  // namespace quillet
