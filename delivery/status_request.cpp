#include "delivery/status_request.h"

#include <cstdint>

namespace quillet::status_request {
namespace {

bool IsUnreserved(char32_t ch) {
  return (ch >= U'A' && ch <= U'Z') || (ch >= U'a' && ch <= U'z') || (ch >= U'0' && ch <= U'9') || ch == U'-' ||
         ch == U'.' || ch == U'_' || ch == U'~';
}

void AppendEscaped(std::string& out, std::uint8_t byte) {
  constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0x0F]);
}

// The code point starting at text[i]; advances i past it.
char32_t NextCodePoint(std::u16string_view text, std::size_t& i) {
  char16_t unit = text[i++];
  if (unit >= 0xD800 && unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
    char16_t low = text[i++];
    return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) return 0xFFFD;  // a lone half of a pair
  return unit;
}

void AppendEncoded(std::string& out, char32_t cp) {
  if (IsUnreserved(cp)) {
    out.push_back(static_cast<char>(cp));
  } else if (cp == U' ') {
    out.push_back('+');
  } else if (cp < 0x80) {
    AppendEscaped(out, static_cast<std::uint8_t>(cp));
  } else if (cp < 0x800) {
    AppendEscaped(out, static_cast<std::uint8_t>(0xC0 | (cp >> 6)));
    AppendEscaped(out, static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    AppendEscaped(out, static_cast<std::uint8_t>(0xE0 | (cp >> 12)));
    AppendEscaped(out, static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
    AppendEscaped(out, static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
  } else {
    AppendEscaped(out, static_cast<std::uint8_t>(0xF0 | (cp >> 18)));
    AppendEscaped(out, static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F)));
    AppendEscaped(out, static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
    AppendEscaped(out, static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string FormEncode(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size();) AppendEncoded(out, NextCodePoint(text, i));
  return out;
}

std::string StatusBody(std::u16string_view status) { return std::string(kBodyPrefix) + FormEncode(status); }

std::string ComposeRequest(std::string_view hostHeader, std::string_view token, std::string_view body) {
  platform::HttpRequest request{.method = "POST", .path = "/statuses/update.xml", .body = std::string(body)};
  request.headers = {{"Authorization", "Basic " + std::string(token)}};
  return ComposeRequest(request, hostHeader);
}

std::string ComposeRequest(const platform::HttpRequest& request, std::string_view hostHeader) {
  auto appendHeader = [](std::string& out, std::string_view name, std::string_view value) {
    out.append(name).append(": ").append(value).append("\r\n");
  };
  std::string out;
  out.reserve(256 + hostHeader.size() + request.path.size() + request.body.size());
  out.append(request.method).append(" ").append(request.path).append(" HTTP/1.0\r\n");
  if (!request.headers.empty()) appendHeader(out, request.headers[0].first, request.headers[0].second);
  appendHeader(out, "Host", hostHeader);
  appendHeader(out, "Connection", "close");
  appendHeader(out, "user-agent", "Quillet");
  for (std::size_t i = 1; i < request.headers.size(); ++i)
    appendHeader(out, request.headers[i].first, request.headers[i].second);
  appendHeader(out, "content-length", std::to_string(request.body.size()));
  out.append("\r\n");
  out.append(request.body);
  return out;
}

}  // namespace quillet::status_request
