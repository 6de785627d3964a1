// The status request for any confirmed text: the body always decodes back to the text,
// "content-length" always equals the body's bytes, and the header lines stay as they are.
#include <cstdlib>
#include <string>
#include <vector>

#include "delivery/base64.h"
#include "delivery/status_request.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The text's code points; a lone half of a surrogate pair stands for U+FFFD.
std::vector<char32_t> CodePoints(const std::u16string& text) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    bool high = unit >= 0xD800 && unit < 0xDC00;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      points.push_back(0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00));
    } else {
      points.push_back(unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
  }
  return points;
}

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  std::abort();  // only upper-case hex digits are written
}

// application/x-www-form-urlencoded back to bytes, rejecting anything an encoder must escape.
std::string FormDecode(const std::string& encoded) {
  std::string bytes;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    char ch = encoded[i];
    if (ch == '+') {
      bytes.push_back(' ');
    } else if (ch == '%') {
      Check(i + 2 < encoded.size());
      bytes.push_back(static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2])));
      i += 2;
    } else {
      bool unreserved = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
                        ch == '.' || ch == '_' || ch == '~';
      Check(unreserved);
      bytes.push_back(ch);
    }
  }
  return bytes;
}

// Strict UTF-8 to code points.
std::vector<char32_t> Utf8Decode(const std::string& bytes) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < bytes.size();) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    Check(extra >= 0);
    char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      Check(i + k < bytes.size());
      auto next = static_cast<unsigned char>(bytes[i + k]);
      Check((next & 0xC0) == 0x80);
      point = (point << 6) | (next & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    Check(point >= kSmallest[extra]);  // no overlong forms
    points.push_back(point);
    i += 1 + static_cast<std::size_t>(extra);
  }
  return points;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::Input input(data, size);
  std::u16string credentials = input.Text16();
  std::u16string status = input.Text16(true);
  using namespace quillet::status_request;

  std::string token;
  try {
    std::u16string encoded = quillet::base64::Encode(credentials);
    token.assign(encoded.begin(), encoded.end());
  } catch (...) {
    return 0;  // a character the code page cannot hold: nothing is sent
  }
  std::string body = StatusBody(status);
  std::string request = ComposeRequest("example.net", token, body);

  const std::string head = "POST /statuses/update.xml HTTP/1.0\r\nAuthorization: Basic " + token +
                           "\r\nHost: example.net\r\nConnection: close\r\nuser-agent: Quillet\r\ncontent-length: ";
  Check(request.compare(0, head.size(), head) == 0);
  auto end = request.find("\r\n\r\n", head.size());
  Check(end != std::string::npos);
  Check(request.substr(head.size(), end - head.size()) == std::to_string(body.size()));
  Check(request.substr(end + 4) == body);  // nothing after the body

  Check(body.compare(0, kBodyPrefix.size(), kBodyPrefix) == 0);
  std::string encodedStatus = body.substr(kBodyPrefix.size());
  Check(encodedStatus.find('&') == std::string::npos && encodedStatus.find('=') == std::string::npos);
  Check(Utf8Decode(FormDecode(encodedStatus)) == CodePoints(status));
  return 0;
}
