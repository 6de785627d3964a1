// What comes from a server of the user's choice, and what the user types as its address: any
// reply body gives a name and a limit or nothing (the limit within 1..5000, the name printable),
// any reply read as a head gives a final status and a wait that is never negative,
// an address is either refused with a reason or parsed into parts that can go into a request
// line and a Host header as they are, and a reply with its secrets taken out is one line.
#include <cctype>
#include <cstdlib>
#include <string>

#include "common/json_lookup.h"
#include "common/trace.h"
#include "networks/bluesky/bluesky_api.h"
#include "delivery/outcome.h"
#include "delivery/server_address.h"
#include "networks/service_api.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SafeInRequestLine(const std::string& text) {
  for (char ch : text)
    if (static_cast<unsigned char>(ch) <= 0x20 || static_cast<unsigned char>(ch) >= 0x7F) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::Input input(data, size);
  std::u16string typed = input.Text16();
  std::string body(reinterpret_cast<const char*>(data), size);
  using namespace quillet;

  quillet::ParsedServer parsed = ParseServer(typed);
  Check(parsed.address.has_value() != !parsed.problem.empty());
  if (parsed.address) {
    Check(parsed.address->port != 0 && !parsed.address->host.empty());
    Check(parsed.address->basePath.front() == '/' && parsed.address->basePath.back() == '/');
    Check(SafeInRequestLine(parsed.address->basePath) && SafeInRequestLine(parsed.address->HostHeader()));
  }
  for (ServiceApi api : {ServiceApi::kTwitter, ServiceApi::kMastodon}) {
    if (auto limit = service_replies::TextLimit(api, body)) Check(*limit >= 1 && *limit <= kLargestTextLimit);
    if (auto name = service_replies::SignedInName(api, body)) {
      Check(!name->empty());
      for (char16_t ch : *name) Check(ch >= 0x20);
    }
  }
  (void)json::Lookup(body, {"a", "b"});
  // Bluesky: a session's values are single lines; an error name is plain; links lie inside the text.
  if (auto session = bluesky::ReadSession(body))
    for (const std::string& value : {session->did, session->accessJwt, session->refreshJwt})
      Check(!value.empty() && value.find('\n') == std::string::npos);
  for (char ch : bluesky::ErrorName(body)) Check(std::isalnum(static_cast<unsigned char>(ch)));
  for (const auto& link : bluesky::FindLinks(body))
    Check(link.byteStart < link.byteEnd && link.byteEnd <= body.size() &&
          body.compare(link.byteStart, link.byteEnd - link.byteStart, link.uri) == 0);
  // A reply's words on their way to the log stay one line.
  Check(WithoutSecrets(body).find_first_of("\r\n") == std::string::npos);
  // A reply's head: a final status only (no interim 1xx but 101), a wait never negative.
  for (bool ended : {false, true}) {
    if (auto head = ReadReplyHead(body, ended)) {
      Check(head->status >= 100 && (head->status / 100 != 1 || head->status == 101));
      Check(RetryAfterSeconds(head->retryAfter, 1792567620000) >= 0);
    }
  }
  Check(RetryAfterSeconds(body, 0) >= 0 && RetryAfterSeconds(body, 4102444800000) >= 0);
  return 0;
}
