#pragma once
// Reading back: when a line may have arrived (its request left, but no answer came), the
// account's latest posts are read, and the line counts as delivered when one of them says the
// same. Servers give a post back as HTML (Mastodon-compatible) or XML with entities
// (Twitter-compatible), and may show a mention of another server's account without its host, so
// texts are compared as plain text with their blanks and line breaks evened out.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/server_address.h"
#include "delivery/service_api.h"

namespace quillet::read_back {

// How many of the account's latest posts are read.
inline constexpr int kLatestPosts = 40;

// The request for the account's latest posts. Mastodon-compatible servers need the account's id
// first, from the verify_credentials request (service_requests::VerifyCredentials).
platform::HttpRequest LatestPosts(const ServerAddress& server, ServiceApi api, const Credentials& credentials,
                                  std::string_view accountId);
// The account's id in a Mastodon-compatible verify_credentials reply.
std::optional<std::string> AccountId(std::string_view body);
// The texts of the posts in a reply to LatestPosts, as plain text; nothing when the body is not
// such a reply.
std::optional<std::vector<std::u16string>> PostedTexts(ServiceApi api, std::string_view body);

// HTML as the text it shows: tags dropped, line breaks and paragraphs as line breaks, character
// references decoded.
std::u16string PlainTextOfHtml(std::string_view html);
// Whether a post's text is the line as it was sent.
bool SameText(std::u16string_view posted, std::u16string_view line);

}  // namespace quillet::read_back
