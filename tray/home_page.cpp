#include "tray/home_page.h"

#include "common/codepage.h"
#include "common/catalog.h"
#include "delivery/server_address.h"
#include "networks/registry.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

constexpr std::u16string_view kBuiltInPage = u"http://twitter.com/";

// A menu caption shows a "&" of the host as itself, not as an access key.
std::u16string MenuText(std::u16string_view text) {
  std::u16string escaped;
  for (char16_t ch : text) {
    escaped += ch;
    if (ch == u'&') escaped += u'&';
  }
  return escaped;
}

// The user name as a path segment: "alice" of "@alice" or "alice@social.example"; empty when it
// holds anything a path could not carry as it is.
std::u16string Handle(std::u16string_view userName) {
  if (!userName.empty() && userName.front() == u'@') userName.remove_prefix(1);
  userName = userName.substr(0, userName.find(u'@'));
  for (char16_t ch : userName) {
    bool plain = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'_' ||
                 ch == u'.' || ch == u'-';
    if (!plain) return {};
  }
  return std::u16string(userName);
}

}  // namespace

HomePage BuiltInHomePage(const Catalog& words) { return {words.Tr(u"Open &Twitter"), std::u16string(kBuiltInPage)}; }

HomePage ChosenHomePage(SettingsStore& settings, const Catalog& words) {
  HomePage builtIn = BuiltInHomePage(words);
  std::u16string server = settings.Get(kServer);
  if (server.empty()) return builtIn;
  auto address = ParseServer(server).address;
  if (!address) return builtIn;  // an address that does not parse opens nothing of it
  ServerAddress root = *address;
  root.basePath = "/";
  std::u16string url = Widen(root.Url());
  if (NetworkOf(settings).HomeIsProfile()) {
    std::u16string handle = Handle(settings.Get(kUserName));
    if (!handle.empty()) url += u"@" + handle;
  }
  return {FillIn(words.Tr(u"Ope&n %1"), {MenuText(Widen(root.host))}), url};
}

}  // namespace quillet
