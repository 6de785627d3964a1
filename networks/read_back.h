#pragma once
// Reading back: when a line may have arrived (its request left, but no answer said what became of
// it), the account's latest posts are read to find it. People give the same answer again and
// again ("lunch", "coding"), so a post counts as this line only when
//   - it is the account's own (not a repost of someone else's),
//   - it was made at or after the line's first request could have left, by the server's clock
//     (our clock's distance to it is taken from the Date of the reply that lists the posts), and
//   - it reads the same by the server's own rendering: texts compared as plain text with blanks
//     evened out, a mention "@name" as "@name@host" (the account's own server when no host is
//     written; the host a server's link names when it shows the mention without one).
// Exactly one such post: the line arrived. None: not found. Two, or a post of that time that
// reads the same but for its rendering (an emoji made of ":-)", emphasis made of "*...*", a
// mention's host), or one whose time the server does not say: nobody can tell, and the line goes
// to the person rather than out again.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/server_address.h"
#include "networks/service_api.h"

namespace quillet::read_back {

// How many of the account's latest posts are read.
inline constexpr int kLatestPosts = 40;

// The request for the account's latest posts, reposts left out where the server can. Mastodon-
// compatible servers need the account's id first, from the verify_credentials request
// (service_requests::VerifyCredentials).
platform::HttpRequest LatestPosts(const ServerAddress& server, ServiceApi api, const Credentials& credentials,
                                  std::string_view accountId);
// The account's id in a Mastodon-compatible verify_credentials reply.
std::optional<std::string> AccountId(std::string_view body);

// One of the account's latest posts.
struct Post {
  std::u16string text;                    // as plain text
  std::optional<std::int64_t> createdMs;  // when the server made it, on its clock (ms since 1970 UTC)
  bool own = true;                        // the account's own, not a repost
};
// The posts in a reply to LatestPosts; nothing when the body is not such a reply.
std::optional<std::vector<Post>> Posts(ServiceApi api, std::string_view body);

// HTML as the text it shows: tags dropped, line breaks and paragraphs as line breaks, character
// references decoded, a link the server made of a mention ("@bob" linking to
// https://other.example/@bob) as "@bob@other.example".
std::u16string PlainTextOfHtml(std::string_view html);

enum class Likeness {
  kDifferent,
  kRendered,  // the same words, written otherwise: a mention's host, emoji, emphasis, punctuation
  kSame,
};
// How a post's text compares with a line sent to the account at `ownHost`.
Likeness Compare(std::u16string_view posted, std::u16string_view line, std::string_view ownHost);

struct Finding {
  enum Kind { kFound, kNotFound, kUnsure } kind = kNotFound;
  std::u16string reason;  // why nobody can tell, when kUnsure
};
// Whether `line` is among `posts`: `firstAttemptMs` is when its first request could have left, on
// the server's clock.
Finding FindLine(const std::vector<Post>& posts, std::u16string_view line, std::int64_t firstAttemptMs,
                 std::string_view ownHost);

// When a post was made, as Mastodon-compatible servers write it ("2026-12-08T14:30:05.123Z", or
// with an offset "+01:00") or Twitter-compatible ones ("Tue Dec 08 14:30:05 +0000 2026"), in ms
// since 1970 UTC; nothing when it cannot be read.
std::optional<std::int64_t> PostTimeMs(std::string_view text);

}  // namespace quillet::read_back
