#include "settings/accounts.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "settings/password_scrambling.h"
#include "settings/registry_path.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

// An account id is a decimal number of up to 9 digits without a leading zero.
std::optional<unsigned long> IdNumber(std::string_view id) {
  if (id.empty() || id.size() > 9 || id[0] == '0') return std::nullopt;
  unsigned long number = 0;
  for (char ch : id) {
    if (ch < '0' || ch > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned long>(ch - '0');
  }
  return number;
}

// The host of an address like "https://social.example:8443/api/", or the address itself.
std::u16string HostOf(std::u16string_view server) {
  std::size_t start = server.find(u"://");
  start = start == std::u16string_view::npos ? 0 : start + 3;
  std::size_t end = server.find_first_of(u":/", start);
  return std::u16string(server.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start));
}

}  // namespace

std::u16string Accounts::SubKey(std::string_view id) {
  if (id == kFirstAccountId) return {};
  return std::u16string(kAccountsKey) + u"\\" + Widen(std::string(id));
}

std::vector<std::string> Accounts::Ids() {
  std::vector<unsigned long> numbers;
  std::u16string path = settings_.ProgramKeyPath() + u"\\" + std::u16string(kAccountsKey);
  platform::IRegistry& registry = settings_.Registry();
  platform::RegHandle root = registry_path::SplitKeyPath(path);
  platform::RegHandle opened = 0;
  if (root != 0 && registry.OpenKeyEx(root, ToAnsi(path), 0, platform::kKeyRead, opened) == platform::kErrorSuccess) {
    platform::RegKey key(registry, opened);
    std::string name;
    for (std::uint32_t index = 0; registry.EnumKey(key.get(), index, name) == platform::kErrorSuccess; ++index) {
      auto number = IdNumber(name);
      if (number && *number > 1) numbers.push_back(*number);  // anything else is not an account
    }
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::string> ids{std::string(kFirstAccountId)};
  for (unsigned long number : numbers) ids.push_back(std::to_string(number));
  return ids;
}

std::vector<AccountSummary> Accounts::List() {
  std::vector<AccountSummary> accounts;
  for (const std::string& id : Ids()) accounts.push_back(Summary(id));
  return accounts;
}

AccountSummary Accounts::Summary(std::string_view id) {
  auto store = Store(id);
  return {.id = std::string(id),
          .api = store->Get(kApi),
          .server = store->Get(kServer),
          .userName = store->Get(kUserName),
          .postHere = store->Flag(kPostHere)};
}

std::vector<std::string> Accounts::Ticked() {
  std::vector<std::string> ticked;
  for (const std::string& id : Ids())
    if (Store(id)->Flag(kPostHere)) ticked.push_back(id);
  return ticked;
}

unsigned long Accounts::NextNumber() {
  unsigned long next = *IdNumber(Ids().back()) + 1;
  SettingsStore program(settings_, u"");
  if (auto stored = IdNumber(utf8::FromUtf16(program.Get(kNextAccount)))) next = std::max(next, *stored);
  return next;
}

void Accounts::KeepNextNumber(unsigned long next) {
  SettingsStore program(settings_, u"");
  program.Save(kNextAccount, Widen(std::to_string(next)));
}

std::string Accounts::Add() {
  unsigned long number = NextNumber();
  std::string id = std::to_string(number);
  std::u16string path = settings_.ProgramKeyPath() + u"\\" + SubKey(id);
  registry_path::CreateKey(settings_.Registry(), path);
  KeepNextNumber(number + 1);
  return id;
}

void Accounts::Remove(std::string_view id) {
  if (id == kFirstAccountId || !IdNumber(id)) return;
  // Lines may still name the account: its number is never given to another.
  KeepNextNumber(NextNumber());
  std::u16string path = settings_.ProgramKeyPath() + u"\\" + SubKey(id);
  platform::RegHandle root = registry_path::SplitKeyPath(path);
  if (root == 0) return;
  settings_.Registry().DeleteKey(root, ToAnsi(path));
}

bool Accounts::Exists(std::string_view id) {
  std::vector<std::string> ids = Ids();
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::unique_ptr<SettingsStore> Accounts::Store(std::string_view id) {
  return std::make_unique<SettingsStore>(settings_, SubKey(id));
}

namespace {

// The password protected in the binary value `name`; nothing when there is none or it does not
// unprotect.
std::optional<std::u16string> ProtectedPassword(SettingsStore& account, platform::ISecrets& secrets,
                                                const BytesSetting& name) {
  std::optional<std::u16string> password;
  Step([&] {
    auto stored = account.ReadBytes(name);
    if (stored && !stored->empty()) password = utf8::ToUtf16(secrets.Unprotect(*stored));
  });
  return password;
}

void SaveProtectedPassword(SettingsStore& account, platform::ISecrets& secrets, const BytesSetting& name,
                           std::u16string_view password) {
  if (password.empty()) {
    account.Delete(name);
  } else {
    account.SaveBytes(name, secrets.Protect(utf8::FromUtf16(password)));
  }
}

// The first account posts to the built-in service: no server, and the kind it has always had.
bool PostsToBuiltInService(SettingsStore& account) {
  std::u16string api = account.Get(kApi);
  for (char16_t& ch : api)
    if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch - u'A' + u'a');
  return account.Get(kServer).empty() && api == kApi.defaultValue;
}

}  // namespace

std::u16string LoadPassword(SettingsStore& account, platform::ISecrets& secrets) {
  if (account.Scoped()) return ProtectedPassword(account, secrets, kAccountPassword).value_or(u"");
  // The first account: the protected form when there is one, else the scrambled text.
  if (auto password = ProtectedPassword(account, secrets, kProtectedPassword)) return *password;
  return password_scrambling::Unscramble(account.Get(kPassword));
}

void SavePassword(SettingsStore& account, platform::ISecrets& secrets, std::u16string_view password) {
  if (account.Scoped()) return SaveProtectedPassword(account, secrets, kAccountPassword, password);
  if (PostsToBuiltInService(account)) {  // scrambled, as the settings dialog has always stored it
    account.Save(kPassword, password_scrambling::Scramble(password));
    account.Delete(kProtectedPassword);
    return;
  }
  SaveProtectedPassword(account, secrets, kProtectedPassword, password);
  account.Delete(kPassword);  // no scrambled copy is left beside it
}

std::u16string AccountName(const AccountSummary& account, const Catalog& words) {
  std::u16string place;
  if (account.api == u"journal") return words.Tr(u"Journal only");
  place = account.server.empty() ? words.Tr(u"the built-in service") : HostOf(account.server);
  if (account.userName.empty()) return place;
  return place + u" (" + account.userName + u")";
}

}  // namespace quillet
