#include "dialogs/account_dialog.h"

#include <algorithm>
#include <iterator>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "common/websocket_address.h"
#include "common/wipe.h"
#include "networks/delivery_account.h"
#include "journal/journal.h"
#include "networks/registry.h"
#include "delivery/server_address.h"
#include "delivery/status_sender.h"
#include "settings/access_token.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

using CredentialBoxes = AccountFields::Credentials;

// The kinds as the registry lists them, made again when it lists another.
std::vector<AccountKind>& Kinds() {
  static std::vector<AccountKind> kinds;
  std::span<const Network* const> networks = Networks();
  if (kinds.size() != networks.size()) {
    kinds.clear();
    for (const Network* network : networks)
      kinds.push_back({ParseApi(network->ApiName()), network->Choice(), network->Fields(), network});
  }
  return kinds;
}

const AccountKind& KindOf(ServiceApi api) {
  for (const AccountKind& kind : Kinds())
    if (kind.api == api) return kind;
  return Kinds().front();
}

// The keys and relays of the kind that has them (the boxes are filled whichever kind is shown).
const AccountKeys* KindKeys() {
  for (const Network* network : Networks())
    if (const AccountKeys* keys = network->Keys()) return keys;
  return nullptr;
}

std::int32_t IndexOf(const Network& network) {
  std::vector<AccountKind>& kinds = Kinds();
  for (std::size_t at = 0; at < kinds.size(); ++at)
    if (kinds[at].network == &network) return static_cast<std::int32_t>(at);
  return 0;
}

// The Visibility list after its first entry (the server's default), as stored.
constexpr std::string_view kVisibilities[] = {"public", "unlisted", "private"};

// A visibility as the list names it; one it does not offer ("direct") by its own name.
std::u16string VisibilityName(const Catalog& words, std::string_view visibility) {
  if (visibility == "public") return words.Tr(u"Public");
  if (visibility == "unlisted") return words.Tr(u"Unlisted");
  if (visibility == "private") return words.Tr(u"Followers only");
  if (visibility == "direct") return words.Tr(u"Mentioned people only");
  return Widen(visibility);
}

}  // namespace

std::span<const AccountKind> AccountKinds() { return Kinds(); }

AccountFields ShownFields(ServiceApi api, bool tokenInstead, bool otherServer) {
  return ShownFields(KindOf(api), tokenInstead, otherServer);
}

AccountFields ShownFields(const AccountKind& kind, bool tokenInstead, bool otherServer) {
  AccountFields fields = kind.fields;
  fields.token = fields.token && (!fields.tokenInstead || tokenInstead);
  fields.server = fields.server && (!fields.otherServer || otherServer);
  return fields;
}

AccountDialog::~AccountDialog() {
  Wipe(loadedSecretKey_);
  Wipe(generatedSecretKey_);
  Wipe(loadedPassword_);
  Wipe(loadedToken_);
}

AccountDialog::AccountDialog(IAccountView& view, AccountServices services) : view_(view), s_(std::move(services)) {
  view_.Ok().OnClick([this] { OnOkClicked(); });
  view_.Cancel().OnClick([this] { OnCancelClicked(); });
  view_.Test().OnClick([this] { OnTestClicked(); });
  view_.SignIn().OnClick([this] { OnSignInClicked(); });
  view_.MakeAppPassword().OnClick([this] { OnMakeAppPasswordClicked(); });
  view_.GenerateKey().OnClick([this] { OnGenerateKeyClicked(); });
  view_.CopyPublicKey().OnClick([this] { OnCopyPublicKeyClicked(); });
  view_.SecretKey().OnChange([this] { ShowPublicKey(); });
  view_.OnChoiceChanged([this] { OnChoiceChanged(); });
  view_.Window().OnQueryClose([] {});  // the close box closes like Cancel
}

std::unique_ptr<SettingsStore> AccountDialog::AccountStore() {
  if (s_.accountId.empty()) return nullptr;
  return Accounts(s_.settings).Store(s_.accountId);
}

void AccountDialog::Load() {
  Step([&] {
    for (const AccountKind& kind : Kinds()) view_.Api().AddItem(Words().Tr(kind.choice));
  });
  Step([&] { view_.Api().SetListIndex(0); });
  Step([&] { view_.Message().SetCaption(u""); });
  Step([&] {
    std::u16string journal = Widen(kJournalFile);
    if (s_.files) journal = s_.files->Folder() + u"\\" + journal;
    view_.SetJournalPath(journal);
  });
  std::unique_ptr<SettingsStore> account = AccountStore();
  LoadPostChoices(account.get());
  const AccountKeys* keys = KindKeys();
  // The relays stored, or those a Nostr account goes to while it stores none.
  if (keys) Step([&] { view_.Relays().SetText(keys->RelaysText(keys->Relays(account ? account->Get(kRelays) : u""))); });
  if (!account) return ShowChosenFields();  // a new account: every field empty
  const Network& network = NetworkOf(*account);
  const AccountFields fields = network.Fields();
  Step([&] { view_.Api().SetListIndex(IndexOf(network)); });
  Step([&] { view_.Server().SetText(account->Get(kServer)); });
  // A kind with a server of its own (Bluesky's bsky.social) posts there unless the account names another.
  Step([&] { view_.OtherServer().SetValue(fields.otherServer && !account->Get(kServer).empty() ? 1 : 0); });
  Step([&] {
    loadedToken_ = access_token::Load(*account, s_.secrets);
    view_.Token().SetText(Widen(loadedToken_));
  });
  Step([&] { view_.UserName().SetText(account->Get(kUserName)); });
  Step([&] {
    loadedPassword_ = LoadPassword(*account, s_.secrets);
    view_.Password().SetText(loadedPassword_);
  });
  if (fields.nostrKey && keys) {
    AccountKeys::Stored stored = keys->StoredKey(*account, s_.secrets);
    if (stored.key) loadedSecretKey_ = std::move(*stored.key);
    Step([&] { view_.SecretKey().SetText(loadedSecretKey_); });
    if (stored.unreadable)
      ShowMessage(Words().Tr(u"The stored secret key cannot be read here: paste yours, or press Generate for a new one."));
  }
  ShowChosenFields();
  // A kind whose posts have a visibility names the server's default in the list.
  if (fields.visibility && !loadedToken_.empty()) ReadServerDefault(network, account->Get(kServer), loadedToken_);
}

void AccountDialog::LoadPostChoices(SettingsStore* account) {
  const Catalog& words = Words();
  Step([&] {
    view_.Visibility().AddItem(words.Tr(u"The server's default"));
    for (std::string_view visibility : kVisibilities) view_.Visibility().AddItem(VisibilityName(words, visibility));
  });
  languages_ = PostLanguageChoices(words);
  std::string storedLanguage;
  if (account) Step([&] { storedLanguage = UsableLanguage(account->Get(kPostLanguage)); });
  auto known = std::find_if(languages_.begin(), languages_.end(),
                            [&](const PostLanguageChoice& language) { return language.code == storedLanguage; });
  // A code the table lacks is kept, shown as it is stored.
  if (!storedLanguage.empty() && known == languages_.end())
    languages_.push_back({storedLanguage, Widen(storedLanguage)});
  Step([&] {
    view_.PostLanguage().AddItem(words.Tr(u"The account's default"));
    for (const PostLanguageChoice& language : languages_) view_.PostLanguage().AddItem(language.name);
  });
  loadedVisibility_ = loadedLanguage_ = 0;
  if (account) {
    Step([&] {
      std::string visibility = UsableVisibility(account->Get(kVisibility));
      auto at = std::find(std::begin(kVisibilities), std::end(kVisibilities), visibility);
      if (at != std::end(kVisibilities))
        loadedVisibility_ = static_cast<std::int32_t>(at - std::begin(kVisibilities)) + 1;
    });
    for (std::size_t i = 0; i < languages_.size(); ++i)
      if (!storedLanguage.empty() && languages_[i].code == storedLanguage)
        loadedLanguage_ = static_cast<std::int32_t>(i) + 1;
  }
  Step([&] { view_.Visibility().SetListIndex(loadedVisibility_); });
  Step([&] { view_.PostLanguage().SetListIndex(loadedLanguage_); });
}

void AccountDialog::StorePostChoices(SettingsStore& account, const AccountKind& kind) {
  // Only a choice the person changed is written: a value the lists cannot show stays as it is.
  const AccountFields& offered = kind.fields;
  auto store = [&account](const TextSetting& setting, std::string_view value) {
    if (value.empty()) {
      if (!account.Get(setting).empty()) account.Delete(setting);
    } else {
      account.Save(setting, Widen(value));
    }
  };
  std::int32_t visibility = view_.Visibility().ListIndex();
  if (offered.visibility && visibility != loadedVisibility_ && visibility >= 0 &&
      visibility <= static_cast<std::int32_t>(std::size(kVisibilities)))
    store(kVisibility, visibility == 0 ? std::string_view() : kVisibilities[visibility - 1]);
  std::int32_t language = view_.PostLanguage().ListIndex();
  if (offered.language && language != loadedLanguage_ && language >= 0 &&
      language <= static_cast<std::int32_t>(languages_.size()))
    store(kPostLanguage, language == 0 ? std::string_view() : std::string_view(languages_[language - 1].code));
}

void AccountDialog::ReadServerDefault(const Network& network, const std::u16string& server, const std::string& token) {
  ParsedServer parsed = ParseServer(server);
  if (server.empty() || !parsed.address || token.empty()) return;
  std::optional<platform::HttpRequest> whose = network.WhoseToken(*parsed.address, token);
  if (!whose) return;
  std::weak_ptr<AccountDialog*> alive = self_;
  Step([&] {
    s_.http.Send(std::move(*whose),
                 [alive](const platform::HttpReply& reply) {
                   auto self = alive.lock();
                   if (!self || reply.outcome != platform::HttpOutcome::kReplied || reply.status / 100 != 2) return;
                   (*self)->ShowServerDefault(service_replies::DefaultVisibility(reply.body));
                 });
  });
}

void AccountDialog::ShowServerDefault(std::string_view visibility) {
  if (visibility.empty()) return;
  Step([&] {
    view_.Visibility().SetItem(0,
                               FillIn(Words().Tr(u"The server's default (%1)"), {VisibilityName(Words(), visibility)}));
  });
}

const AccountKind& AccountDialog::Chosen() {
  std::int32_t index = -1;
  Step([&] { index = view_.Api().ListIndex(); });
  std::vector<AccountKind>& kinds = Kinds();
  if (index < 0 || index >= static_cast<std::int32_t>(kinds.size())) return kinds.front();
  return kinds[static_cast<std::size_t>(index)];
}

std::u16string AccountDialog::EnteredServer(const AccountKind& kind) {
  if (kind.fields.relays) return {};  // its lines go to its relays
  if (kind.fields.otherServer && view_.OtherServer().Value() != 1) return {};
  return Trimmed(view_.Server().Text());
}

void AccountDialog::ShowChosenFields() {
  Step([&] {
    view_.ShowFields(ShownFields(Chosen(), view_.TokenInstead().Value() == 1, view_.OtherServer().Value() == 1));
  });
}

void AccountDialog::OnChoiceChanged() {
  ShowChosenFields();
  // A Nostr account chosen without a key gets a new one at once; one pasted replaces it.
  if (Chosen().fields.nostrKey && Trimmed(view_.SecretKey().Text()).empty()) OnGenerateKeyClicked();
}

void AccountDialog::OnGenerateKeyClicked() {
  std::u16string typed = Trimmed(view_.SecretKey().Text());
  if (!typed.empty() && typed != generatedSecretKey_) {
    bool replace = false;
    Step([&] {
      replace = view_.AskYesNo(
          Words().Tr(u"Replace the secret key with a new one? People who follow you know you by the old key, and it "
                     u"is lost unless you have kept it elsewhere."));
    });
    if (!replace) return;
  }
  const AccountKeys* keys = KindKeys();
  if (!keys) return;
  Step([&] {
    std::u16string key = keys->NewKey(s_.secrets);
    Wipe(generatedSecretKey_);
    generatedSecretKey_ = std::move(key);
    view_.SecretKey().SetText(generatedSecretKey_);
  });
}

AccountDialog::TypedKey::~TypedKey() {
  if (key) Wipe(*key);
}

AccountDialog::TypedKey AccountDialog::TypedSecretKey() {
  const AccountKeys* keys = KindKeys();
  if (!keys) return {};
  std::u16string typed = Trimmed(view_.SecretKey().Text());
  AccountKeys::Typed read = keys->ReadKey(typed);
  Wipe(typed);
  TypedKey result;
  if (read.key) {
    result.key = std::move(read.key);
  } else {
    result.problem = Words().Tr(read.problem);
  }
  return result;
}

void AccountDialog::ShowPublicKey() {
  TypedKey typed = TypedSecretKey();
  Step([&] { view_.SetPublicKey(typed.key ? KindKeys()->PublicKey(*typed.key, s_.secrets) : u""); });
}

void AccountDialog::OnCopyPublicKeyClicked() {
  TypedKey typed = TypedSecretKey();
  if (!typed.key) return ShowMessage(typed.problem);
  bool copied = false;
  Step([&] {
    view_.CopyToClipboard(KindKeys()->PublicKey(*typed.key, s_.secrets));
    copied = true;
  });
  ShowMessage(copied ? Words().Tr(u"Your public key is on the clipboard: share it, and people can follow you.")
                     : Words().Tr(u"The public key could not be put on the clipboard: another program may be holding "
                                  u"it. Press Copy again."));
}

std::optional<std::vector<std::string>> AccountDialog::UsableRelays() {
  const AccountKeys* keys = KindKeys();
  if (!keys) return std::vector<std::string>{};
  std::vector<std::string> relays = keys->Relays(view_.Relays().Text());  // none typed: the default ones
  for (const std::string& relay : relays) {
    ParsedWebSocketAddress parsed = ParseWebSocketAddress(relay);
    if (!parsed.address) {
      ShowMessage(FillIn(Words().Tr(u"%1 is no relay address: a relay's address begins with wss://."), {Widen(relay)}));
      return std::nullopt;
    }
    if (!parsed.address->secure && !IsLoopbackHost(parsed.address->host)) {
      ShowMessage(FillIn(Words().Tr(u"%1 would carry your lines unencrypted: a relay's address begins with wss://, "
                                    u"and ws:// only to this computer."),
                         {Widen(relay)}));
      return std::nullopt;
    }
  }
  return relays;
}

bool AccountDialog::StoreNostr(SettingsStore& account, const NostrEntries& entries) {
  bool changed = false;
  const AccountKeys& keys = *KindKeys();
  if (entries.key != loadedSecretKey_) {
    keys.SaveKey(account, s_.secrets, entries.key);
    changed = true;
  }
  std::u16string relays = keys.StoredRelays(entries.relays);
  if (relays != account.Get(kRelays)) {
    if (relays.empty()) {
      account.Delete(kRelays);
    } else {
      account.Save(kRelays, relays);
    }
    changed = true;
  }
  return changed;
}

void AccountDialog::OnMakeAppPasswordClicked() {
  if (!s_.shell) return;
  std::intptr_t opened = 0;
  Step([&] {
    opened = s_.shell->ShellExecuteA(view_.Window().Handle(), "open", std::string(kAppPasswordsPage), "", "",
                                     platform::kSwShowNormal);
  });
  if (opened <= 32) ShowMessage(Words().Tr(u"The browser could not be opened."));  // ShellExecute's errors
}

std::optional<std::string> AccountDialog::TokenText() {
  std::u16string typed = Trimmed(view_.Token().Text());
  if (!std::all_of(typed.begin(), typed.end(), [](char16_t ch) { return ch > 0x20 && ch < 0x7F; })) {
    return std::nullopt;
  }
  return Narrow(typed);
}

std::optional<std::string> AccountDialog::UsableToken(const std::u16string& server) {
  if (!server.empty()) {
    ParsedServer parsed = ParseServer(server);
    if (!parsed.address) {
      ShowMessage(Words().Tr(parsed.problem));
      Step([&] { view_.FocusServer(); });
      return std::nullopt;
    }
  }
  std::optional<std::string> token = TokenText();
  if (!token) ShowMessage(Words().Tr(u"The access token may hold only letters, digits and signs, without blanks."));
  return token;
}

void AccountDialog::ShowMessage(std::u16string_view message) {
  Step([&] { view_.Message().SetCaption(message); });
}

void AccountDialog::Store(const AccountKind& kind, const std::u16string& server, const std::string& token,
                          const std::optional<NostrEntries>& nostr) {
  Accounts accounts(s_.settings);
  std::string id = s_.accountId.empty() ? accounts.Add() : s_.accountId;
  std::unique_ptr<SettingsStore> account = accounts.Store(id);
  bool isNew = s_.accountId.empty();
  storedId_ = id;
  bool changed = isNew;
  const Network& chosen = *kind.network;
  if (&NetworkOf(*account) != &chosen || (isNew && &chosen != Networks().front())) {
    account->Save(kApi, std::u16string(chosen.ApiName()));
    changed = true;
  }
  if (server != account->Get(kServer)) {
    changed = true;
    if (server.empty()) {
      account->Delete(kServer);
      account->Delete(kTextLimit);  // the built-in service takes 140 characters
    } else {
      account->Save(kServer, server);
      if (testedLimit_ && testedServer_ == server) {
        account->SaveNumber(kTextLimit, *testedLimit_);
      } else {
        account->Delete(kTextLimit);  // read from the new server by the program
      }
    }
  }
  bool serviceChanged = changed;
  std::u16string userName = Trimmed(view_.UserName().Text());
  if (userName != account->Get(kUserName)) {
    changed = true;
    if (userName.empty() && account->Scoped()) {
      account->Delete(kUserName);
    } else {
      account->Save(kUserName, userName);  // the first account's is written as the settings dialog writes it
    }
  }
  std::u16string password = view_.Password().Text();
  // The first account's password takes the form its service calls for (settings/accounts.h),
  // also when only the service changed.
  if (password != loadedPassword_ || (serviceChanged && !account->Scoped())) {
    changed = changed || password != loadedPassword_;
    SavePassword(*account, s_.secrets, password);
  }
  if (token != loadedToken_) {
    changed = true;
    access_token::Save(*account, s_.secrets, token);
  }
  StorePostChoices(*account, kind);
  if (nostr && StoreNostr(*account, *nostr)) changed = true;
  if (testedSignIn_ && testedSignIn_->MadeBy(kind.network)) testedSignIn_->KeepWith(*account, s_.secrets);
  if (changed && s_.changed) Step([&] { s_.changed(); });
}

TestSessions AccountDialog::DialogSessions() {
  std::weak_ptr<AccountDialog*> alive = self_;
  return {.tested = testedSignIn_,
          .stored = std::shared_ptr<SettingsStore>(AccountStore()),  // none for a new account
          .secrets = &s_.secrets,
          .keep =
              [alive](std::shared_ptr<const TestedSignIn> made) {
                if (auto self = alive.lock()) (*self)->testedSignIn_ = std::move(made);
              }};
}

void AccountDialog::OnOkClicked() {
  const AccountKind& chosen = Chosen();
  std::optional<NostrEntries> nostr;
  if (chosen.fields.nostrKey) {
    TypedKey typed = TypedSecretKey();
    if (!typed.key) return ShowMessage(typed.problem);
    std::optional<std::vector<std::string>> relays = UsableRelays();
    if (!relays) return;
    nostr = NostrEntries{*typed.key, std::move(*relays)};
  }
  std::u16string server = EnteredServer(chosen);
  std::optional<std::string> token = UsableToken(server);
  if (!token) return;
  std::u16string inClear = ClearCredentialsWarning(Words(), server, *chosen.network, *token);
  bool entriesChanged = true;
  if (std::unique_ptr<SettingsStore> account = AccountStore()) {
    entriesChanged =
        server != account->Get(kServer) || chosen.network != &NetworkOf(*account) || *token != loadedToken_;
  }
  std::u16string entries = std::u16string(chosen.network->ApiName()) + u"\n" + server + u"\n" + Widen(*token);
  if (!inClear.empty() && entriesChanged && entries != acceptedInClear_) {
    bool accepted = false;
    Step([&] { accepted = view_.AskYesNo(inClear + u" " + Words().Tr(u"Use this server anyway?")); });
    if (!accepted) {
      ShowMessage(inClear);
      Step([&] { view_.FocusServer(); });
      return;
    }
    acceptedInClear_ = entries;  // asked once
  }
  try {
    Store(chosen, server, *token, nostr);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);  // the person is told, in other words
    ShowMessage(Words().Tr(u"The account could not be stored safely; what was not stored was not kept."));
    return;
  }
  view_.Window().Unload();
}

void AccountDialog::OnCancelClicked() { view_.Window().Unload(); }

void AccountDialog::OnTestClicked() {
  const AccountKind& chosen = Chosen();
  const Network& network = *chosen.network;
  std::u16string server = EnteredServer(chosen);
  AccountEntries entries{
      .network = &network,
      .server = server,
      .credentials = {.userName = Trimmed(view_.UserName().Text()), .password = view_.Password().Text()}};
  // A kind with a server of its own (Bluesky's) is tested there unless another is entered.
  bool ownServer = !network.ServerText(u"").empty();
  if (!network.JournalOnly() && !ownServer && !server.empty()) {
    std::optional<std::string> token = UsableToken(server);
    if (!token) return;
    entries.credentials.token = *token;
  } else if (ownServer) {
    ParsedServer parsed = ParseServer(network.ServerText(server));
    if (!parsed.address) {
      ShowMessage(Words().Tr(parsed.problem));
      Step([&] { view_.FocusServer(); });
      return;
    }
  }
  testedLimit_.reset();
  std::weak_ptr<AccountDialog*> alive = self_;
  TestAccount({.app = s_.app, .http = s_.http, .sessions = DialogSessions()}, entries,
              [alive, server](std::u16string words, std::optional<int> limit) {
                auto self = alive.lock();
                if (!self) return false;  // the dialog has closed
                AccountDialog& dialog = **self;
                dialog.testedServer_ = server;
                dialog.testedLimit_ = limit;
                dialog.ShowMessage(words);
                return true;
              });
}

void AccountDialog::SignInEnded(std::u16string_view words) {
  Step([&] { view_.SetSignInCaption(Words().Tr(u"Sign &in...")); });
  ShowMessage(words);
}

void AccountDialog::OnSignInClicked() {
  if (signIn_ && signIn_->stage() == BrowserSignIn::Stage::kWaitingForCode) {
    // "Use code": the code pasted into the token's box (Cancel or OK ends the wait instead).
    std::u16string code = Trimmed(view_.Token().Text());
    if (code.empty()) {
      ShowMessage(Words().Tr(u"Paste the code the server's page shows into Access token first."));
    } else {
      signIn_->EnterCode(utf8::FromUtf16(code));
    }
    return;
  }
  if (signIn_ && signIn_->Active()) {
    signIn_->Cancel();
    SignInEnded(Words().Tr(u"Sign-in cancelled."));
    return;
  }
  if (!s_.shell || !s_.clock) {
    ShowMessage(Words().Tr(u"Signing in through the browser is not available here."));
    return;
  }
  std::u16string server = Trimmed(view_.Server().Text());
  ParsedServer parsed = ParseServer(server);
  if (server.empty() || !parsed.address) {
    ShowMessage(server.empty() ? Words().Tr(u"Enter your server's address first.") : Words().Tr(parsed.problem));
    Step([&] { view_.FocusServer(); });
    return;
  }
  if (!signIn_) {
    // The servers' registrations are kept on the program's key, for every account.
    signIn_ = std::make_unique<BrowserSignIn>(
        BrowserSignInServices{s_.settings, s_.http, s_.secrets, *s_.shell, *s_.clock, view_.SignInTimer(),
                              s_.makeListener, s_.app},
        BrowserSignInEvents{
            .progress = [this](std::u16string_view words) { ShowMessage(words); },
            .codeNeeded =
                [this] {
                  Step([&] { view_.TokenInstead().SetValue(1); });  // the code goes into the token's box
                  ShowChosenFields();
                  Step([&] { view_.Token().SetText(u""); });
                  Step([&] { view_.SetSignInCaption(Words().Tr(u"Use code")); });
                  ShowMessage(
                      Words().Tr(u"Sign in on the page that opened, paste the code it shows into Access token, and "
                                 u"press Use code."));
                },
            .signedIn =
                [this](const std::string& token, std::u16string_view name, std::string_view defaultVisibility) {
                  Step([&] { view_.Token().SetText(Widen(token)); });
                  ShowServerDefault(defaultVisibility);
                  SignInEnded(name.empty() ? Words().Tr(u"Signed in. OK keeps the new token.")
                                           : FillIn(Words().Tr(u"Signed in as %1. OK keeps the new token."), {name}));
                },
            .failed = [this](std::u16string_view why) { SignInEnded(why); }});
  }
  // Signing in gives a token, which only the Mastodon-compatible interface uses.
  Step([&] { view_.Api().SetListIndex(IndexOf(NetworkSigningIn())); });
  ShowChosenFields();
  Step([&] { view_.SetSignInCaption(Words().Tr(u"Cancel")); });
  signIn_->Start(*parsed.address);
}

std::string ShowAccountModal(const AccountViewFactory& makeView, AccountServices services, platform::IWindow& owner) {
  std::unique_ptr<IAccountView> view = makeView();
  AccountDialog dialog(*view, std::move(services));
  dialog.Load();
  view->Window().ShowModal(owner);
  return dialog.storedId();
}

}  // namespace quillet
