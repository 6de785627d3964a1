#include "delivery/outcome.h"

#include <charconv>

#include "common/codepage.h"

namespace quillet {
namespace {

std::u16string Host(std::string_view host) { return Widen(host); }

std::u16string Code(int status) { return u" (" + Widen(std::to_string(status)) + u")"; }

// A whole number of seconds, as Retry-After gives it; 0 for anything else (an HTTP date).
int Seconds(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  int seconds = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc{} || end != text.data() + text.size() || seconds < 0) return 0;
  return seconds;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

DeliveryOutcome FromStatus(int status, std::string_view host, int retryAfterSeconds) {
  if (status / 100 == 2) return {Delivery::kDelivered, u"", 0};
  if (status == 429) return {Delivery::kTemporary, Host(host) + u" asked to wait" + Code(status), retryAfterSeconds};
  if (status / 100 == 5)
    return {Delivery::kTemporary, Host(host) + u" could not take the line just now" + Code(status), retryAfterSeconds};
  if (status == 401 || status == 403) return {Delivery::kPermanent, u"the server refused the password" + Code(status)};
  if (status == 404) return {Delivery::kPermanent, u"the server has no such address" + Code(status)};
  if (status / 100 == 3) return {Delivery::kPermanent, u"the server sends Quillet elsewhere" + Code(status)};
  return {Delivery::kPermanent, u"the server refused the line" + Code(status)};
}

std::optional<ReplyHead> ReadReplyHead(std::string_view reply, bool ended) {
  std::size_t headEnd = reply.find("\r\n\r\n");
  std::size_t lineEnd = reply.find("\r\n");
  if (headEnd == std::string_view::npos) {
    if (!ended || lineEnd == std::string_view::npos) return std::nullopt;
    headEnd = reply.size();
  }
  // "HTTP/1.x NNN ..."
  std::string_view line = reply.substr(0, lineEnd);
  if (!StartsWithNoCase(line, "HTTP/") || line.size() < 12) return std::nullopt;
  std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank + 4 > line.size()) return std::nullopt;
  std::string_view digits = line.substr(blank + 1, 3);
  int status = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + 3, status);
  if (error != std::errc{} || end != digits.data() + 3 || status < 100) return std::nullopt;

  ReplyHead head{.status = status};
  std::string_view headers = reply.substr(lineEnd, headEnd - lineEnd);
  for (std::size_t at = 0; at < headers.size();) {
    std::size_t next = headers.find("\r\n", at + 2);
    std::string_view header =
        headers.substr(at + 2, next == std::string_view::npos ? std::string_view::npos : next - at - 2);
    if (StartsWithNoCase(header, "retry-after:")) head.retryAfterSeconds = Seconds(header.substr(12));
    if (next == std::string_view::npos) break;
    at = next;
  }
  return head;
}

DeliveryOutcome FromSocketEnd(platform::SocketEnd how, bool requestSent, std::string_view host) {
  if (how == platform::SocketEnd::kNotConnected)
    return {Delivery::kTemporary, u"no answer from " + Host(host) + u" (could not connect)"};
  if (requestSent)
    return {Delivery::kAmbiguous, Host(host) + u" closed the connection without an answer; the line may have arrived"};
  return {Delivery::kTemporary, u"the connection to " + Host(host) + u" broke"};
}

DeliveryOutcome FromTimeout(bool requestSent, std::string_view host) {
  if (requestSent) return {Delivery::kAmbiguous, u"no answer from " + Host(host) + u"; the line may have arrived"};
  return {Delivery::kTemporary, u"no answer from " + Host(host)};
}

DeliveryOutcome FromHttpReply(const platform::HttpReply& reply, std::string_view host) {
  using platform::HttpOutcome;
  switch (reply.outcome) {
    case HttpOutcome::kReplied:
      return FromStatus(reply.status, host);
    case HttpOutcome::kUnreachable:
      return reply.requestSent ? FromSocketEnd(platform::SocketEnd::kReset, true, host)
                               : DeliveryOutcome{Delivery::kTemporary, u"no answer from " + Host(host)};
    case HttpOutcome::kTimedOut:
      return FromTimeout(reply.requestSent, host);
    case HttpOutcome::kCertificateUntrusted:
    case HttpOutcome::kCertificateExpired:
    case HttpOutcome::kCertificateWrongName:
      return {Delivery::kPermanent, u"the certificate of " + Host(host) + u" cannot be trusted"};
    case HttpOutcome::kSecureChannelFailed:
      return {Delivery::kTemporary, u"no secure connection to " + Host(host)};
    case HttpOutcome::kFailed:
    default:
      return reply.requestSent ? FromTimeout(true, host)
                               : DeliveryOutcome{Delivery::kTemporary, u"the line could not be sent to " + Host(host)};
  }
}

}  // namespace quillet
