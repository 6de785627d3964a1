#include "networks/account_test.h"

#include <algorithm>

#include "common/codepage.h"
#include "networks/registry.h"

namespace quillet {

TestSessions StoredSessions(std::shared_ptr<SettingsStore> account, platform::ISecrets& secrets) {
  return {.stored = std::move(account), .secrets = &secrets};
}

void TestAccount(const AccountTestServices& services, const AccountEntries& entries, TestTold told) {
  const Network& network = entries.network ? *entries.network : *Networks().front();
  network.Test(services, entries, told);
}

bool IsLoopbackHost(std::string_view host) {
  std::string lower(host);
  for (char& ch : lower)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  if (lower == "localhost" || lower == "::1" || lower == "0:0:0:0:0:0:0:1") return true;
  // Four decimal parts, the first 127.
  int parts = 0;
  std::size_t at = 0;
  while (at <= lower.size()) {
    std::size_t dot = lower.find('.', at);
    std::string_view part = std::string_view(lower).substr(at, dot == std::string::npos ? std::string::npos : dot - at);
    if (part.empty() || part.size() > 3 ||
        !std::all_of(part.begin(), part.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return false;
    if (std::stoi(std::string(part)) > 255 || (parts == 0 && part != "127")) return false;
    ++parts;
    if (dot == std::string::npos) break;
    at = dot + 1;
  }
  return parts == 4;
}

std::u16string ClearCredentialsWarning(const Catalog& words, const std::u16string& server, const Network& network,
                                       const std::string& token) {
  if (server.empty() || network.JournalOnly()) return {};
  ParsedServer parsed = ParseServer(server);
  if (!parsed.address || parsed.address->secure || IsLoopbackHost(parsed.address->host)) return {};
  return FillIn(words.Tr(network.SecretInClear(!token.empty())), {Widen(parsed.address->host)});
}

}  // namespace quillet
