#pragma once
// Signing in to a Mastodon-compatible server through the browser (OAuth 2.0 authorization code
// with PKCE, RFC 6749, 7636 and 8252), for any dialog that needs an access token:
//   1. the application is registered on the server (POST api/v1/apps), once per server: the
//      registration is kept protected (settings/app_registrations.h) and reused while the server
//      still knows it (a client-credentials token request does not say "invalid_client");
//   2. the server's authorization page opens in the browser, with a random state and an S256
//      code challenge;
//   3. the browser comes back to a one-shot listener on 127.0.0.1 at a port the system chose
//      ("http://127.0.0.1:<port>/callback"); a server that refuses that redirect gets the
//      out-of-band one instead, and the person pastes the code the page shows (EnterCode);
//   4. the code is exchanged for a token (POST oauth/token), and verify_credentials says whose.
// A waiting sign-in gives up after five minutes on the monotonic clock, or when cancelled; the
// listener is closed then. The token is handed to the caller, which decides where it is kept.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "delivery/server_address.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/loopback_listener.h"
#include "platform/secrets.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "settings/settings_store.h"

namespace quillet {

inline constexpr std::string_view kLoopbackRedirect = "http://127.0.0.1/callback";
inline constexpr std::string_view kOutOfBandRedirect = "urn:ietf:wg:oauth:2.0:oob";
inline constexpr std::string_view kSignInScopes = "write:statuses read:accounts";
inline constexpr std::int64_t kSignInTimeoutMs = 5 * 60 * 1000;

// What the browser's request to the loopback listener says.
struct CallbackRequest {
  bool isCallback = false;  // GET /callback (anything else, a favicon included, is not)
  std::string code, state, error;
};
// Reads a request's head (its request line and headers, as received). Pure.
CallbackRequest ParseCallbackRequest(std::string_view head);

// "name=value&..." with each value percent-encoded (RFC 3986's unreserved characters as they are).
std::string QueryText(const std::vector<std::pair<std::string_view, std::string_view>>& fields);

// The authorization page's address.
std::string AuthorizeUrl(const ServerAddress& server, std::string_view clientId, std::string_view redirectUri,
                         std::string_view state, std::string_view codeChallenge);

// Whether a refused registration with the loopback redirect should be tried again with the
// out-of-band one: the server answered, and with a 4xx (it did not like the request).
bool RetryWithOutOfBand(const platform::HttpReply& reply);

// Whether the answer to a kept application's own token request says the server no longer knows
// the application (401, or "invalid_client"), so that it must be registered again.
bool RegistrationGone(const platform::HttpReply& reply);

struct BrowserSignInServices {
  SettingsStore& settings;
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  platform::IShell& shell;
  platform::IClock& clock;
  platform::ITimer& timer;  // ticks about once a second; enabled only while a sign-in waits
  platform::LoopbackListenerFactory makeListener;
  const platform::IApplication& app;  // the person's language, for the messages and the page
};

struct BrowserSignInEvents {
  Callback<void(std::u16string_view words)> progress;  // "Waiting for the browser...", ...
  Callback<void()> codeNeeded;  // the server shows a code for the person to paste: EnterCode
  // With the name the server gave and the visibility its posts get by default (empty: not said).
  Callback<void(const std::string& token, std::u16string_view name, std::string_view defaultVisibility)> signedIn;
  Callback<void(std::u16string_view why)> failed;
};

class BrowserSignIn {
 public:
  enum class Stage { kIdle, kRegistering, kWaitingForBrowser, kWaitingForCode, kExchanging, kVerifying };

  BrowserSignIn(BrowserSignInServices services, BrowserSignInEvents events);
  BrowserSignIn(const BrowserSignIn&) = delete;
  BrowserSignIn& operator=(const BrowserSignIn&) = delete;
  ~BrowserSignIn();

  // Starts a sign-in to `server` (a Mastodon-compatible server's base address); one at a time.
  void Start(const ServerAddress& server);
  // The code the person pasted, while the stage is kWaitingForCode.
  void EnterCode(std::string_view code);
  // Ends a sign-in under way without a word; nothing more is reported of it.
  void Cancel();
  Stage stage() const { return stage_; }
  bool Active() const { return stage_ != Stage::kIdle; }
  // The listener's port while the browser is awaited (for tests).
  std::uint16_t listenerPort() const { return port_; }

 private:
  void Register(bool outOfBand);
  void CheckKeptRegistration(bool outOfBandIfNew);
  void OpenBrowser();
  platform::LoopbackAnswer Answer(std::string_view head);
  void Exchange(const std::string& code);
  void Verify(const std::string& token);
  void OnTick();
  void Fail(std::u16string_view why);
  // Closes the listener; while it is calling Answer, only sets it aside (closed at the next chance).
  void DropListener();
  void Finish();  // back to idle: the listener closed, the timer off, late replies dropped
  // Sends `request`; `done` runs only if this sign-in is still the one under way.
  void Send(platform::HttpRequest request, Callback<void(const platform::HttpReply&)> done);
  std::string RedirectUri() const;
  const Catalog& Words() const { return s_.app.Words(); }

  BrowserSignInServices s_;
  BrowserSignInEvents events_;
  Stage stage_ = Stage::kIdle;
  std::uint64_t attempt_ = 0;  // counts sign-ins; replies of an earlier one are dropped
  ServerAddress server_;
  std::string serverKey_;
  std::string clientId_, clientSecret_;
  bool outOfBand_ = false;
  std::string state_, verifier_;
  std::unique_ptr<platform::ILoopbackListener> listener_;
  std::unique_ptr<platform::ILoopbackListener> retired_;  // answered its last request
  bool answering_ = false;
  std::uint16_t port_ = 0;
  std::int64_t deadline_ = 0;
  std::shared_ptr<BrowserSignIn*> self_ = std::make_shared<BrowserSignIn*>(this);
};

}  // namespace quillet
