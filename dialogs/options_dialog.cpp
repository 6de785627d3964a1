#include "dialogs/options_dialog.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "posting/pop_up_rules.h"
#include "delivery/bluesky_session.h"
#include "delivery/server_address.h"
#include "delivery/service_api.h"
#include "delivery/status_sender.h"
#include "settings/access_token.h"
#include "settings/hotkey_text.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

// In the order of ServiceApi.
constexpr std::u16string_view kApiChoices[] = {u"Twitter-compatible (GNU social, Friendica)",
                                               u"Mastodon-compatible (Mastodon, Pleroma, Akkoma)",
                                               u"Journal only, post nowhere", u"Bluesky"};

ServiceApi ChosenApi(platform::IComboBox& api) {
  switch (api.ListIndex()) {
    case 1:
      return ServiceApi::kMastodon;
    case 2:
      return ServiceApi::kJournal;
    case 3:
      return ServiceApi::kBluesky;
    default:
      return ServiceApi::kTwitter;
  }
}

std::u16string Trimmed(std::u16string text) {
  auto blank = [](char16_t ch) { return ch == u' ' || ch == u'\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t first = 0;
  while (first < text.size() && blank(text[first])) ++first;
  return text.substr(first);
}

constexpr std::u16string_view kHotkeyNeedsAModifier =
    u"A hotkey needs Ctrl, Alt or the Windows key, so that it takes no key from other programs.";

std::u16string HotkeyTakenMessage(platform::KeyCombination combination) {
  return HotkeyText(combination) + u" is in use by another program: choose another combination.";
}

// Stores a value that differs from the stored one; an empty value is removed, so that it is absent.
void StoreIfChanged(SettingsStore& settings, const Setting& name, const std::u16string& value, bool same) {
  if (same) return;
  if (value.empty()) {
    settings.Delete(name);
  } else {
    settings.Save(name, value);
  }
}

// Whether a host is this computer: 127.0.0.0/8, ::1 or localhost.
bool IsLoopback(std::string_view host) {
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
    if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return false;
    if (std::stoi(std::string(part)) > 255 || (parts == 0 && part != "127")) return false;
    ++parts;
    if (dot == std::string::npos) break;
    at = dot + 1;
  }
  return parts == 4;
}

}  // namespace

std::u16string OptionsDialog::ClearCredentialsWarning(const std::u16string& server, ServiceApi api,
                                                      const std::string& token) {
  if (server.empty() || api == ServiceApi::kJournal) return {};
  ParsedServer parsed = ParseServer(server);
  if (!parsed.address || parsed.address->secure || IsLoopback(parsed.address->host)) return {};
  std::u16string what = api == ServiceApi::kMastodon && !token.empty() ? u"access token"
                        : api == ServiceApi::kBluesky                  ? u"app password"
                                                                       : u"password";
  return u"Your " + what + u" will travel unencrypted to " + Widen(parsed.address->host) +
         u" (the address starts with http://): anyone on the way can read it.";
}

OptionsDialog::OptionsDialog(IOptionsView& view, OptionsServices services) : view_(view), s_(std::move(services)) {
  view_.Ok().OnClick([this] { OnOkClicked(); });
  view_.Cancel().OnClick([this] { OnCancelClicked(); });
  view_.Test().OnClick([this] { OnTestClicked(); });
  view_.SignIn().OnClick([this] { OnSignInClicked(); });
  view_.Window().OnQueryClose([] {});  // the close box closes like Cancel
}

void OptionsDialog::Load() {
  Step([&] {
    for (std::u16string_view choice : kApiChoices) view_.Api().AddItem(choice);
  });
  Step([&] { view_.Api().SetListIndex(static_cast<std::int32_t>(ParseApi(s_.settings.Get(kApi)))); });
  Step([&] { view_.Server().SetText(s_.settings.Get(kServer)); });
  Step([&] {
    loadedToken_ = access_token::Load(s_.settings, s_.secrets);
    view_.Token().SetText(Widen(loadedToken_));
  });
  Step([&] { view_.ServiceMessage().SetCaption(u""); });
  Step([&] { view_.Journal().SetValue(s_.settings.Get(kJournal) == u"1" ? 1 : 0); });

  PopUpRules rules;
  Step([&] { rules = ReadPopUpRules(s_.settings); });
  Step([&] { view_.QuietFrom().SetText(rules.quietFrom ? ClockTimeText(*rules.quietFrom) : u""); });
  Step([&] { view_.QuietTo().SetText(rules.quietTo ? ClockTimeText(*rules.quietTo) : u""); });
  Step([&] { view_.RespectBusy().SetValue(rules.respectBusy ? 1 : 0); });
  Step([&] { view_.PopUpMessage().SetCaption(u""); });
  Step([&] {
    std::optional<platform::KeyCombination> stored = ParseHotkey(s_.settings.Get(kHotkey));
    if (!stored) return;
    view_.Hotkey().SetValue(*stored);
    // Not taken when Quillet started: said here, since nothing else can say it.
    if (!UsableHotkey(*stored)) {
      ShowPopUpMessage(kHotkeyNeedsAModifier);
    } else if (s_.heldHotkey && s_.heldHotkey() != stored) {
      ShowPopUpMessage(HotkeyTakenMessage(*stored));
    }
  });
}

OptionsDialog::QuietHours OptionsDialog::EnteredQuietHours() {
  std::u16string from = Trimmed(view_.QuietFrom().Text());
  std::u16string to = Trimmed(view_.QuietTo().Text());
  QuietHours quiet;
  if (from.empty() && to.empty()) return quiet;
  quiet.from = ParseClockTime(from);
  quiet.to = ParseClockTime(to);
  if (!quiet.from || !quiet.to) {
    quiet.problem = u"Enter the quiet hours as two times such as 22:00 and 07:00, or leave both empty.";
  } else if (*quiet.from == *quiet.to) {
    quiet.problem = u"The quiet hours must start and end at different times.";
  }
  return quiet;
}

void OptionsDialog::StorePopUpSettings(const QuietHours& quiet, std::optional<platform::KeyCombination> hotkey) {
  PopUpRules stored = ReadPopUpRules(s_.settings);
  bool sameQuiet = quiet.from == stored.quietFrom && quiet.to == stored.quietTo;
  StoreIfChanged(s_.settings, kQuietFrom, quiet.from ? ClockTimeText(*quiet.from) : u"", sameQuiet);
  StoreIfChanged(s_.settings, kQuietTo, quiet.to ? ClockTimeText(*quiet.to) : u"", sameQuiet);
  bool respectBusy = view_.RespectBusy().Value() == 1;
  StoreIfChanged(s_.settings, kRespectBusy, respectBusy ? u"1" : u"", respectBusy == stored.respectBusy);
  std::optional<platform::KeyCombination> storedHotkey = ParseHotkey(s_.settings.Get(kHotkey));
  StoreIfChanged(s_.settings, kHotkey, hotkey ? HotkeyText(*hotkey) : u"", hotkey == storedHotkey);
}

std::optional<std::string> OptionsDialog::TokenText() {
  std::u16string typed = Trimmed(view_.Token().Text());
  if (!std::all_of(typed.begin(), typed.end(), [](char16_t ch) { return ch > 0x20 && ch < 0x7F; })) {
    return std::nullopt;
  }
  return Narrow(typed);
}

std::optional<std::string> OptionsDialog::UsableToken(const std::u16string& server) {
  if (!server.empty()) {
    ParsedServer parsed = ParseServer(server);
    if (!parsed.address) {
      ShowMessage(parsed.problem);
      Step([&] { view_.FocusServer(); });
      return std::nullopt;
    }
  }
  std::optional<std::string> token = TokenText();
  if (!token) ShowMessage(u"The access token may hold only letters, digits and signs, without blanks.");
  return token;
}

void OptionsDialog::ShowMessage(std::u16string_view message) {
  Step([&] { view_.ServiceMessage().SetCaption(message); });
}

void OptionsDialog::ShowPopUpMessage(std::u16string_view message) {
  Step([&] { view_.PopUpMessage().SetCaption(message); });
}

void OptionsDialog::OnOkClicked() {
  std::u16string server = Trimmed(view_.Server().Text());
  std::optional<std::string> token = UsableToken(server);
  if (!token) return;
  QuietHours quiet = EnteredQuietHours();
  if (!quiet.problem.empty()) {
    ShowPopUpMessage(quiet.problem);
    Step([&] { view_.FocusQuietFrom(); });
    return;
  }
  std::optional<platform::KeyCombination> hotkey;
  Step([&] {
    platform::KeyCombination chosen = view_.Hotkey().Value();
    if (chosen.key != 0) hotkey = chosen;
  });
  if (hotkey && !UsableHotkey(*hotkey)) {
    ShowPopUpMessage(kHotkeyNeedsAModifier);
    Step([&] { view_.FocusHotkey(); });
    return;
  }
  ServiceApi chosenApi = ServiceApi::kTwitter;
  Step([&] { chosenApi = ChosenApi(view_.Api()); });
  std::u16string inClear = ClearCredentialsWarning(server, chosenApi, *token);
  bool entriesChanged = server != s_.settings.Get(kServer) ||
                        chosenApi != ParseApi(s_.settings.Get(kApi)) || *token != loadedToken_;
  std::u16string entries = ApiValue(chosenApi) + u"\n" + server + u"\n" + Widen(*token);
  if (!inClear.empty() && entriesChanged && entries != acceptedInClear_) {
    bool accepted = false;
    Step([&] { accepted = view_.AskYesNo(inClear + u" Use this server anyway?"); });
    if (!accepted) {
      ShowMessage(inClear);
      Step([&] { view_.FocusServer(); });
      return;
    }
    acceptedInClear_ = entries;  // asked once
  }
  if (s_.takeHotkey && !Guard([&] { return s_.takeHotkey(hotkey); })) {
    ShowPopUpMessage(HotkeyTakenMessage(*hotkey));
    Step([&] { view_.FocusHotkey(); });
    return;
  }
  Step([&] { StorePopUpSettings(quiet, hotkey); });

  bool serviceChanged = false;
  Step([&] {
    ServiceApi api = ChosenApi(view_.Api());
    if (ParseApi(s_.settings.Get(kApi)) != api) {
      s_.settings.Save(kApi, ApiValue(api));
      serviceChanged = true;
    }
  });
  Step([&] {
    if (server == s_.settings.Get(kServer)) return;
    serviceChanged = true;
    if (server.empty()) {
      s_.settings.Delete(kServer);
      s_.settings.Delete(kTextLimit);  // the built-in service takes 140 characters
    } else {
      s_.settings.Save(kServer, server);
      if (testedLimit_ && testedServer_ == server) {
        s_.settings.Save(kTextLimit, DecimalText(*testedLimit_));
      } else {
        s_.settings.Delete(kTextLimit);  // read from the new server below
      }
    }
  });
  Step([&] {
    // Absent until ticked, so that a key without it keeps no journal.
    bool keep = view_.Journal().Value() == 1;
    if (keep != (s_.settings.Get(kJournal) == u"1")) {
      if (keep) {
        s_.settings.Save(kJournal, u"1");
      } else {
        s_.settings.Delete(kJournal);
      }
    }
  });
  try {
    if (*token != loadedToken_) access_token::Save(s_.settings, s_.secrets, *token);
  } catch (const std::exception&) {
    ShowMessage(u"The access token could not be stored safely; it was not kept.");
    return;
  }
  if (serviceChanged && s_.serviceChanged) Step([&] { s_.serviceChanged(); });
  view_.Window().Unload();
}

void OptionsDialog::OnCancelClicked() { view_.Window().Unload(); }

void OptionsDialog::OnTestClicked() {
  if (ChosenApi(view_.Api()) == ServiceApi::kJournal) {
    ShowMessage(u"Journal only: lines go to journal.csv in your local application data, and nowhere else.");
    return;
  }
  std::u16string server = Trimmed(view_.Server().Text());
  if (ChosenApi(view_.Api()) == ServiceApi::kBluesky) {
    TestBluesky(server);
    return;
  }
  if (server.empty()) {
    ShowMessage(u"Enter your server's address first. Without one, Quillet posts to its built-in service.");
    return;
  }
  std::optional<std::string> token = UsableToken(server);
  if (!token) return;
  ParsedServer parsed = ParseServer(server);
  ServiceApi api = ChosenApi(view_.Api());
  Credentials credentials = StoredCredentials(s_.settings, s_.secrets);
  credentials.token = *token;
  bool usedToken = api == ServiceApi::kMastodon && !token->empty();
  std::u16string inClear = ClearCredentialsWarning(server, api, *token);
  ShowMessage(u"Testing " + Widen(parsed.address->Url()) + u" ...");
  testedLimit_.reset();

  std::weak_ptr<OptionsDialog*> alive = self_;
  ServerAddress address = *parsed.address;
  Step([&] {
    s_.http.Send(
        service_requests::VerifyCredentials(address, api, credentials),
        [alive, address, api, usedToken, server, inClear](const platform::HttpReply& reply) {
          auto self = alive.lock();
          if (!self) return;  // the dialog has closed
          OptionsDialog& dialog = **self;
          std::u16string words = service_replies::DescribeTest(address, api, usedToken, reply);
          if (!inClear.empty() && reply.requestSent) words += u" " + inClear;
          dialog.ShowMessage(words);
          bool signedIn = reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2 &&
                          service_replies::SignedInName(api, reply.body);
          if (!signedIn) return;
          Step([&] {
            dialog.s_.http.Send(service_requests::TextLimit(address, api), [alive, api, server, words](
                                                                               const platform::HttpReply& limitReply) {
              auto self = alive.lock();
              if (!self) return;
              OptionsDialog& dialog = **self;
              std::optional<int> limit;
              if (limitReply.outcome == platform::HttpOutcome::kReplied && limitReply.status / 100 == 2)
                limit = service_replies::TextLimit(api, limitReply.body);
              int shown = limit.value_or(kBuiltInTextLimit);
              dialog.testedServer_ = server;
              dialog.testedLimit_ = limit;
              dialog.ShowMessage(words + u" Lines may be up to " + DecimalText(shown) + u" characters long.");
            });
          });
        });
  });
}

void OptionsDialog::TestBluesky(const std::u16string& server) {
  std::u16string address = server.empty() ? std::u16string(kBlueskyServer) : server;
  ParsedServer parsed = ParseServer(address);
  if (!parsed.address) {
    ShowMessage(parsed.problem);
    Step([&] { view_.FocusServer(); });
    return;
  }
  std::optional<bluesky::Account> account;
  Step([&] { account = bluesky::StoredAccount(s_.settings); });
  if (!account) return;
  account->server = *parsed.address;
  account->serverText = utf8::FromUtf16(address);
  if (account->identifier.empty() || account->appPassword.empty()) {
    ShowMessage(u"Enter your handle as the user name and an app password as the password in Settings (make one in "
                u"Bluesky: Settings, Privacy and security, App passwords).");
    return;
  }
  std::u16string inClear = ClearCredentialsWarning(server, ServiceApi::kBluesky, "");
  ShowMessage(u"Testing " + Widen(parsed.address->Url()) + u" ...");
  std::weak_ptr<OptionsDialog*> alive = self_;
  Step([&] {
    bluesky::Test(
        s_.settings, s_.secrets,
        [&http = s_.http](platform::HttpRequest request, std::function<void(const platform::HttpReply&)> reply) {
          http.Send(std::move(request), std::move(reply));
        },
        std::move(*account), [alive, inClear](std::u16string words) {
          auto self = alive.lock();
          if (!self) return;  // the dialog has closed
          if (!inClear.empty()) words += u" " + inClear;
          (*self)->ShowMessage(words);
        });
  });
}

void OptionsDialog::SignInEnded(std::u16string_view words) {
  Step([&] { view_.SetSignInCaption(u"Sign &in..."); });
  ShowMessage(words);
}

void OptionsDialog::OnSignInClicked() {
  if (signIn_ && signIn_->stage() == BrowserSignIn::Stage::kWaitingForCode) {
    // "Use code": the code pasted into the token's box (Cancel or OK ends the wait instead).
    std::u16string code = Trimmed(view_.Token().Text());
    if (code.empty()) {
      ShowMessage(u"Paste the code the server's page shows into Access token first.");
    } else {
      signIn_->EnterCode(utf8::FromUtf16(code));
    }
    return;
  }
  if (signIn_ && signIn_->Active()) {
    signIn_->Cancel();
    SignInEnded(u"Sign-in cancelled.");
    return;
  }
  if (!s_.shell || !s_.clock) {
    ShowMessage(u"Signing in through the browser is not available here.");
    return;
  }
  std::u16string server = Trimmed(view_.Server().Text());
  ParsedServer parsed = ParseServer(server);
  if (server.empty() || !parsed.address) {
    ShowMessage(server.empty() ? u"Enter your server's address first." : parsed.problem);
    Step([&] { view_.FocusServer(); });
    return;
  }
  if (!signIn_) {
    signIn_ = std::make_unique<BrowserSignIn>(
        BrowserSignInServices{s_.settings, s_.http, s_.secrets, *s_.shell, *s_.clock, view_.SignInTimer(),
                              s_.makeListener},
        BrowserSignInEvents{
            .progress = [this](std::u16string_view words) { ShowMessage(words); },
            .codeNeeded =
                [this] {
                  Step([&] { view_.Token().SetText(u""); });
                  Step([&] { view_.SetSignInCaption(u"Use code"); });
                  ShowMessage(u"Sign in on the page that opened, paste the code it shows into Access token, and "
                              u"press Use code.");
                },
            .signedIn =
                [this](const std::string& token, std::u16string_view name) {
                  Step([&] { view_.Token().SetText(Widen(token)); });
                  SignInEnded(name.empty() ? u"Signed in. OK keeps the new token."
                                           : u"Signed in as " + std::u16string(name) + u". OK keeps the new token.");
                },
            .failed = [this](std::u16string_view why) { SignInEnded(why); }});
  }
  // Signing in gives a token, which only the Mastodon-compatible interface uses.
  Step([&] { view_.Api().SetListIndex(static_cast<std::int32_t>(ServiceApi::kMastodon)); });
  Step([&] { view_.SetSignInCaption(u"Cancel"); });
  signIn_->Start(*parsed.address);
}

void ShowOptionsModal(const OptionsViewFactory& makeView, OptionsServices services, platform::IWindow& owner) {
  std::unique_ptr<IOptionsView> view = makeView();
  OptionsDialog dialog(*view, std::move(services));
  dialog.Load();
  view->Window().ShowModal(owner);
}

}  // namespace quillet
