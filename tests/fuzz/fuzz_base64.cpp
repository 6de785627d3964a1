// Encode on any text: the output decodes back to the text's code-page bytes.
#include <cstdlib>

#include "common/codepage.h"
#include "delivery/base64.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

std::string Decode(const std::u16string& encoded) {
  const std::u16string alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (char16_t ch : encoded) {
    if (ch == u'=') break;
    auto value = alphabet.find(ch);
    if (value == std::u16string::npos) std::abort();
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  if ((bits & ((1u << count) - 1)) != 0) std::abort();  // unused low bits are zero
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::Input input(data, size);
  std::u16string text = input.Text16(true);
  std::u16string encoded = quillet::base64::Encode(text);
  if (encoded.size() != 4 * ((text.size() + 2) / 3)) std::abort();
  if (Decode(encoded) != quillet::ToAnsi(text)) std::abort();
  return 0;
}
