// Scramble and Unscramble: any password of codes 1..255 round-trips whatever the draws, every
// stored character fits one byte, and any stored text decodes without failing.
#include <cstdlib>

#include "common/codepage.h"
#include "settings/password_scrambling.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::Input input(data, size);
  std::u16string password;
  for (std::size_t length = input.Byte() % 64; length > 0 && !input.empty(); --length) {
    auto code = input.Byte();
    if (code != 0) password.push_back(quillet::ByteToChar(code));
  }
  auto draw = [&input] { return input.Byte() / 256.0; };
  std::u16string stored = quillet::password_scrambling::Scramble(password, draw);
  if (stored.size() != 4 * password.size()) std::abort();
  for (std::size_t i = 0; i < stored.size(); ++i) {
    int code = quillet::CharToByte(stored[i]);
    if (quillet::ByteToChar(static_cast<std::uint8_t>(code)) != stored[i] || code < 49) std::abort();
    if (i % 4 == 3 && (code < 50 || code > 99)) std::abort();
  }
  if (quillet::password_scrambling::Unscramble(stored) != password) std::abort();

  std::u16string any = input.Text16(true);
  if (quillet::password_scrambling::Unscramble(any).size() > (any.size() + 3) / 4) std::abort();
  return 0;
}
