#pragma once
// What became of one attempt to send a line, and the reason in words for the person. Pure
// functions: a reply's status line and the way a connection ended become an outcome.
//   2xx                                           delivered
//   429, 503 (and other 5xx but those below); refused, reset, unreachable; a timeout before the
//   request had left                              temporary
//   401, 403 and every other status               permanent
//   no reply after the whole request had left, a reply that is no HTTP, 500, 502, 504
//                                                 ambiguous: the line may have arrived
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/socket.h"

namespace quillet {

enum class Delivery { kDelivered, kTemporary, kPermanent, kAmbiguous };

struct DeliveryOutcome {
  Delivery kind = Delivery::kTemporary;
  std::u16string reason;      // in words, e.g. "the server refused the password"; empty when delivered
  int retryAfterSeconds = 0;  // what a 429 or 5xx reply asked for (Retry-After, in seconds from now), else 0
};

// A server's (or a relay's) own words as a line's reason keeps them: at most kServerWordsLength
// characters, cut between whole characters and marked "..." when cut, line breaks and other
// control characters as blanks. A server may say a megabyte; the person reads a sentence.
inline constexpr std::size_t kServerWordsLength = 200;
std::u16string ServerWords(std::string_view utf8);

// The outcome of a reply with this status code, from the server at `host`.
DeliveryOutcome FromStatus(int status, std::string_view host, int retryAfterSeconds = 0);

// A reply read from the socket: its status line and headers, once they are complete.
struct ReplyHead {
  int status = 0;
  std::string retryAfter;  // the Retry-After header's value as sent; empty when absent
  std::string rateLimitReset;  // the RateLimit-Reset header's value as sent; empty when absent
  std::string date;            // the Date header's value as sent; empty when absent
  std::size_t bodyStart = 0;   // where in the reply the body begins
};
// The final head of `reply` when its status line and headers have arrived (or, when `ended`, as
// much as came: a status line alone will do); nothing while more is needed or when it is no HTTP.
// Interim heads (1xx: 100 Continue, 103 Early Hints...) before it are passed over; a 101 is taken
// as a final status, since no request of ours asks to switch protocols.
std::optional<ReplyHead> ReadReplyHead(std::string_view reply, bool ended);
// Whether what came so far can no longer become a reply's head: a complete head that is no HTTP.
bool UnreadableReply(std::string_view reply);

// The seconds from `wallNowMs` (milliseconds since 1970 UTC) until the time a Retry-After value
// names: delta-seconds, or an HTTP-date in any of the three forms a recipient must accept
// (IMF-fixdate "Sun, 06 Nov 1994 08:49:37 GMT", RFC 850 "Sunday, 06-Nov-94 08:49:37 GMT", asctime
// "Sun Nov  6 08:49:37 1994"). 0 when absent, unreadable or past.
int RetryAfterSeconds(std::string_view value, std::int64_t wallNowMs);
// An HTTP-date in any of those three forms as milliseconds since 1970 UTC, or nothing. (A two-digit
// year is read as the latest past year with those digits, as of `wallNowMs`.)
std::optional<std::int64_t> HttpDateMs(std::string_view text, std::int64_t wallNowMs);

// The outcome when a socket connection ended before a reply's head arrived.
DeliveryOutcome FromSocketEnd(platform::SocketEnd how, bool requestSent, std::string_view host);
// The outcome when no reply came in time.
DeliveryOutcome FromTimeout(bool requestSent, std::string_view host);
// The outcome of a request through the HTTP client, its Retry-After read at `wallNowMs`.
DeliveryOutcome FromHttpReply(const platform::HttpReply& reply, std::string_view host, std::int64_t wallNowMs);

}  // namespace quillet
