// The head of a request the loopback listener hands on, as any program on this computer may send
// it: reading it never fails, only GET /callback counts, and values that QueryText encoded come
// back as they were.
#include <cstdlib>
#include <string>

#include "dialogs/browser_sign_in.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::Input input(data, size);
  std::string code = input.Bytes();
  std::string state = input.Bytes();
  std::string head = input.Rest();

  quillet::CallbackRequest any = quillet::ParseCallbackRequest(head);
  if (any.isCallback) Check(head.rfind("GET /callback", 0) == 0);
  Check(any.code.size() <= head.size() && any.state.size() <= head.size() && any.error.size() <= head.size());

  std::string sent = "GET /callback?" + quillet::QueryText({{"code", code}, {"state", state}}) + " HTTP/1.1\r\n" + head;
  quillet::CallbackRequest request = quillet::ParseCallbackRequest(sent);
  Check(request.isCallback && request.code == code && request.state == state && request.error.empty());
  return 0;
}
