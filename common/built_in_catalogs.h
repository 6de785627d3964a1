#pragma once
// The catalogs carried inside the program: po/<language>.po, checked and compiled when the
// program is built (tools/messages.py writes the file that holds them). They are carried packed,
// and unpacked only when a language other than English is first used: one after the other in one
// raw LZMA stream (a catalog shares most of its bytes, the English texts, with the ones before it,
// which LZMA's window reaches; 18 % of their size, where zlib's 32 KiB window left 34 %).
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
  std::string_view lzma;     // a raw LZMA stream (common/lzma_stream.h) of
  std::size_t unpackedSize;  // the catalogs' compiled forms, one after the other
};

PackedCatalogs BuiltInCatalogs();

}  // namespace quillet
