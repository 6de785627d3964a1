#pragma once
// The status update request: an HTTP/1.0 POST with Basic authentication whose body carries the
// status form-encoded over UTF-8. Pure functions, no I/O: the window composes, the socket sends.
#include <string>
#include <string_view>

#include "platform/http.h"

namespace quillet::status_request {

inline constexpr std::string_view kBodyPrefix = "source=Quillet&status=";

// application/x-www-form-urlencoded over UTF-8: letters, digits and "-._~" as they are, a blank
// as "+", every other byte of the UTF-8 form as "%XX" (upper-case hex). A lone surrogate
// becomes U+FFFD.
std::string FormEncode(std::u16string_view text);

// "source=Quillet&status=" followed by the encoded status.
std::string StatusBody(std::u16string_view status);

// The whole request: request line, "Authorization: Basic " + token, "Host: " + hostHeader,
// "Connection: close", "user-agent: Quillet", "content-length: " + the body's byte count, an
// empty line, then the body with nothing after it. Lines end in CR LF.
std::string ComposeRequest(std::string_view hostHeader, std::string_view token, std::string_view body);

// Any request in the same form, for a server reached over plain HTTP: the request line with the
// request's method and path, its first header (the authorization), "Host", "Connection",
// "user-agent", its other headers, "content-length", the empty line and the body. The request
// above is this one with only the authorization header.
std::string ComposeRequest(const platform::HttpRequest& request, std::string_view hostHeader);

}  // namespace quillet::status_request
