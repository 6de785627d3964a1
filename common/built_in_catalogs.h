#pragma once
// The catalogs carried inside the program: po/<language>.po, checked and compiled when the
// program is built (tools/messages.py writes the file that holds them). They are carried packed,
// and unpacked only when a language other than English is first used: one after the other in one
// LZ4 block (a catalog shares most of its bytes, the English texts, with the one before it, and
// LZ4 reaches 64 KiB back), that block itself in a zlib stream (whose codes shorten the words
// LZ4 leaves as they are).
#include <cstddef>
#include <span>
#include <string_view>

namespace quillet {

struct CompiledCatalog {
  std::string_view file;  // the .po file's name without ".po": "de", "pt_BR"
  std::string_view tag;   // its language as Catalog::Tag() gives it: "de", "pt-BR"
  std::size_t offset;     // where its compiled form (.mo) starts in the unpacked block
  std::size_t size;       // and its length
};

struct PackedCatalogs {
  std::span<const CompiledCatalog> catalogs;
  std::string_view zlib;     // a zlib stream of
  std::size_t blockSize;     // a block in LZ4's block format of
  std::size_t unpackedSize;  // the catalogs' compiled forms, one after the other
};

PackedCatalogs BuiltInCatalogs();

}  // namespace quillet
