#pragma once
// Zeroes memory that held a secret, in a way the compiler may not leave out (as SecureZeroMemory
// does on Windows): each byte is written through a volatile pointer.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

inline void Wipe(void* memory, std::size_t size) {
  auto* bytes = static_cast<volatile std::uint8_t*>(memory);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

// The text's characters (its buffer stays, zeroed); then it is empty.
template <typename Char>
void Wipe(std::basic_string<Char>& text) {
  Wipe(text.data(), text.size() * sizeof(Char));
  text.clear();
}

}  // namespace quillet
