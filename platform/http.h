#pragma once
// HTTP requests to a server of the user's choice, over TLS where the address asks for it.
// Send returns at once; the name lookup, the connection, TLS and the exchange run off the
// user-interface thread, and the outcome comes back later as a call on that thread. Redirects
// are never followed (the reply says where to), certificates are always checked, and every
// stage gives up after 30 seconds.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/callback.h"

namespace quillet::platform {

struct HttpRequest {
  std::string method;   // "GET" or "POST"
  bool secure = false;  // https
  std::string host;     // a name, an IPv4 address, or an IPv6 address without brackets
  std::uint16_t port = 0;
  std::string path;                                          // from the first "/", with the query if any
  std::vector<std::pair<std::string, std::string>> headers;  // besides Host and Content-Length
  std::string body;
  // The Host header's text where it is not the host's own (the built-in service is reached at one
  // name and named by another); empty: the host, with ":port" when the port is not the scheme's.
  std::string hostHeader;
  // The reply's status and headers are all that is wanted: a client may end the exchange once
  // they have come, without the body.
  bool headOnly = false;
};

enum class HttpOutcome {
  kReplied,               // a status line came back; see status
  kUnreachable,           // the name did not resolve, or the connection was refused or reset
  kTimedOut,              // a stage took longer than 30 seconds
  kCertificateUntrusted,  // the chain does not end at a trusted root
  kCertificateExpired,    // outside its validity dates
  kCertificateWrongName,  // issued for another name
  kSecureChannelFailed,   // any other TLS failure
  kUnreadable,            // something came back that is not an HTTP reply
  kFailed,                // anything else (an address that cannot be used, out of memory...)
};

struct HttpReply {
  HttpOutcome outcome = HttpOutcome::kFailed;
  int status = 0;            // the status code, when outcome is kReplied
  std::string location;      // the Location header of a redirect, as sent
  std::string body;          // the reply's body (at most 1 MB is kept)
  bool requestSent = false;  // the whole request had left before the failure
  std::string retryAfter;    // the Retry-After header's value, as sent; empty when absent
  std::string rateLimitReset;  // the RateLimit-Reset header's value (seconds since 1970 at XRPC servers), as sent
  std::string date;            // the Date header's value (the server's clock when it replied), as sent
};

class IHttpClient {
 public:
  virtual ~IHttpClient() = default;
  // Starts the request. `done` runs once, later, on the user-interface thread; never after the
  // client has been destroyed.
  virtual void Send(HttpRequest request, Callback<void(HttpReply)> done) = 0;
};

}  // namespace quillet::platform
