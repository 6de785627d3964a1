#pragma once
// The AT Protocol exchanges that post a line to a Bluesky server (a PDS), as pure functions:
// requests are built and replies read, nothing sent.
//   com.atproto.server.createSession   {identifier, password} -> a session (signs in)
//   com.atproto.server.refreshSession  Bearer refreshJwt      -> a new session
//   com.atproto.server.getSession      Bearer accessJwt       -> who is signed in (Test)
//   com.atproto.repo.putRecord         an app.bsky.feed.post under its record key (a TID)
//   com.atproto.repo.getRecord         whether the post under that key is there (reading back)
// A post's record key is a TID made when the line was confirmed and kept with the line, so that
// a repeat writes the same record again instead of a second post; the post's createdAt is the
// moment the TID holds.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/line_limit.h"
#include "delivery/outcome.h"
#include "delivery/server_address.h"
#include "platform/http.h"

namespace quillet::bluesky {

// 300 graphemes and 3,000 UTF-8 bytes, as app.bsky.feed.post's text allows.
inline constexpr LineLimit kLineLimit{.count = 300, .countsGraphemes = true, .utf8Bytes = 3000};

// A record key: 13 characters of the base32-sortable alphabet "234567abcdefghijklmnopqrstuvwxyz"
// holding 64 bits, the top one 0, then 53 bits of microseconds since 1970 and 10 bits of a clock
// id. Later moments give keys that sort later.
std::string MakeTid(std::int64_t microsSinceEpoch, unsigned clockId);
bool IsTid(std::string_view key);
// The microseconds since 1970 a TID holds.
std::int64_t TidMicros(std::string_view tid);
// "2026-12-08T14:30:05.123Z"
std::string IsoTimeUtc(std::int64_t msSinceEpoch);

// An http(s) address in a line, by its UTF-8 byte offsets (end exclusive).
struct LinkFacet {
  std::size_t byteStart = 0;
  std::size_t byteEnd = 0;
  std::string uri;
};
// Every http:// or https:// address in `text` (UTF-8), up to the next white space of any kind
// (a no-break or ideographic space too); the punctuation that ends a sentence after it (.,;:!?'",
// their ideographic and fullwidth forms, closing quotes, and a closing bracket without its opening
// one) is left out.
std::vector<LinkFacet> FindLinks(std::string_view text);

struct Session {
  std::string did;
  std::string handle;
  std::string accessJwt;
  std::string refreshJwt;

  friend bool operator==(const Session&, const Session&) = default;
};

// The requests.
platform::HttpRequest CreateSession(const ServerAddress& server, std::string_view identifier, std::string_view password);
platform::HttpRequest RefreshSession(const ServerAddress& server, std::string_view refreshJwt);
platform::HttpRequest GetSession(const ServerAddress& server, std::string_view accessJwt);
// `text` in UTF-8; the record's key is `tid`, its createdAt the TID's moment; its "langs" names
// `language` (ISO 639-1) when one is given, and is left out otherwise.
platform::HttpRequest PutPost(const ServerAddress& server, const Session& session, std::string_view tid,
                              std::string_view text, std::string_view language = {});
platform::HttpRequest GetPost(const ServerAddress& server, std::string_view did, std::string_view tid);

// The replies.
// The session in a createSession or refreshSession reply's body; nothing unless all four are there.
std::optional<Session> ReadSession(std::string_view body);
// The handle a getSession reply names.
std::optional<std::string> SignedInHandle(std::string_view body);
// The "error" name of an XRPC error reply ("ExpiredToken", "RecordNotFound"...); empty when none.
std::string ErrorName(std::string_view body);

// What to do after a reply to a request made with the access token: it was used up (a 400
// "ExpiredToken" or a 401 other than a refused password): refresh the session.
bool AccessExpired(const platform::HttpReply& reply);
// After a refreshSession reply that did not give a session: whether signing in again may help
// (the refresh token was refused) rather than waiting (the server could not answer).
bool SignInAgain(const platform::HttpReply& reply);

// The outcome of a reply to createSession, refreshSession or putRecord, in words: a refused
// handle or app password and a line too long are permanent, a rate limit waits until its reset
// ("ratelimit-reset", seconds since 1970), others as for any server.
DeliveryOutcome Outcome(const platform::HttpReply& reply, std::string_view host, std::int64_t wallNowMs);

// The Options dialog's Test: who signed in, or what is wrong, in words.
std::u16string DescribeTest(const ServerAddress& server, const platform::HttpReply& reply);

// The stored form of a session (before protection), bound to the server and handle it was made
// for: a session for another server or handle reads as none.
std::string SessionRecord(const Session& session, std::string_view server, std::string_view identifier);
std::optional<Session> ReadSessionRecord(std::string_view record, std::string_view server, std::string_view identifier);

}  // namespace quillet::bluesky
