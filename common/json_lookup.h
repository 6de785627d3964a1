#pragma once
// Reads one value out of a JSON document by its path of member names, e.g.
// {"configuration": {"statuses": {"max_characters": 500}}}. Only what a server's reply needs:
// the value at the path must be a string (returned unescaped, as UTF-8) or a number (returned as
// written). A document that is not well-formed JSON, nests deeper than 64 levels, or lacks the
// path gives nothing.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::json {

std::optional<std::string> Lookup(std::string_view document, std::initializer_list<std::string_view> path);

// The value at `path` of any kind (an array, an object, true...) as it is written in the document,
// for reading further with these functions.
std::optional<std::string_view> ValueText(std::string_view document, std::initializer_list<std::string_view> path);

// For a document that is an array, the value at `path` in each of its elements that has one, in
// order, e.g. each status's "content" in [{"content": "..."}, ...]. Nothing for a document that is
// not well-formed or not an array.
std::vector<std::string> LookupEach(std::string_view document, std::initializer_list<std::string_view> path);

// For a document that is an array, the text of each of its elements, in order (each a document of
// its own for Lookup). Nothing for a document that is not well-formed or not an array.
std::optional<std::vector<std::string_view>> Elements(std::string_view document);

}  // namespace quillet::json
