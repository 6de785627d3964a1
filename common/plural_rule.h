#pragma once
// A catalog's plural rule: the C expression of its "Plural-Forms" header ("n != 1", "n > 1",
// "0", Arabic's six-way chain of ?:), which gives the index of the form to use for a count n.
// The operators are those the rules use: ?: || && == != < > <= >= + - * / % ! and parentheses.
#include <optional>
#include <string_view>

namespace quillet {

// The form's index for n; nullopt when the expression cannot be read (or divides by zero).
std::optional<unsigned long> PluralIndex(std::string_view rule, unsigned long n);

}  // namespace quillet
