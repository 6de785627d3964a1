#pragma once
// The "Quillet Options" dialog: where the settings beyond the account and the interval are
// edited. Its Service section chooses the kind of service, the server's address and the
// access token, and tests them without posting. Its Pop-ups section sets the quiet hours,
// whether to hold the pop-up back while the user is busy or away, and the hotkey for "Post Now". Every value it edits
// is absent until the user makes it differ from the default, so that a key without them behaves as Quillet always did.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dialogs/browser_sign_in.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/loopback_listener.h"
#include "platform/shell.h"
#include "platform/secrets.h"
#include "delivery/service_api.h"
#include "platform/ui.h"
#include "settings/settings_store.h"

namespace quillet {

// The dialog's window and controls, made anew by the platform for every opening.
class IOptionsView {
 public:
  virtual ~IOptionsView() = default;
  virtual platform::IDialog& Window() = 0;
  virtual platform::IComboBox& Api() = 0;  // the kind of service, in the order of ServiceApi
  virtual platform::ITextBox& Server() = 0;
  virtual platform::ITextBox& Token() = 0;
  virtual platform::IClickable& Test() = 0;
  // "Sign in..." beside the server's address; while a sign-in is under way it reads "Cancel",
  // or "Use code" while a pasted code is awaited.
  virtual platform::IClickable& SignIn() = 0;
  virtual void SetSignInCaption(std::u16string_view caption) = 0;
  virtual platform::ITimer& SignInTimer() = 0;  // about once a second, off until enabled
  virtual platform::ILabel& ServiceMessage() = 0;  // the outcome of a test, or why an entry is refused
  virtual platform::ITextBox& QuietFrom() = 0;     // "HH:MM", or empty
  virtual platform::ITextBox& QuietTo() = 0;
  virtual platform::ICheckBox& RespectBusy() = 0;
  virtual platform::IHotkeyBox& Hotkey() = 0;
  virtual platform::ILabel& PopUpMessage() = 0;  // why an entry is refused, or that the hotkey is taken
  virtual platform::ICheckBox& Journal() = 0;    // "Keep a journal of my lines"
  virtual platform::IClickable& Ok() = 0;
  virtual platform::IClickable& Cancel() = 0;
  // Puts the keyboard focus into the server's address, with its text selected.
  virtual void FocusServer() = 0;
  // Puts the keyboard focus into the start of the quiet hours, or into the hotkey control.
  virtual void FocusQuietFrom() = 0;
  virtual void FocusHotkey() = 0;
  // Asks a question over the dialog; true for Yes.
  virtual bool AskYesNo(std::u16string_view question) = 0;
};

using OptionsViewFactory = std::function<std::unique_ptr<IOptionsView>()>;

struct OptionsServices {
  SettingsStore& settings;
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  // Runs after OK has stored a changed service (to read the new server's limits).
  std::function<void()> serviceChanged;
  // Takes the global hotkey for "Post Now" (none: releases it); false when another program
  // holds the combination.
  std::function<bool(std::optional<platform::KeyCombination>)> takeHotkey;
  // The hotkey the program holds now.
  std::function<std::optional<platform::KeyCombination>()> heldHotkey;
  // Signing in through the browser: without a shell and a clock, "Sign in..." says it cannot.
  platform::IShell* shell = nullptr;
  platform::IClock* clock = nullptr;
  platform::LoopbackListenerFactory makeListener;
};

class OptionsDialog {
 public:
  OptionsDialog(IOptionsView& view, OptionsServices services);
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  void Load();
  // Stores what changed and closes; an address or token that cannot be used is refused with a
  // message, and the dialog stays open. Changed service entries that would send the password or
  // token unencrypted are stored only when the person says Yes to that, once.
  void OnOkClicked();
  void OnCancelClicked();
  // Asks the server who the credentials belong to, and its limit on a line's length; the
  // outcome appears in words when the answers come, with a warning when the credentials
  // travelled unencrypted.
  void OnTestClicked();
  // Starts signing in through the browser to the server entered (a Mastodon-compatible one);
  // while a sign-in waits, cancels it, or hands it the code pasted into the token's box.
  void OnSignInClicked();

 private:
  void SignInEnded(std::u16string_view words);
  // The token field's text, if it can go into a header (visible ASCII only).
  std::optional<std::string> TokenText();
  // The token, when the server's address (if one is entered) and the token can be used;
  // otherwise the dialog says why and there is nothing.
  std::optional<std::string> UsableToken(const std::u16string& server);
  void ShowMessage(std::u16string_view message);
  // The warning for credentials that would travel unencrypted to this server (http:// to a host
  // other than loopback) with this kind of service and token; empty when they would not.
  static std::u16string ClearCredentialsWarning(const std::u16string& server, ServiceApi api, const std::string& token);
  void ShowPopUpMessage(std::u16string_view message);
  // Test for Bluesky: the kept session or a new one, then who is signed in.
  void TestBluesky(const std::u16string& server);
  // The quiet hours as entered (both empty: none), or the reason they are refused.
  struct QuietHours {
    std::optional<int> from, to;
    std::u16string problem;
  };
  QuietHours EnteredQuietHours();
  void StorePopUpSettings(const QuietHours& quiet, std::optional<platform::KeyCombination> hotkey);

  IOptionsView& view_;
  OptionsServices s_;
  std::string loadedToken_;
  // The limit the last successful test read, and the address it was read from.
  std::u16string testedServer_;
  std::optional<int> testedLimit_;
  // The service entries whose credentials in clear the person has accepted at OK.
  std::u16string acceptedInClear_;
  std::unique_ptr<BrowserSignIn> signIn_;  // none without a shell and a clock
  // Replies of tests still under way reach the dialog only while it exists.
  std::shared_ptr<OptionsDialog*> self_ = std::make_shared<OptionsDialog*>(this);
};

// Makes a fresh dialog (filled by Load) and shows it modally over `owner`; returns when it
// has been closed, and destroys it.
void ShowOptionsModal(const OptionsViewFactory& makeView, OptionsServices services, platform::IWindow& owner);

}  // namespace quillet
