#pragma once
// An address of a server on the web, split as a connection needs it: "https://host/path",
// "ws://127.0.0.1:7447", "wss://[::1]:8443/x?y". The scheme (without regard to case) is one of a
// caller's two, secure and plain; the authority has no user name, a host (an IPv6 address in
// brackets, or a name that the caller's rule admits) and an optional port from 1 to 65535; what
// follows the authority is handed back untouched for the caller to check, since what a path may
// hold differs between a request line and a handshake.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct WebSchemes {
  std::u16string_view secure, plain;  // lower case: u"https", u"http"
};

// Why a text is no address, in the order the checks are made.
enum class WebAddressFault {
  kScheme,             // no "://", or a scheme other than the two
  kUserName,           // an "@" in the authority
  kNoClosingBracket,   // "[" without "]"
  kTextAfterBracket,   // something other than ":port" after "]"
  kNotIpv6,            // in brackets, but not an IPv6 address
  kNoHost,             // nothing before the port, the path or the end
  kHost,               // a host the caller's rule refuses
  kPort,               // not a number from 1 to 65535
};

struct WebAddressParts {
  bool secure = false;
  std::u16string host;  // letters in lower case; an IPv6 address without its brackets
  std::uint16_t port = 0;  // the scheme's own (443, 80) when none is given
  std::u16string_view rest;  // the text from the first "/", "?" or "#" after the authority on; may be empty
};

struct ParsedWebAddress {
  std::optional<WebAddressParts> parts;
  WebAddressFault fault = WebAddressFault::kScheme;  // when there are no parts
};

// `hostAllowed` judges a host outside brackets (never empty), as typed.
ParsedWebAddress ParseWebAddress(std::u16string_view text, WebSchemes schemes,
                                 bool (*hostAllowed)(std::u16string_view host));

}  // namespace quillet
