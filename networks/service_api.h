#pragma once
// The two interfaces a server of the user's choice may speak, and what Quillet asks of each:
//   Twitter-compatible (GNU social, Friendica): POST <server>statuses/update.xml with
//     "source=Quillet&status=...", GET <server>account/verify_credentials.xml,
//     GET <server>statusnet/config.json (site.textlimit);
//   Mastodon-compatible (Mastodon, Pleroma, Akkoma): POST <server>api/v1/statuses with
//     "status=..." (then "&visibility=...&language=..." where the account chose them),
//     GET <server>api/v1/accounts/verify_credentials,
//     GET <server>api/v1/instance (configuration.statuses.max_characters).
// Mastodon-compatible requests carry "Authorization: Bearer <token>" when there is a token, and
// Basic authentication with the user name and password otherwise; Twitter-compatible ones always
// carry Basic authentication, its "name:password" in UTF-8 (RFC 7617). Pure functions: requests are built and replies
// read, nothing sent.
#include <optional>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "delivery/server_address.h"

namespace quillet {

// kJournal posts nowhere: the lines only go to the journal. kBluesky speaks the AT Protocol
// (networks/bluesky/bluesky_api.h); kNostr sends signed events to relays (networks/nostr/nostr_relays.h). New
// kinds go last: the account dialog's list follows this order.
enum class ServiceApi { kTwitter, kMastodon, kJournal, kBluesky, kNostr };

// The stored "Api" value: "mastodon" (in any case) is the Mastodon-compatible interface,
// "journal" the journal only, "bluesky" Bluesky, "nostr" Nostr; anything else, the absent value included, the
// Twitter-compatible one.
ServiceApi ParseApi(std::u16string_view stored);
std::u16string ApiValue(ServiceApi api);

struct Credentials {
  std::u16string userName;
  std::u16string password;  // in clear
  std::string token;        // the Mastodon access token, in clear; empty when there is none
};

// How an account's posts go out, as its values say; empty: nothing is sent, and the server's or
// the account's own default holds.
struct PostOptions {
  std::string visibility;  // "public", "unlisted" or "private" (Mastodon-compatible)
  std::string language;    // an ISO 639-1 code, like "de"
};
// The stored "Visibility" value when it is one the interface knows, in lower case; else empty.
std::string UsableVisibility(std::u16string_view stored);
// The stored "PostLanguage" value when it is a language code (two or three letters), in lower
// case; else empty.
std::string UsableLanguage(std::u16string_view stored);

// Where Bluesky lines go when no "Server" is stored; any PDS's address may be set instead.
inline constexpr std::u16string_view kBlueskyServer = u"https://bsky.social/";

// Where the limit on a status line's length lives.
inline constexpr int kBuiltInTextLimit = 140;
inline constexpr int kLargestTextLimit = 5000;

namespace service_requests {

// A request to `path` under the server's base address, with nothing but its method.
platform::HttpRequest Request(const ServerAddress& server, std::string method, std::string_view path);

// The Twitter-compatible request takes no options.
platform::HttpRequest StatusUpdate(const ServerAddress& server, ServiceApi api, const Credentials& credentials,
                                   std::u16string_view status, const PostOptions& options = {});
platform::HttpRequest VerifyCredentials(const ServerAddress& server, ServiceApi api, const Credentials& credentials);
platform::HttpRequest TextLimit(const ServerAddress& server, ServiceApi api);

}  // namespace service_requests

namespace service_replies {

// The account's name from a successful verify_credentials reply ("alice", or "alice@host" when
// the server says so), or nothing when the body does not hold one.
std::optional<std::u16string> SignedInName(ServiceApi api, std::string_view body);
// The visibility a post gets when it names none, from a verify_credentials reply
// (source.privacy: "public", "unlisted", "private" or "direct"); empty when the body does not say.
std::string DefaultVisibility(std::string_view body);
// The server's limit from its configuration reply, kept within 1..kLargestTextLimit; nothing
// when the body does not hold a positive whole number there.
std::optional<int> TextLimit(ServiceApi api, std::string_view body);
// The outcome of a connection test, in words for the person.
std::u16string DescribeTest(const ServerAddress& server, ServiceApi api, bool usedToken,
                            const platform::HttpReply& reply);

}  // namespace service_replies
}  // namespace quillet
