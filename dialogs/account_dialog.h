#pragma once
// The "Quillet Account" dialog: one account's kind of service and what that kind needs, and
// nothing else: a server address (with "Sign in..." through the browser beside it for a
// Mastodon-compatible one, and an access token for servers without that), a user name or handle
// and a password or app password, the visibility and language of the account's posts, a Nostr
// account's secret key (generated or pasted), its public key to share and its relays, or, for the
// journal only, where the journal is; and Test. It edits the first account's values on the
// program's key, or another's in its subkey Accounts\<id>; a new account's subkey is made only
// when OK stores it. Nothing is stored before OK, and Cancel stores nothing (a sign-in's server
// registration, kept for the next sign-in, aside).
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/callback.h"
#include "common/wipe.h"
#include "networks/account_fields.h"
#include "networks/network.h"
#include "networks/service_api.h"
#include "dialogs/browser_sign_in.h"
#include "dialogs/post_languages.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/loopback_listener.h"
#include "platform/secrets.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "settings/settings_store.h"

namespace quillet {

// A kind of network as the dialog offers it (networks/registry.h lists them): its entry in the
// kind list and what it shows, with the boxes behind the two check boxes shown. Everything else the
// dialog asks the network; `api` only says which of the program's own kinds it is (the
// Twitter-compatible one for a kind from elsewhere).
struct AccountKind {
  ServiceApi api;
  std::u16string_view choice;  // in English, translated where it is shown
  AccountFields fields;
  const Network* network;
};
// Every kind, in the order of the list.
std::span<const AccountKind> AccountKinds();
// What the dialog shows for the kind with the two check boxes as they are.
AccountFields ShownFields(const AccountKind& kind, bool tokenInstead, bool otherServer);
AccountFields ShownFields(ServiceApi api, bool tokenInstead, bool otherServer);

// The dialog's window and controls, made anew by the platform for every opening.
class IAccountView {
 public:
  virtual ~IAccountView() = default;
  virtual platform::IDialog& Window() = 0;
  virtual platform::IComboBox& Api() = 0;  // the kind of service, in the order of AccountKinds()
  virtual platform::ICheckBox& OtherServer() = 0;
  virtual platform::ITextBox& Server() = 0;
  // "Sign in..." beside the server's address; while a sign-in is under way it reads "Cancel",
  // or "Use code" while a pasted code is awaited.
  virtual platform::IClickable& SignIn() = 0;
  virtual void SetSignInCaption(std::u16string_view caption) = 0;
  virtual platform::ITimer& SignInTimer() = 0;  // about once a second, off until enabled
  virtual platform::ICheckBox& TokenInstead() = 0;
  virtual platform::ITextBox& Token() = 0;
  virtual platform::ITextBox& UserName() = 0;
  virtual platform::ITextBox& Password() = 0;
  virtual platform::IClickable& MakeAppPassword() = 0;  // "Make one..." beside the app password
  virtual platform::IComboBox& Visibility() = 0;        // the server's default, public, unlisted, followers only
  virtual platform::IComboBox& PostLanguage() = 0;      // the account's default, then the languages
  virtual void SetJournalPath(std::u16string_view path) = 0;
  virtual platform::ITextBox& SecretKey() = 0;  // a Nostr secret key, hidden as it is typed
  virtual platform::IClickable& GenerateKey() = 0;
  virtual void SetPublicKey(std::u16string_view npub) = 0;  // shown to be shared, not edited
  virtual platform::IClickable& CopyPublicKey() = 0;
  virtual platform::ITextBox& Relays() = 0;  // one address a line
  virtual void CopyToClipboard(std::u16string_view text) = 0;
  // Shows these fields and hides the others, keeping the window's size.
  virtual void ShowFields(const AccountFields& fields) = 0;
  // The person picked another kind of service, or ticked or unticked OtherServer or TokenInstead.
  virtual void OnChoiceChanged(Callback<void()> handler) = 0;
  virtual platform::IClickable& Test() = 0;
  virtual platform::ILabel& Message() = 0;  // the outcome of a test, or why an entry is refused
  virtual platform::IClickable& Ok() = 0;
  virtual platform::IClickable& Cancel() = 0;
  // Puts the keyboard focus into the server's address, with its text selected.
  virtual void FocusServer() = 0;
  // Asks a question over the dialog; true for Yes.
  virtual bool AskYesNo(std::u16string_view question) = 0;
};

using AccountViewFactory = Callback<std::unique_ptr<IAccountView>()>;

struct AccountServices {
  const platform::IApplication& app;
  SettingsStore& settings;  // the program's key
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  // The account edited; empty: a new one, made at OK under the next free id.
  std::string accountId;
  // Runs after OK has stored a changed account (to read the server's limits again).
  Callback<void()> changed;
  // Signing in through the browser: without a shell and a clock, "Sign in..." says it cannot.
  platform::IShell* shell = nullptr;
  platform::IClock* clock = nullptr;
  platform::LoopbackListenerFactory makeListener;
  // The program's files, where the journal is; none: the dialog names no folder.
  platform::IFiles* files = nullptr;
};

// Where "Make one..." takes a Bluesky account's person: the app passwords' page.
inline constexpr std::string_view kAppPasswordsPage = "https://bsky.app/settings/app-passwords";

class AccountDialog {
 public:
  AccountDialog(IAccountView& view, AccountServices services);
  ~AccountDialog();  // wipes the secrets it kept
  AccountDialog(const AccountDialog&) = delete;
  AccountDialog& operator=(const AccountDialog&) = delete;

  void Load();
  // Stores what changed and closes; an address or token that cannot be used is refused with a
  // message, and the dialog stays open. Changed service entries that would send the password or
  // token unencrypted are stored only when the person says Yes to that, once.
  void OnOkClicked();
  void OnCancelClicked();
  // Asks the server who the credentials entered belong to, and its limit on a line's length; the
  // values as typed, before OK, for a new account as for a stored one. A Bluesky session the test
  // makes is kept by the dialog, and stored with the account only when OK stores the server,
  // handle and app password it was made with.
  void OnTestClicked();
  // Starts signing in through the browser to the server entered (a Mastodon-compatible one);
  // while a sign-in waits, cancels it, or hands it the code pasted into the token's box.
  void OnSignInClicked();
  // Shows what the kind chosen needs.
  void OnChoiceChanged();
  // Opens the page where a Bluesky app password is made.
  void OnMakeAppPasswordClicked();
  // A new Nostr secret key into its box; one the person may still need is replaced only when
  // they say so.
  void OnGenerateKeyClicked();
  // The public key of the secret key as typed, shown and put on the clipboard.
  void OnCopyPublicKeyClicked();

  // The id OK stored the account under; empty until then.
  const std::string& storedId() const { return storedId_; }

 private:
  void SignInEnded(std::u16string_view words);
  const AccountKind& Chosen();
  // The server the entries stand for: a Bluesky account's only with "another server" ticked.
  std::u16string EnteredServer(const AccountKind& kind);
  void ShowChosenFields();
  void LoadPostChoices(SettingsStore* account);
  // Asks the server which visibility its posts get by default, to name it in the list.
  void ReadServerDefault(const Network& network, const std::u16string& server, const std::string& token);
  void ShowServerDefault(std::string_view visibility);
  void StorePostChoices(SettingsStore& account, const AccountKind& kind);
  // The secret key typed, or the words why it cannot be used.
  struct TypedKey {
    ~TypedKey();  // wipes the key
    std::optional<std::u16string> key;  // as it is kept
    std::u16string problem;
  };
  TypedKey TypedSecretKey();
  void ShowPublicKey();
  // The relays typed, each usable; nothing (and the person told why) otherwise.
  std::optional<std::vector<std::string>> UsableRelays();
  struct NostrEntries {
    ~NostrEntries() { Wipe(key); }
    std::u16string key;  // as it is kept
    std::vector<std::string> relays;
  };
  // Stores what changed; true when something did.
  bool StoreNostr(SettingsStore& account, const NostrEntries& entries);
  std::optional<std::string> TokenText();
  std::optional<std::string> UsableToken(const std::u16string& server);
  void ShowMessage(std::u16string_view message);
  const Catalog& Words() const { return s_.app.Words(); }
  std::unique_ptr<SettingsStore> AccountStore();
  void Store(const AccountKind& kind, const std::u16string& server, const std::string& token,
             const std::optional<NostrEntries>& nostr);
  // The sign-ins of a test: the one the dialog keeps, or the stored account's.
  TestSessions DialogSessions();

  IAccountView& view_;
  AccountServices s_;
  std::string loadedToken_;
  std::u16string loadedPassword_;
  // The Nostr secret key as loaded, and the last one generated here (nsec texts).
  std::u16string loadedSecretKey_, generatedSecretKey_;
  // The limit the last successful test read, and the address it was read from.
  std::u16string testedServer_;
  std::optional<int> testedLimit_;
  // What the last test signed in with (a Bluesky session), for the account it was made for.
  std::shared_ptr<const TestedSignIn> testedSignIn_;
  // The service entries whose credentials in clear the person has accepted at OK.
  std::u16string acceptedInClear_;
  std::string storedId_;
  // The languages' list as shown after its first entry, and the choices as loaded.
  std::vector<PostLanguageChoice> languages_;
  std::int32_t loadedVisibility_ = 0, loadedLanguage_ = 0;
  std::unique_ptr<BrowserSignIn> signIn_;  // none without a shell and a clock
  // Replies of tests still under way reach the dialog only while it exists.
  std::shared_ptr<AccountDialog*> self_ = std::make_shared<AccountDialog*>(this);
};

// Makes a fresh dialog (filled by Load) and shows it modally over `owner`; returns, when it has
// been closed, the id OK stored the account under (empty: Cancel).
std::string ShowAccountModal(const AccountViewFactory& makeView, AccountServices services, platform::IWindow& owner);

}  // namespace quillet
