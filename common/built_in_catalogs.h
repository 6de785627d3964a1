#pragma once
// The catalogs carried inside the program: po/<language>.po, checked and compiled when the
// program is built (tools/messages.py writes the file that holds them).
#include <span>
#include <string_view>

namespace quillet {

struct CompiledCatalog {
  std::string_view file;  // the .po file's name without ".po": "de", "pt_BR"
  std::string_view mo;    // its compiled form
};

std::span<const CompiledCatalog> BuiltInCatalogs();

}  // namespace quillet
