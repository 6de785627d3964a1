// Retry-After in each form a server may send it, read on both paths, and interim replies that
// come before the final one.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "delivery/outcome.h"

namespace quillet {
namespace {

constexpr std::int64_t kNowMs = 1792567620000;  // Wed, 21 Oct 2026 07:27:00 GMT

TEST(RetryAfter, DeltaSecondsAndTheThreeDateForms) {
  struct Case {
    std::string value;
    int seconds;
  };
  const Case cases[] = {
      {"", 0},
      {"120", 120},
      {" 0 ", 0},
      {"99999999999999999999", INT_MAX},
      {"-5", 0},
      {"1.5", 0},
      {"Wed, 21 Oct 2026 07:28:00 GMT", 60},          // IMF-fixdate
      {"Wednesday, 21-Oct-26 09:27:00 GMT", 7200},    // RFC 850
      {"Wed Oct 21 07:27:30 2026", 30},               // asctime, two-digit day
      {"Sun Nov  1 07:27:00 2026", 11 * 86400},        // asctime, a day padded with a space
      {"Fri, 01 Jan 2027 00:00:00 GMT", 6193980},     // across a year's end
      {"Mon, 29 Feb 2027 00:00:00 GMT", 0},           // no such day
      {"Wed, 21 Oct 2026 07:26:59 GMT", 0},           // past
      {"Wednesday, 21-Oct-76 07:27:00 GMT", 1577923200},  // 2076: not more than 50 years ahead
      {"Thursday, 21-Oct-77 07:27:00 GMT", 0},           // 2077 would be: 1977, the past
      {"Wed, 21 Oct 2026 07:28:00 UTC", 0},
      {"Wed, 21 Oct 2026 07:28:00", 0},
      {"Wed, 21 Okt 2026 07:28:00 GMT", 0},
      {"Wed, 21 Oct 2026 25:28:00 GMT", 0},
      {"Wed, 21 Oct 2026 07:28:00.5 GMT", 0},
      {"soon", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RetryAfterSeconds(c.value, kNowMs), c.seconds) << c.value;
}

TEST(RetryAfter, TheHttpClientsReplyCarriesItToTheOutcome) {
  platform::HttpReply reply{.outcome = platform::HttpOutcome::kReplied, .status = 503};
  reply.retryAfter = "Wed, 21 Oct 2026 07:29:00 GMT";
  EXPECT_EQ(FromHttpReply(reply, "h", kNowMs).retryAfterSeconds, 120);
  reply.status = 429;
  reply.retryAfter = "30";
  EXPECT_EQ(FromHttpReply(reply, "h", kNowMs).retryAfterSeconds, 30);
  reply.status = 200;
  EXPECT_EQ(FromHttpReply(reply, "h", kNowMs).retryAfterSeconds, 0) << "delivered: nothing to wait for";
}

TEST(ReplyHead, AnInterimHeadAloneIsWaitedOutNotTakenForNonsense) {
  const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
  EXPECT_FALSE(ReadReplyHead(interim, false));
  EXPECT_FALSE(UnreadableReply(interim)) << "the final head is still to come";
  EXPECT_FALSE(ReadReplyHead(interim, true)) << "closed after it: no reply";
  EXPECT_FALSE(ReadReplyHead(interim + "HTTP/1.1 200 OK\r\nX: y", false));
  EXPECT_EQ(ReadReplyHead(interim + "HTTP/1.1 200 OK\r\nX: y", true)->status, 200);
  EXPECT_TRUE(UnreadableReply(interim + "SSH-2.0-OpenSSH\r\n\r\n"));
  EXPECT_EQ(ReadReplyHead("HTTP/1.0 503 No\r\nRetry-After:\t 9 \r\n\r\n", false)->retryAfter, "9");
}

}  // namespace
}  // namespace quillet
