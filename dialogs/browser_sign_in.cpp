#include "dialogs/browser_sign_in.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/json_lookup.h"
#include "common/pkce.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "networks/registry.h"
#include "networks/service_api.h"
#include "settings/app_registrations.h"

namespace quillet {
namespace {

constexpr std::string_view kFormType = "application/x-www-form-urlencoded";

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return -1;
}

// A query's value back to its bytes: "+" is a blank, "%XX" a byte; a "%" without two hex digits stays.
std::string PercentDecoded(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      bytes.push_back(' ');
    } else if (text[i] == '%' && i + 2 < text.size() + 0 && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

// Text as HTML shows it as it is.
std::string HtmlText(std::u16string_view text) {
  std::string html;
  for (char ch : utf8::FromUtf16(text)) {
    switch (ch) {
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '&': html += "&amp;"; break;
      case '"': html += "&quot;"; break;
      default: html += ch;
    }
  }
  return html;
}

// The page the browser lands on, in the person's language.
std::string Page(const Catalog& words, std::string_view status, std::u16string_view text) {
  std::string body = "<!DOCTYPE html>\n<html lang=\"" + words.Tag() + "\"" + (words.RightToLeft() ? " dir=\"rtl\"" : "") +
                     "><head><meta charset=\"utf-8\"><title>Quillet</title></head>\n<body><p>" + HtmlText(words.Tr(text)) +
                     "</p></body></html>\n";
  return "HTTP/1.1 " + std::string(status) + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
}

platform::HttpRequest Post(const ServerAddress& server, std::string_view path, std::string body) {
  platform::HttpRequest request;
  request.method = "POST";
  request.secure = server.secure;
  request.host = server.host;
  request.port = server.port;
  request.path = server.basePath + std::string(path);
  request.headers = {{"Content-Type", std::string(kFormType)}};
  request.body = std::move(body);
  return request;
}

bool Succeeded(const platform::HttpReply& reply) {
  return reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2;
}

enum class SignInStep { kRegistering, kSigningIn };

// Why a step failed, in words: the server's own error text when it gave one.
std::u16string Problem(const Catalog& words, SignInStep step, const platform::HttpReply& reply) {
  bool registering = step == SignInStep::kRegistering;
  if (reply.outcome != platform::HttpOutcome::kReplied)
    return registering ? words.Tr(u"Registering Quillet failed: the server could not be reached (or gave no answer).")
                       : words.Tr(u"Signing in failed: the server could not be reached (or gave no answer).");
  std::u16string status = utf8::ToUtf16(std::to_string(reply.status));
  std::optional<std::string> said = json::Lookup(reply.body, {"error_description"});
  if (!said || said->empty() || said->size() >= 300) said = json::Lookup(reply.body, {"error"});
  if (said && !said->empty() && said->size() < 300) {
    return FillIn(registering ? words.Tr(u"Registering Quillet was refused by the server (%1): %2.")
                              : words.Tr(u"Signing in was refused by the server (%1): %2."),
                  {status, utf8::ToUtf16(*said)});
  }
  return FillIn(registering ? words.Tr(u"Registering Quillet was refused by the server (%1).")
                            : words.Tr(u"Signing in was refused by the server (%1)."),
                {status});
}

}  // namespace

CallbackRequest ParseCallbackRequest(std::string_view head) {
  CallbackRequest request;
  std::string_view line = head.substr(0, head.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || line.substr(0, blank) != "GET") return request;
  std::string_view target = line.substr(blank + 1);
  target = target.substr(0, target.find(' '));
  std::size_t mark = target.find('?');
  if (target.substr(0, mark) != "/callback") return request;
  request.isCallback = true;
  if (mark == std::string_view::npos) return request;
  std::string_view query = target.substr(mark + 1);
  query = query.substr(0, query.find('#'));
  while (!query.empty()) {
    std::size_t amp = query.find('&');
    std::string_view field = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
    std::size_t equals = field.find('=');
    std::string name = PercentDecoded(field.substr(0, equals));
    std::string value = equals == std::string_view::npos ? std::string() : PercentDecoded(field.substr(equals + 1));
    if (name == "code") request.code = value;
    if (name == "state") request.state = value;
    if (name == "error") request.error = value;
  }
  return request;
}

std::string QueryText(const std::vector<std::pair<std::string_view, std::string_view>>& fields) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const auto& [name, value] : fields) {
    if (!text.empty()) text.push_back('&');
    text += name;
    text.push_back('=');
    for (char ch : value) {
      bool unreserved = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
                        ch == '.' || ch == '_' || ch == '~';
      if (unreserved) {
        text.push_back(ch);
      } else {
        auto byte = static_cast<unsigned char>(ch);
        text.push_back('%');
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 15]);
      }
    }
  }
  return text;
}

std::string AuthorizeUrl(const ServerAddress& server, std::string_view clientId, std::string_view redirectUri,
                         std::string_view state, std::string_view codeChallenge) {
  return server.Url("oauth/authorize") + "?" +
         QueryText({{"response_type", "code"},
                    {"client_id", clientId},
                    {"redirect_uri", redirectUri},
                    {"scope", kSignInScopes},
                    {"state", state},
                    {"code_challenge", codeChallenge},
                    {"code_challenge_method", "S256"}});
}

bool RetryWithOutOfBand(const platform::HttpReply& reply) {
  return reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 4 && reply.status != 401 &&
         reply.status != 403 && reply.status != 404 && reply.status != 429;
}

bool RegistrationGone(const platform::HttpReply& reply) {
  if (reply.outcome != platform::HttpOutcome::kReplied) return false;
  return reply.status == 401 || json::Lookup(reply.body, {"error"}) == "invalid_client";
}

BrowserSignIn::BrowserSignIn(BrowserSignInServices services, BrowserSignInEvents events)
    : s_(std::move(services)), events_(std::move(events)) {
  s_.timer.SetEnabled(false);
  s_.timer.OnTimer([this] { OnTick(); });
}

BrowserSignIn::~BrowserSignIn() {
  Step([&] { s_.timer.OnTimer({}); });
  Step([&] { s_.timer.SetEnabled(false); });
}

void BrowserSignIn::Start(const ServerAddress& server) {
  if (Active()) return;
  DropListener();
  ++attempt_;
  server_ = server;
  serverKey_ = server.Url();
  // 32 bytes make a 43-character verifier, the shortest RFC 7636 allows.
  try {
    state_ = pkce::Base64Url(s_.secrets.RandomBytes(16));
    verifier_ = pkce::Base64Url(s_.secrets.RandomBytes(32));
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
    Fail(Words().Tr(u"Signing in needs the system's random numbers, which could not be had."));
    return;
  }
  // Listening first, so that a computer where that cannot be done goes the out-of-band way.
  port_ = 0;
  if (s_.makeListener) {
    Step([&] {
      auto listener = s_.makeListener();
      std::weak_ptr<BrowserSignIn*> alive = self_;
      port_ = listener->Listen([alive, &app = s_.app](std::string_view head) {
        auto self = alive.lock();
        return self ? (*self)->Answer(head)
                    : platform::LoopbackAnswer{Page(app.Words(), "410 Gone", Translatable(u"Quillet is no longer waiting.")), true};
      });
      listener_ = std::move(listener);
    });
  }
  std::optional<app_registrations::AppRegistration> kept =
      app_registrations::Find(s_.settings, s_.secrets, serverKey_);
  bool wantLoopback = listener_ != nullptr;
  if (kept && (kept->redirectUri == kOutOfBandRedirect || (kept->redirectUri == kLoopbackRedirect && wantLoopback))) {
    clientId_ = kept->clientId;
    clientSecret_ = kept->clientSecret;
    outOfBand_ = kept->redirectUri == kOutOfBandRedirect;
    CheckKeptRegistration(!wantLoopback);
    return;
  }
  Register(!wantLoopback);
}

void BrowserSignIn::CheckKeptRegistration(bool outOfBandIfNew) {
  // A server may have removed an application it kept unused: asked for a token of the
  // application's own, it says so ("invalid_client"), and Quillet registers again. A server that
  // does not give such tokens (snac answers 400) is taken at its word that the application stands.
  stage_ = Stage::kRegistering;
  if (events_.progress) events_.progress(FillIn(Words().Tr(u"Asking %1 to sign in..."), {utf8::ToUtf16(server_.host)}));
  std::string body = QueryText({{"grant_type", "client_credentials"},
                                {"client_id", clientId_},
                                {"client_secret", clientSecret_},
                                {"scope", "read"}});
  Send(Post(server_, "oauth/token", std::move(body)), [this, outOfBandIfNew](const platform::HttpReply& reply) {
    if (RegistrationGone(reply)) {
      Register(outOfBandIfNew);
    } else {
      OpenBrowser();
    }
  });
}

void BrowserSignIn::Register(bool outOfBand) {
  stage_ = Stage::kRegistering;
  outOfBand_ = outOfBand;
  if (outOfBand) DropListener();
  if (events_.progress) events_.progress(FillIn(Words().Tr(u"Registering Quillet with %1..."), {utf8::ToUtf16(server_.host)}));
  std::string_view redirect = outOfBand ? kOutOfBandRedirect : kLoopbackRedirect;
  std::string body = QueryText({{"client_name", "Quillet"}, {"redirect_uris", redirect}, {"scopes", kSignInScopes}});
  Send(Post(server_, "api/v1/apps", std::move(body)), [this, outOfBand, redirect](const platform::HttpReply& reply) {
    std::optional<std::string> clientId, clientSecret;
    if (Succeeded(reply)) {
      clientId = json::Lookup(reply.body, {"client_id"});
      clientSecret = json::Lookup(reply.body, {"client_secret"});
    }
    if (!clientId || !clientSecret || clientId->empty()) {
      if (!outOfBand && RetryWithOutOfBand(reply)) {
        Register(true);
        return;
      }
      Fail(Succeeded(reply)
               ? Words().Tr(u"The server's answer to the registration holds no client id: is this a Mastodon-compatible server?")
               : Problem(Words(), SignInStep::kRegistering, reply));
      return;
    }
    clientId_ = *clientId;
    clientSecret_ = *clientSecret;
    Step([&] {
      app_registrations::Keep(s_.settings, s_.secrets, {serverKey_, std::string(redirect), clientId_, clientSecret_});
    });
    OpenBrowser();
  });
}

std::string BrowserSignIn::RedirectUri() const {
  if (outOfBand_) return std::string(kOutOfBandRedirect);
  return "http://127.0.0.1:" + std::to_string(port_) + "/callback";
}

void BrowserSignIn::OpenBrowser() {
  if (outOfBand_) DropListener();
  std::string url = AuthorizeUrl(server_, clientId_, RedirectUri(), state_, pkce::S256Challenge(verifier_));
  std::intptr_t opened = 0;
  Step([&] { opened = s_.shell.ShellExecuteA(0, "open", url, "", "", platform::kSwShowNormal); });
  if (opened <= 32) {  // ShellExecute's errors are the values up to 32
    Fail(Words().Tr(u"The browser could not be opened."));
    return;
  }
  stage_ = outOfBand_ ? Stage::kWaitingForCode : Stage::kWaitingForBrowser;
  deadline_ = s_.clock.MonotonicMs() + kSignInTimeoutMs;
  Step([&] { s_.timer.SetEnabled(true); });
  if (outOfBand_) {
    if (events_.progress) events_.progress(Words().Tr(u"Sign in on the page that opened, then paste the code it shows."));
    if (events_.codeNeeded) events_.codeNeeded();
  } else {
    if (events_.progress) events_.progress(Words().Tr(u"Waiting for the browser..."));
  }
}

platform::LoopbackAnswer BrowserSignIn::Answer(std::string_view head) {
  // The listener is calling: it is set aside rather than destroyed until it has returned.
  answering_ = true;
  struct Done {
    bool& answering;
    ~Done() { answering = false; }
  } done{answering_};
  CallbackRequest request = ParseCallbackRequest(head);
  if (!request.isCallback) return {Page(Words(), "404 Not Found", Translatable(u"Not here.")), false};
  if (stage_ != Stage::kWaitingForBrowser || request.state.empty() || request.state != state_) {
    // Not the sign-in Quillet started: refused, and the real one is still awaited.
    return {Page(Words(), "400 Bad Request", Translatable(u"This is not the sign-in Quillet is waiting for.")), false};
  }
  if (!request.error.empty() || request.code.empty()) {
    if (!request.error.empty() && request.error.size() < 100)
      Fail(FillIn(Words().Tr(u"The server did not sign you in (%1)."), {utf8::ToUtf16(request.error)}));
    else
      Fail(Words().Tr(u"The server did not sign you in."));
    return {Page(Words(), "200 OK", Translatable(u"Quillet was not signed in. You can close this page.")), true};
  }
  Exchange(request.code);
  return {Page(Words(), "200 OK", Translatable(u"Quillet is signed in. You can close this page.")), true};
}

void BrowserSignIn::EnterCode(std::string_view code) {
  if (stage_ != Stage::kWaitingForCode) return;
  std::string trimmed;
  for (char ch : code)
    if (ch > 0x20 && ch < 0x7F) trimmed.push_back(ch);
  if (trimmed.empty()) return;
  Exchange(trimmed);
}

void BrowserSignIn::Exchange(const std::string& code) {
  stage_ = Stage::kExchanging;
  Step([&] { s_.timer.SetEnabled(false); });
  if (events_.progress) events_.progress(Words().Tr(u"Signing in..."));
  std::string redirect = RedirectUri();
  std::string body = QueryText({{"grant_type", "authorization_code"},
                                {"code", code},
                                {"client_id", clientId_},
                                {"client_secret", clientSecret_},
                                {"redirect_uri", redirect},
                                {"code_verifier", verifier_},
                                {"scope", kSignInScopes}});
  Send(Post(server_, "oauth/token", std::move(body)), [this](const platform::HttpReply& reply) {
    std::optional<std::string> token;
    if (Succeeded(reply)) token = json::Lookup(reply.body, {"access_token"});
    bool usable = token && !token->empty() &&
                  std::all_of(token->begin(), token->end(), [](char ch) { return ch > 0x20 && ch < 0x7F; });
    if (!usable) {
      Fail(Problem(Words(), SignInStep::kSigningIn, reply));
      return;
    }
    Verify(*token);
  });
}

void BrowserSignIn::Verify(const std::string& token) {
  stage_ = Stage::kVerifying;
  DropListener();
  const Network& network = NetworkSigningIn();
  std::optional<platform::HttpRequest> whose = network.WhoseToken(server_, token);
  if (!whose) return Fail(Words().Tr(u"Signing in through the browser is not available here."));
  Send(std::move(*whose),
       [this, token, &network](const platform::HttpReply& reply) {
         std::optional<std::u16string> name;
         std::string defaultVisibility;
         if (Succeeded(reply)) {
           name = network.SignedInName(reply.body);
           defaultVisibility = service_replies::DefaultVisibility(reply.body);
         }
         auto signedIn = events_.signedIn;
         Finish();
         if (signedIn) signedIn(token, name.value_or(u""), defaultVisibility);
       });
}

void BrowserSignIn::Send(platform::HttpRequest request, Callback<void(const platform::HttpReply&)> done) {
  std::weak_ptr<BrowserSignIn*> alive = self_;
  std::uint64_t attempt = attempt_;
  try {
    s_.http.Send(std::move(request), [alive, attempt, done](const platform::HttpReply& reply) {
      auto self = alive.lock();
      if (!self || (*self)->attempt_ != attempt || !(*self)->Active()) return;  // closed or cancelled
      done(reply);
    });
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
    Fail(Words().Tr(u"The request could not be sent."));
  }
}

void BrowserSignIn::OnTick() {
  if ((stage_ == Stage::kWaitingForBrowser || stage_ == Stage::kWaitingForCode) && s_.clock.MonotonicMs() >= deadline_) {
    Fail(stage_ == Stage::kWaitingForBrowser ? Words().Tr(u"No answer came from the browser within 5 minutes: sign in again.")
                                             : Words().Tr(u"No code came within 5 minutes: sign in again."));
  }
}

void BrowserSignIn::Cancel() { Finish(); }

void BrowserSignIn::Fail(std::u16string_view why) {
  std::u16string words(why);
  auto failed = events_.failed;
  Finish();
  if (failed) failed(words);
}

void BrowserSignIn::Finish() {
  ++attempt_;
  stage_ = Stage::kIdle;
  Step([&] { s_.timer.SetEnabled(false); });
  DropListener();
  port_ = 0;
}

void BrowserSignIn::DropListener() {
  if (answering_) {
    if (listener_) retired_ = std::move(listener_);
    return;
  }
  retired_.reset();
  listener_.reset();
}

}  // namespace quillet
