#pragma once
// The address of a server of the user's choice, as typed: "https://social.example.org/api/",
// "http://127.0.0.1:8080", "https://[::1]:8443/". Only http and https, a host, an optional port
// and an optional path; the path always ends in "/" once parsed, so that the interface's own
// paths can be appended. Anything that could not be put safely into a request line (blanks,
// control characters, a user name, a query) is refused with a reason in words.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct ServerAddress {
  bool secure = false;  // https
  std::string host;     // lower case; an IPv6 address without its brackets
  std::uint16_t port = 0;
  std::string basePath;  // begins and ends with "/"

  // The Host header's text: the host, with ":port" when the port is not the scheme's own.
  std::string HostHeader() const;
  // The address with `path` (no leading "/") appended, for messages: "https://host/api/...".
  std::string Url(std::string_view path = {}) const;
};

struct ParsedServer {
  std::optional<ServerAddress> address;
  std::u16string problem;  // why the text is refused, when there is no address
};

ParsedServer ParseServer(std::u16string_view text);

}  // namespace quillet
