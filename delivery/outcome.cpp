#include "delivery/outcome.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "common/catalog.h"
#include "common/civil_date.h"
#include "common/codepage.h"
#include "common/utf8.h"

namespace quillet {
namespace {

std::u16string Host(std::string_view host) { return Widen(host); }

std::u16string Number(int status) { return Widen(std::to_string(status)); }

// A reason in English, kept with the line; its template is translated where it is shown.
std::u16string Reason(const char16_t* english, std::initializer_list<std::u16string_view> values) {
  return FillIn(english, values);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool IsLetter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }

// Reads text from the front of a value, one piece at a time; any mismatch spoils it for good.
class DateReader {
 public:
  explicit DateReader(std::string_view text) : text_(text) {}
  bool Good() const { return good_; }
  bool AtEnd() const { return text_.empty(); }

  void Expect(std::string_view literal) {
    if (text_.substr(0, literal.size()) != literal) good_ = false;
    if (good_) text_.remove_prefix(literal.size());
  }
  // A run of letters, such as a day's name (not checked: the date says which day it is).
  void Letters() {
    std::size_t n = 0;
    while (n < text_.size() && IsLetter(text_[n])) ++n;
    if (n < 3) good_ = false;
    if (good_) text_.remove_prefix(n);
  }
  // Exactly `digits` digits.
  int Number(std::size_t digits) {
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
      if (i >= text_.size() || !IsDigit(text_[i])) {
        good_ = false;
        return 0;
      }
      value = value * 10 + (text_[i] - '0');
    }
    text_.remove_prefix(digits);
    return value;
  }
  // "Jan".."Dec", as 1..12.
  int Month() {
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    std::string_view name = text_.substr(0, 3);
    std::size_t at = name.size() == 3 ? kMonths.find(name) : std::string_view::npos;
    if (at == std::string_view::npos || at % 3 != 0) {
      good_ = false;
      return 0;
    }
    text_.remove_prefix(3);
    return static_cast<int>(at / 3) + 1;
  }

 private:
  std::string_view text_;
  bool good_ = true;
};

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

void ReadTime(DateReader& in, DateTime& t) {
  t.hour = in.Number(2);
  in.Expect(":");
  t.minute = in.Number(2);
  in.Expect(":");
  t.second = in.Number(2);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::int64_t> HttpDateMs(std::string_view text, std::int64_t wallNowMs) {
  DateTime t;
  DateReader in(text);
  in.Letters();
  if (text.find(',') != std::string_view::npos) {
    in.Expect(", ");
    t.day = in.Number(2);
    if (text.find('-') != std::string_view::npos) {
      // RFC 850: "Sunday, 06-Nov-94 08:49:37 GMT"; a two-digit year more than 50 years ahead
      // is the latest past year that ends in those digits.
      in.Expect("-");
      t.month = in.Month();
      in.Expect("-");
      int twoDigits = in.Number(2);
      int nowYear = static_cast<int>(1970 + wallNowMs / 31556952000LL);
      t.year = nowYear / 100 * 100 + twoDigits;
      if (t.year > nowYear + 50) t.year -= 100;
    } else {
      // IMF-fixdate: "Sun, 06 Nov 1994 08:49:37 GMT"
      in.Expect(" ");
      t.month = in.Month();
      in.Expect(" ");
      t.year = in.Number(4);
    }
    in.Expect(" ");
    ReadTime(in, t);
    in.Expect(" GMT");
  } else {
    // asctime: "Sun Nov  6 08:49:37 1994"
    in.Expect(" ");
    t.month = in.Month();
    in.Expect(" ");
    DateReader twoDigits = in;
    t.day = twoDigits.Number(2);
    if (twoDigits.Good()) {
      in = twoDigits;
    } else {
      in.Expect(" ");
      t.day = in.Number(1);
    }
    in.Expect(" ");
    ReadTime(in, t);
    in.Expect(" ");
    t.year = in.Number(4);
  }
  if (!in.Good() || !in.AtEnd()) return std::nullopt;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 60)
    return std::nullopt;
  std::int64_t seconds = DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
  return seconds * 1000;
}

namespace {

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

std::u16string ServerWords(std::string_view utf8) {
  // Only the start is decoded: a character takes at most four bytes.
  std::u16string words = utf8::ToUtf16(utf8.substr(0, 4 * (kServerWordsLength + 1)));
  bool cut = words.size() > kServerWordsLength || utf8.size() > 4 * (kServerWordsLength + 1);
  if (words.size() > kServerWordsLength) {
    words.resize(kServerWordsLength);
    if (words.back() >= 0xD800 && words.back() <= 0xDBFF) words.pop_back();  // half a character
  }
  for (char16_t& ch : words)
    if (ch < 0x20 || ch == 0x7F) ch = u' ';
  if (cut) words += u"...";
  return words;
}

DeliveryOutcome FromStatus(int status, std::string_view host, int retryAfterSeconds) {
  if (status / 100 == 2) return {Delivery::kDelivered, u"", 0};
  if (status == 429) return {Delivery::kTemporary, Reason(Translatable(u"%1 asked to wait (%2)"), {Host(host), Number(status)}), retryAfterSeconds};
  // A proxy's 502 or 504, or a server's 500, may come after the server behind it stored the line;
  // a 503 is the server saying it takes nothing just now.
  if (status == 500 || status == 502 || status == 504)
    return {Delivery::kAmbiguous, Reason(Translatable(u"%1 failed while taking the line (%2); it may have arrived"), {Host(host), Number(status)}),
            retryAfterSeconds};
  if (status / 100 == 5)
    return {Delivery::kTemporary, Reason(Translatable(u"%1 could not take the line just now (%2)"), {Host(host), Number(status)}), retryAfterSeconds};
  if (status == 401 || status == 403) return {Delivery::kPermanent, Reason(Translatable(u"the server refused the password (%1)"), {Number(status)})};
  if (status == 404) return {Delivery::kPermanent, Reason(Translatable(u"the server has no such address (%1)"), {Number(status)})};
  if (status / 100 == 3) return {Delivery::kPermanent, Reason(Translatable(u"the server sends Quillet elsewhere (%1)"), {Number(status)})};
  return {Delivery::kPermanent, Reason(Translatable(u"the server refused the line (%1)"), {Number(status)})};
}

namespace {

// Where the head that is not an interim one starts: past every complete 1xx head but a 101.
std::size_t FinalHeadStart(std::string_view reply) {
  std::size_t start = 0;
  for (;;) {
    std::string_view rest = reply.substr(start);
    std::size_t headEnd = rest.find("\r\n\r\n");
    if (headEnd == std::string_view::npos || !StartsWithNoCase(rest, "HTTP/")) return start;
    std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos || blank > headEnd || rest.size() < blank + 4) return start;
    std::string_view digits = rest.substr(blank + 1, 3);
    if (digits[0] != '1' || !IsDigit(digits[1]) || !IsDigit(digits[2]) || digits == "101") return start;
    start += headEnd + 4;
  }
}

}  // namespace

std::optional<ReplyHead> ReadReplyHead(std::string_view reply, bool ended) {
  std::size_t finalHead = FinalHeadStart(reply);
  reply.remove_prefix(finalHead);
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
  if (status / 100 == 1 && status != 101) return std::nullopt;  // an interim head cut short by the end

  ReplyHead head{.status = status, .bodyStart = finalHead + std::min(headEnd + 4, reply.size())};
  std::string_view headers = reply.substr(lineEnd, headEnd - lineEnd);
  for (std::size_t at = 0; at < headers.size();) {
    std::size_t next = headers.find("\r\n", at + 2);
    std::string_view header =
        headers.substr(at + 2, next == std::string_view::npos ? std::string_view::npos : next - at - 2);
    if (StartsWithNoCase(header, "retry-after:")) head.retryAfter = std::string(Trimmed(header.substr(12)));
    if (StartsWithNoCase(header, "ratelimit-reset:")) head.rateLimitReset = std::string(Trimmed(header.substr(16)));
    if (StartsWithNoCase(header, "date:")) head.date = std::string(Trimmed(header.substr(5)));
    if (next == std::string_view::npos) break;
    at = next;
  }
  return head;
}

bool UnreadableReply(std::string_view reply) {
  return !ReadReplyHead(reply, false) &&
         reply.substr(FinalHeadStart(reply)).find("\r\n\r\n") != std::string_view::npos;
}

int RetryAfterSeconds(std::string_view value, std::int64_t wallNowMs) {
  value = Trimmed(value);
  if (value.empty()) return 0;
  if (std::all_of(value.begin(), value.end(), [](char ch) { return IsDigit(ch); })) {
    // delta-seconds; more than an int holds is as good as forever
    std::int64_t seconds = 0;
    for (char ch : value) seconds = std::min<std::int64_t>(seconds * 10 + (ch - '0'), INT_MAX);
    return static_cast<int>(seconds);
  }
  std::optional<std::int64_t> dateMs = HttpDateMs(value, wallNowMs);
  if (!dateMs || *dateMs <= wallNowMs) return 0;
  std::int64_t seconds = (*dateMs - wallNowMs + 999) / 1000;
  return static_cast<int>(std::min<std::int64_t>(seconds, INT_MAX));
}

DeliveryOutcome FromSocketEnd(platform::SocketEnd how, bool requestSent, std::string_view host) {
  if (how == platform::SocketEnd::kNotConnected)
    return {Delivery::kTemporary, Reason(Translatable(u"no answer from %1 (could not connect)"), {Host(host)})};
  if (requestSent)
    return {Delivery::kAmbiguous, Reason(Translatable(u"%1 closed the connection without an answer; the line may have arrived"), {Host(host)})};
  return {Delivery::kTemporary, Reason(Translatable(u"the connection to %1 broke"), {Host(host)})};
}

DeliveryOutcome FromTimeout(bool requestSent, std::string_view host) {
  if (requestSent) return {Delivery::kAmbiguous, Reason(Translatable(u"no answer from %1; the line may have arrived"), {Host(host)})};
  return {Delivery::kTemporary, Reason(Translatable(u"no answer from %1"), {Host(host)})};
}

DeliveryOutcome FromHttpReply(const platform::HttpReply& reply, std::string_view host, std::int64_t wallNowMs) {
  using platform::HttpOutcome;
  switch (reply.outcome) {
    case HttpOutcome::kReplied:
      return FromStatus(reply.status, host, RetryAfterSeconds(reply.retryAfter, wallNowMs));
    case HttpOutcome::kUnreachable:
      return FromSocketEnd(reply.requestSent ? platform::SocketEnd::kReset : platform::SocketEnd::kNotConnected,
                           reply.requestSent, host);
    case HttpOutcome::kUnreadable:
      return {Delivery::kAmbiguous, Reason(Translatable(u"%1 gave an answer Quillet cannot read; the line may have arrived"), {Host(host)})};
    case HttpOutcome::kTimedOut:
      return FromTimeout(reply.requestSent, host);
    case HttpOutcome::kCertificateUntrusted:
    case HttpOutcome::kCertificateExpired:
    case HttpOutcome::kCertificateWrongName:
      return {Delivery::kPermanent, Reason(Translatable(u"the certificate of %1 cannot be trusted"), {Host(host)})};
    case HttpOutcome::kSecureChannelFailed:
      return {Delivery::kTemporary, Reason(Translatable(u"no secure connection to %1"), {Host(host)})};
    case HttpOutcome::kFailed:
    default:
      return reply.requestSent ? FromTimeout(true, host)
                               : DeliveryOutcome{Delivery::kTemporary, Reason(Translatable(u"the line could not be sent to %1"), {Host(host)})};
  }
}

}  // namespace quillet
