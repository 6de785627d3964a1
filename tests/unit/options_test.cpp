// The account dialog (the first account, through the Options dialog's Accounts section), and
// what it shows for each kind of service, and where confirmed lines go with each service setting
// (the visibility and language of posts with them), through the program as it is wired.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "common/codepage.h"
#include "common/language_choice.h"
#include "common/utf8.h"
#include "networks/nostr/nostr_account.h"
#include "settings/password_scrambling.h"
#include "settings/access_token.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"
#include "tests/unit/update_window_fixture.h"

namespace quillet::testing {
namespace {

using platform::kRegSz;

class OptionsTest : public UpdateWindowTest {
 protected:
  // Opens Options from the tray menu; `user` acts while it is up.
  void OpenOptions(Callback<void(FakeOptionsView&)> user) {
    whileOptions = std::move(user);
    menu->Choose(u"&Options...");
  }
  // Opens Options, selects the first account and edits it; `user` acts in the account dialog, and
  // Options closes with OK after it.
  void EditFirstAccount(Callback<void(FakeAccountView&)> user) {
    whileAccount = std::move(user);
    OpenOptions([](FakeOptionsView& view) {
      view.SelectAccount(0);
      view.edit.Click();
      view.ok.Click();
    });
  }
  std::optional<std::string> Stored(const std::string& name) {
    const auto* value = registry.Find(kAppKey, name);
    if (value == nullptr) return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
  }
};

TEST_F(OptionsTest, OkWithNothingChangedLeavesEveryNewValueAbsent) {
  Start();
  EditFirstAccount([](FakeAccountView& view) {
    EXPECT_EQ(view.api.ListIndex(), 0);
    EXPECT_EQ(view.server.Text(), u"");
    EXPECT_EQ(view.token.Text(), u"");
    view.ok.Click();
  });
  EXPECT_EQ(optionsShown, 1);
  for (const char* name : {"Api", "Server", "Token", "TextLimit", "Journal"})
    EXPECT_EQ(Stored(name), std::nullopt) << name;
}

TEST_F(OptionsTest, BlueskyIsStoredTestedWithAnAppPasswordAndPostsToBskySocialByDefault) {
  Start();
  Store("Password", "");
  EditFirstAccount([&](FakeAccountView& view) {
    view.api.SetListIndex(3);
    view.test.Click();  // no app password yet: where to make one
    EXPECT_NE(view.message.Caption().find(u"Bluesky: Settings, Privacy and security, App passwords"),
              std::u16string::npos);
    view.password.SetText(u"app-pass-word");
    view.test.Click();
    ASSERT_EQ(http.pending.size(), 1u);
    EXPECT_EQ(http.pending[0].request.host, "bsky.social");
    EXPECT_EQ(http.pending[0].request.path, "/xrpc/com.atproto.server.createSession");
    http.Answer(200, R"({"did":"did:plc:a","handle":"alice.bsky.social","accessJwt":"A","refreshJwt":"R"})");
    EXPECT_EQ(http.pending.at(0).request.path, "/xrpc/com.atproto.server.getSession");
    http.Answer(200, R"({"did":"did:plc:a","handle":"alice.bsky.social"})");
    EXPECT_EQ(view.message.Caption(), u"Signed in as @alice.bsky.social. Lines may be up to 300 characters long.");
    view.test.Click();  // the kept session: no second sign-in
    EXPECT_EQ(http.pending.at(0).request.path, "/xrpc/com.atproto.server.getSession");
    http.Answer(200, R"({"handle":"alice.bsky.social"})");
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Api"), "bluesky");
  EXPECT_EQ(Stored("Server"), std::nullopt);
  EXPECT_TRUE(Stored("Session"));
  EXPECT_EQ(LoadPassword(program.settings(), secrets), u"app-pass-word");
  EXPECT_EQ(Stored("Password"), std::nullopt) << "not scrambled: protected, as for any server of the user's choice";
  EXPECT_EQ(Stored("ProtectedPassword")->find("app-pass"), std::string::npos) << "never in clear";
  EXPECT_EQ(statusBox.MaxLength(), 140) << "applied at the next pop-up";
  updateWindow.PopUp();
  EXPECT_EQ(statusBox.MaxLength(), 3000);
}

TEST_F(OptionsTest, TheJournalTickAndJournalOnlyAreStoredAndShownAgain) {
  Start();
  whileAccount = [](FakeAccountView& view) {
    EXPECT_EQ(view.api.ListCount(), 5);
    view.api.SetListIndex(2);
    view.test.Click();
    EXPECT_NE(view.message.Caption().find(u"Journal only"), std::u16string::npos);
    view.ok.Click();
  };
  OpenOptions([](FakeOptionsView& view) {
    EXPECT_EQ(view.journal.Value(), 0);
    view.SelectAccount(0);
    view.edit.Click();
    EXPECT_EQ(view.rows.at(0).kind, u"Journal only") << "the list shows the account as stored";
    view.journal.SetValue(1);
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Api"), "journal");
  EXPECT_EQ(Stored("Journal"), "1");
  EXPECT_TRUE(http.requests.empty()) << "nothing is tested or asked of a server";
  whileAccount = [](FakeAccountView& view) {
    EXPECT_EQ(view.api.ListIndex(), 2);
    view.cancel.Click();
  };
  OpenOptions([](FakeOptionsView& view) {
    EXPECT_EQ(view.journal.Value(), 1);
    view.SelectAccount(0);
    view.edit.Click();
    view.journal.SetValue(0);
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Journal"), std::nullopt) << "unticked, the value goes";
}

TEST_F(OptionsTest, ChangesAreStoredTheTokenOnlyProtectedAndABadAddressNever) {
  Start();
  EditFirstAccount([](FakeAccountView& view) {
    view.api.SetListIndex(1);
    view.server.SetText(u"https://h.example:99999/");
    view.token.SetText(u"s3cret");
    view.ok.Click();
    EXPECT_FALSE(view.window.unloaded) << "a bad address keeps the dialog open";
    EXPECT_NE(view.message.Caption().find(u"port"), std::u16string::npos);
    EXPECT_EQ(view.serverFocused, 1);
    view.server.SetText(u" https://m.example ");
    view.ok.Click();
    EXPECT_TRUE(view.window.unloaded);
  });
  EXPECT_EQ(Stored("Api"), "mastodon");
  EXPECT_EQ(Stored("Server"), "https://m.example");
  const auto* token = registry.Find(kAppKey, "Token");
  ASSERT_NE(token, nullptr);
  EXPECT_EQ(token->type, platform::kRegBinary);
  EXPECT_EQ(Stored("Token")->find("s3cret"), std::string::npos) << "never in clear";
  ASSERT_EQ(http.requests.size(), 1u) << "the new server is asked for its limit";
  EXPECT_EQ(http.requests[0].path, "/api/v1/instance");
  http.Answer(200, R"({"configuration":{"statuses":{"max_characters":500}}})");
  EXPECT_EQ(Stored("TextLimit"), "500");

  // Reopened: the token comes back in clear into its field; emptied, the value goes.
  EditFirstAccount([](FakeAccountView& view) {
    EXPECT_EQ(view.token.Text(), u"s3cret");
    view.token.SetText(u"");
    view.server.SetText(u"");
    view.ok.Click();
  });
  for (const char* name : {"Server", "Token", "TextLimit"}) EXPECT_EQ(Stored(name), std::nullopt) << name;
}

TEST_F(OptionsTest, SignInThroughTheBrowserFillsTheTokenThatOkKeepsAndCancelStops) {
  Start();
  EditFirstAccount([this](FakeAccountView& view) {
    view.signIn.Click();
    EXPECT_NE(view.message.Caption().find(u"address first"), std::u16string::npos);
    view.server.SetText(u"http://127.0.0.1:8001/");
    view.signIn.Click();
    EXPECT_EQ(view.signInCaption, u"Cancel");
    EXPECT_EQ(view.api.ListIndex(), 1) << "a token is for the Mastodon-compatible interface";
    http.Answer(200, R"({"client_id":"c","client_secret":"s"})");
    EXPECT_EQ(view.message.Caption(), u"Waiting for the browser...");
    view.signIn.Click();  // Cancel
    EXPECT_EQ(view.signInCaption, u"Sign &in...");
    EXPECT_FALSE(loopback->listening);

    view.signIn.Click();
    http.Answer(400);  // the kept application is used again
    const std::string& url = shell.executeCalls.back().file;
    std::size_t at = url.find("state=") + 6;
    loopback->Request("GET /callback?code=k&state=" + url.substr(at, url.find('&', at) - at) + " HTTP/1.1\r\n\r\n");
    http.Answer(200, R"({"access_token":"fresh"})");
    http.Answer(200, R"({"username":"alice"})");
    EXPECT_EQ(view.message.Caption(), u"Signed in as alice. OK keeps the new token.");
    EXPECT_EQ(view.token.Text(), u"fresh");
    EXPECT_EQ(view.signInCaption, u"Sign &in...");
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Api"), "mastodon");
  EXPECT_EQ(access_token::Load(program.settings(), secrets), "fresh");
}

TEST_F(OptionsTest, AServerThatTakesOnlyTheOutOfBandRedirectGetsTheCodePastedIntoTheTokensBox) {
  Start();
  EditFirstAccount([this](FakeAccountView& view) {
    view.token.SetText(u"old");
    view.server.SetText(u"https://oob.example/");
    view.signIn.Click();
    http.Answer(422, R"({"error":"redirect_uri invalid"})");
    http.Answer(200, R"({"client_id":"c","client_secret":"s"})");
    EXPECT_EQ(view.signInCaption, u"Use code");
    EXPECT_EQ(view.token.Text(), u"");
    view.signIn.Click();
    EXPECT_NE(view.message.Caption().find(u"Paste the code"), std::u16string::npos);
    EXPECT_EQ(http.pending.size(), 0u) << "still waiting for the code";
    view.token.SetText(u" the-code ");
    view.signIn.Click();
    ASSERT_EQ(http.pending.size(), 1u);
    EXPECT_NE(http.pending[0].request.body.find("code=the-code&"), std::string::npos);
    http.Answer(200, R"({"access_token":"oob-token"})");
    http.Answer(200, R"({"username":"carol"})");
    EXPECT_EQ(view.token.Text(), u"oob-token");
    EXPECT_EQ(view.signInCaption, u"Sign &in...");
    view.cancel.Click();
  });
  EXPECT_EQ(access_token::Load(program.settings(), secrets), "") << "Cancel keeps nothing but the registration";
}

TEST_F(OptionsTest, TestSignsInReadsTheLimitAndAReplyAfterClosingIsIgnored) {
  Store("Password", "");
  Start();
  EditFirstAccount([this](FakeAccountView& view) {
    view.server.SetText(u"https://s.example/api/");
    view.test.Click();
    ASSERT_EQ(http.requests.size(), 1u);
    EXPECT_EQ(http.requests[0].path, "/api/account/verify_credentials.xml");
    http.Answer(200, "<user><screen_name>alice</screen_name></user>");
    ASSERT_EQ(http.requests.size(), 2u);
    EXPECT_EQ(http.requests[1].path, "/api/statusnet/config.json");
    http.Answer(200, R"({"site":{"textlimit":"1000"}})");
    EXPECT_EQ(view.message.Caption(), u"Signed in as @alice. Lines may be up to 1000 characters long.");
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Server"), "https://s.example/api/");
  EXPECT_EQ(Stored("TextLimit"), "1000") << "the tested limit is kept with the server";
  http.pending.clear();
  EditFirstAccount([](FakeAccountView& view) {
    view.test.Click();  // still under way when the dialog closes
    view.cancel.Click();
  });
  http.Answer(200, "<user><screen_name>alice</screen_name></user>");  // reaches no dialog
  EXPECT_TRUE(http.pending.empty());
}

TEST_F(OptionsTest, CredentialsInClearAreToldAtTestAndAskedAboutOnceAtOk) {
  struct Case {
    std::u16string server;
    int api;  // as listed: 0 Twitter-compatible, 1 Mastodon-compatible, 2 journal only
    std::u16string token;
    std::u16string warning;  // part of the warning; empty: none
  };
  const Case cases[] = {
      {u"http://s.example/api/", 0, u"", u"Your password will travel unencrypted to s.example"},
      {u"http://m.example/", 1, u"tok", u"Your access token will travel unencrypted to m.example"},
      {u"http://10.1.2.3:8080/", 1, u"", u"Your password will travel unencrypted to 10.1.2.3"},
      {u"http://127.8.0.1:8080/", 0, u"", u""},
      {u"http://LocalHost/", 0, u"", u""},
      {u"http://[::1]:81/", 1, u"tok", u""},
      {u"http://127.0.0.1.example/", 0, u"", u"to 127.0.0.1.example"},
      {u"https://s.example/", 0, u"", u""},
      {u"http://s.example/", 2, u"", u""},  // journal only: nothing travels
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.server));
    registry.Put(kAppKey, "Server", kRegSz, "");
    // Test: the outcome, and the warning with it.
    EditFirstAccount([&](FakeAccountView& view) {
      http.pending.clear();  // the server's default visibility, asked for a stored token as the dialog opens
      view.api.SetListIndex(c.api);
      view.server.SetText(c.server);
      view.token.SetText(c.token);
      view.test.Click();
      if (c.api != 2) http.Answer(401);
      std::u16string message = view.message.Caption();
      EXPECT_EQ(!c.warning.empty(), message.find(u"unencrypted") != std::u16string::npos) << Narrow(message);
      if (!c.warning.empty()) {
        EXPECT_NE(message.find(c.warning), std::u16string::npos) << Narrow(message);
      }
      view.cancel.Click();
    });
    // OK: asked; No keeps the dialog open and stores nothing, Yes stores; asked once.
    EditFirstAccount([&](FakeAccountView& view) {
      view.api.SetListIndex(c.api);
      view.server.SetText(c.server);
      view.token.SetText(c.token);
      view.answerYes = false;
      view.ok.Click();
      if (c.warning.empty()) {
        EXPECT_TRUE(view.questions.empty());
        EXPECT_TRUE(view.window.unloaded);
        return;
      }
      ASSERT_EQ(view.questions.size(), 1u);
      EXPECT_NE(view.questions[0].find(c.warning), std::u16string::npos);
      EXPECT_NE(view.questions[0].find(u"Use this server anyway?"), std::u16string::npos);
      EXPECT_FALSE(view.window.unloaded);
      EXPECT_EQ(Stored("Server"), "");
      view.answerYes = true;
      view.ok.Click();
      EXPECT_TRUE(view.window.unloaded);
      EXPECT_EQ(view.questions.size(), 2u);
    });
    EXPECT_EQ(Stored("Server"), Narrow(c.server));
    http.pending.clear();
    EditFirstAccount([&](FakeAccountView& view) {
      view.ok.Click();
      EXPECT_TRUE(view.questions.empty()) << "unchanged entries were accepted before";
    });
  }
}

TEST_F(OptionsTest, AccountsAreAddedEditedTickedAndRemovedThroughTheList) {
  Store("Username", "alice");
  Start();
  Accounts accounts(program.settings());
  // Add, then Cancel: nothing is made.
  whileAccount = [](FakeAccountView& view) {
    view.userName.SetText(u"bob");
    view.cancel.Click();
  };
  OpenOptions([](FakeOptionsView& view) {
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].name, u"alice");
    EXPECT_EQ(view.rows[0].server, u"(the built-in service)");
    view.add.Click();
    view.ok.Click();
  });
  EXPECT_EQ(accounts.Ids(), std::vector<std::string>{"1"});
  // Add, then OK: a subkey with the password and token protected; the first account untouched.
  whileAccount = [](FakeAccountView& view) {
    EXPECT_EQ(view.userName.Text(), u"");
    view.api.SetListIndex(1);
    view.server.SetText(u"https://b.example/");
    view.token.SetText(u"tok-2");
    view.userName.SetText(u"bob");
    view.password.SetText(u"pw-2");
    view.ok.Click();
  };
  OpenOptions([](FakeOptionsView& view) {
    view.add.Click();
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.SelectedAccount(), 1) << "the new account is selected";
    EXPECT_EQ(view.rows[1].kind, u"Mastodon-compatible");
    EXPECT_EQ(view.rows[1].name, u"bob");
    view.cancel.Click();  // Cancel in Options does not undo what the account dialog stored
  });
  ASSERT_EQ(accounts.Ids(), (std::vector<std::string>{"1", "2"}));
  auto second = accounts.Store("2");
  EXPECT_EQ(second->Get(kApi), u"mastodon");
  EXPECT_EQ(second->Get(kUserName), u"bob");
  EXPECT_EQ(LoadPassword(*second, secrets), u"pw-2");
  EXPECT_EQ(second->ReadBytes(kAccountPassword)->find("pw-2"), std::string::npos) << "never in clear";
  EXPECT_EQ(access_token::Load(*second, secrets), "tok-2");
  for (const char* name : {"Api", "Server", "Token"}) EXPECT_EQ(Stored(name), std::nullopt) << name;
  EXPECT_EQ(Stored("Username"), "alice");

  // The ticks are stored at Options' OK only; the first account cannot be removed; Remove asks.
  struct Step {
    int untick;      // the row unticked, or -1
    int remove;      // the row Remove is pressed on, or -1
    bool answerYes;  // to Remove's question
    bool ok;         // Options closed with OK (else Cancel)
    std::vector<std::string> ids;
    std::optional<std::u16string> secondPostHere;
    std::size_t questions;
  };
  const Step steps[] = {
      {1, -1, true, false, {"1", "2"}, u"1", 0},  // Cancel: the tick is not stored (absent reads 1)
      {1, -1, true, true, {"1", "2"}, u"0", 0},   // OK: stored
      {-1, 0, true, true, {"1", "2"}, u"0", 0},   // the first account: explained, not asked
      {-1, 1, false, true, {"1", "2"}, u"0", 1},  // No: kept
      {-1, 1, true, true, {"1"}, std::nullopt, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.ids.size());
    OpenOptions([&](FakeOptionsView& view) {
      if (step.untick >= 0) view.rows.at(static_cast<std::size_t>(step.untick)).postHere = false;
      if (step.remove >= 0) {
        view.SelectAccount(step.remove);
        view.answerYes = step.answerYes;
        view.remove.Click();
        if (step.remove == 0) {
          EXPECT_NE(view.serviceMessage.Caption().find(u"cannot be removed"), std::u16string::npos);
        }
      }
      EXPECT_EQ(view.questions.size(), step.questions);
      (step.ok ? view.ok : view.cancel).Click();
    });
    EXPECT_EQ(accounts.Ids(), step.ids);
    if (step.secondPostHere) {
      EXPECT_EQ(accounts.Store("2")->Get(kPostHere.name, kPostHere.defaultValue), *step.secondPostHere);
    }
  }
}

TEST_F(OptionsTest, TestInTheListTestsTheSelectedAccountAsStored) {
  Store("Server", "https://s.example/api/");
  Store("Password", "");
  Start();
  http.requests.clear();
  http.pending.clear();
  OpenOptions([this](FakeOptionsView& view) {
    view.SelectAccount(-1);
    view.test.Click();
    EXPECT_EQ(view.serviceMessage.Caption(), u"Choose an account in the list first.");
    view.SelectAccount(0);
    view.test.Click();
    ASSERT_EQ(http.requests.size(), 1u);
    EXPECT_EQ(http.requests[0].path, "/api/account/verify_credentials.xml");
    http.Answer(200, "<user><screen_name>alice</screen_name></user>");
    http.Answer(200, R"({"site":{"textlimit":"1000"}})");
    EXPECT_EQ(view.serviceMessage.Caption(), u"Signed in as @alice. Lines may be up to 1000 characters long.");
    view.cancel.Click();
  });
}

TEST_F(OptionsTest, EachServiceSettingSendsTheLineItsOwnWay) {
  struct Case {
    std::string api, server;
    std::string connect;  // through the socket: "host:port"; empty: through the HTTP client or nowhere
    std::string path, authorization;
  };
  const Case cases[] = {
      {"", "http://127.0.0.1:8080/api/", "127.0.0.1:8080", "POST /api/statuses/update.xml", "Basic YWxpY2U6"},
      {"mastodon", "http://[::1]:81/", "::1:81", "POST /api/v1/statuses", "Bearer tok"},
      {"", "https://s.example/api/", "", "/api/statuses/update.xml", "Basic YWxpY2U6"},
      {"Mastodon", "https://m.example/", "", "/api/v1/statuses", "Bearer tok"},
      {"", "https://h.example:0/", "", "", ""},  // written by hand, does not parse: nothing sent
  };
  Start();
  Confirm(u"first");  // the run's first line, which asks the servers' limits, goes before any is set
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  deliveryTimer.Tick();
  registry.Put(kAppKey, "Token", platform::kRegBinary, secrets.Protect("tok"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.server);
    registry.Put(kAppKey, "Api", kRegSz, c.api);
    registry.Put(kAppKey, "Server", kRegSz, c.server);
    http.requests.clear();
    http.pending.clear();
    socket.sent.clear();
    socket.lastHost.clear();
    Confirm(u"hi");
    if (!c.connect.empty()) {
      EXPECT_EQ(socket.lastHost + ":" + std::to_string(socket.lastPort), c.connect);
      socket.RaiseConnect();
      ASSERT_EQ(socket.sent.size(), 1u);
      EXPECT_EQ(socket.sent[0].rfind(c.path + " HTTP/1.0\r\nAuthorization: " + c.authorization + "\r\n", 0), 0u)
          << socket.sent[0];
      EXPECT_TRUE(http.requests.empty());
      socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
    } else if (!c.path.empty()) {
      EXPECT_TRUE(socket.lastHost.empty());
      ASSERT_EQ(http.requests.size(), 1u);
      EXPECT_EQ(http.requests[0].path, c.path);
      EXPECT_EQ(http.requests[0].headers[0].second, c.authorization);
      EXPECT_EQ(http.requests[0].body.substr(http.requests[0].body.size() - 9), "status=hi");
      http.Answer(200);
    } else {
      EXPECT_TRUE(socket.lastHost.empty());
      EXPECT_TRUE(http.requests.empty());
    }
  }
}

TEST_F(OptionsTest, EachKindOfServiceShowsWhatItNeedsAndItsBoxesRevealTheRest) {
  using Boxes = AccountFields::Credentials;
  const AccountFields twitter{.server = true, .credentials = Boxes::kUserNameAndPassword, .test = true};
  const AccountFields mastodon{
      .server = true, .signIn = true, .tokenInstead = true, .visibility = true, .language = true, .test = true};
  const AccountFields bluesky{
      .otherServer = true, .credentials = Boxes::kHandleAndAppPassword, .language = true, .test = true};
  auto with = [](AccountFields fields, bool AccountFields::*shown) {
    fields.*shown = true;
    return fields;
  };
  struct Case {
    int kind;     // as listed: Twitter-compatible, Mastodon-compatible, journal only, Bluesky, Nostr
    bool ticked;  // both boxes: the token instead, another server
    AccountFields shown;
  };
  const Case cases[] = {
      {0, true, twitter},  // the boxes are other kinds'
      {1, false, mastodon}, {1, true, with(mastodon, &AccountFields::token)}, {2, true, {.journalPlace = true}},
      {3, false, bluesky},  {3, true, with(bluesky, &AccountFields::server)},
      {4, true, {.nostrKey = true, .relays = true}},
  };
  Start();
  EditFirstAccount([&](FakeAccountView& view) {
    EXPECT_TRUE(view.shown == twitter) << "as it opens, for the kind stored";
    EXPECT_EQ(view.journalPath, u"C:\\Users\\alice\\AppData\\Local\\Quillet\\journal.csv");
    for (const Case& c : cases) {
      view.Tick(view.tokenInstead, c.ticked);
      view.Tick(view.otherServer, c.ticked);
      view.ChooseKind(c.kind);
      EXPECT_TRUE(view.shown == c.shown) << c.kind << " " << c.ticked;
    }
    view.cancel.Click();
  });
}

TEST_F(OptionsTest, ANostrAccountGetsAKeyGeneratedOrPastedAndItsRelaysAndStoresTheKeyOnlyProtected) {
  const std::u16string defaults = u"wss://relay.damus.io\r\nwss://nos.lol\r\nwss://relay.primal.net";
  const std::u16string pasted = u" nsec1vl029mgpspedva04g90vltkh6fvh240zqtv9k0t9af8935ke9laqsnlfe5 ";  // NIP-19's
  const std::string pastedHex = "67dea2ed018072d675f5415ecfaed7d2597555e202d85b3d65ea4e58d2d92ffa";
  auto npubOf = [](std::u16string_view secret) {
    return Widen(nostr::Npub(nostr::PublicKeyOf(*nostr::SecretFromText(utf8::FromUtf16(secret)), {})));
  };
  Start();
  EditFirstAccount([&](FakeAccountView& view) {
    EXPECT_EQ(view.relays.Text(), defaults) << "shown where none are stored";
    view.ChooseKind(4);
    std::u16string generated = view.secretKey.Text();
    EXPECT_TRUE(generated.starts_with(u"nsec1")) << "a key at once";
    EXPECT_EQ(view.publicKey, npubOf(generated));
    view.generateKey.Click();
    EXPECT_NE(view.secretKey.Text(), generated) << "another, without asking: nobody knows the first";
    EXPECT_TRUE(view.questions.empty());
    // What the person may type instead, and what OK says of it (the kind stays, nothing is stored).
    const std::pair<std::u16string, std::u16string_view> refused[] = {
        {u"npub10elfcs4fr0l0r8af98jlmgdh9c8tcxjvz9qkw038js35mp4dma8qzvjptg", u"That is a public key"},
        {u"nsec1vl029mgpspedva04g90vltkh6fvh240zqtv9k0t9af8935ke9laqsnlfe6", u"That is no Nostr secret key"},
        {u"", u"Press Generate"}};
    for (const auto& [typed, told] : refused) {
      view.secretKey.SetText(typed);
      EXPECT_EQ(view.publicKey, u"") << "none shown for what is no secret key";
      view.ok.Click();
      EXPECT_NE(view.message.Caption().find(told), std::u16string::npos) << utf8::FromUtf16(view.message.Caption());
    }
    view.secretKey.SetText(pasted);
    view.clipboardHeld = true;
    view.copyPublicKey.Click();
    EXPECT_NE(view.message.Caption().find(u"could not be put on the clipboard"), std::u16string::npos);
    view.clipboardHeld = false;
    view.copyPublicKey.Click();
    EXPECT_EQ(view.clipboard, npubOf(pasted));
    EXPECT_NE(view.message.Caption().find(u"is on the clipboard"), std::u16string::npos);
    for (std::u16string_view relay : {u"ws://relay.example", u"https://relay.example", u"wss://relay example"}) {
      view.relays.SetText(relay);
      view.ok.Click();
      EXPECT_NE(view.message.Caption().find(relay), std::u16string::npos) << utf8::FromUtf16(view.message.Caption());
    }
    view.relays.SetText(u"  ws://127.0.0.1:7447\r\nwss://relay.example\r\n\r\nwss://relay.example\n");
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Api"), "nostr");
  EXPECT_EQ(Stored("Relays"), "ws://127.0.0.1:7447\r\nwss://relay.example");
  std::string key = Stored("NostrKey").value_or("");
  EXPECT_EQ(secrets.Unprotect(key), utf8::FromUtf16(Trimmed(pasted)));
  EXPECT_TRUE(key.find("nsec1") == std::string::npos && key.find(pastedHex) == std::string::npos) << "never in clear";
  EXPECT_EQ(Stored("Server"), std::nullopt);

  // Opened again: the key as stored, which Generate replaces only when the person says so; the
  // default relays are the value absent; the list names the relays and the public key.
  EditFirstAccount([&](FakeAccountView& view) {
    EXPECT_EQ(view.secretKey.Text(), Trimmed(pasted));
    EXPECT_EQ(view.relays.Text(), u"ws://127.0.0.1:7447\r\nwss://relay.example");
    view.answerYes = false;
    view.generateKey.Click();
    EXPECT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.secretKey.Text(), Trimmed(pasted));
    view.relays.SetText(defaults + u"\r\n");
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Relays"), std::nullopt);
  EXPECT_EQ(Stored("NostrKey"), key) << "unchanged, not written again";
  OpenOptions([&](FakeOptionsView& view) {
    EXPECT_EQ(view.rows.at(0).kind, u"Nostr");
    EXPECT_EQ(view.rows.at(0).server, u"wss://relay.damus.io, wss://nos.lol, wss://relay.primal.net");
    std::u16string npub = npubOf(pasted);
    EXPECT_EQ(view.rows.at(0).name, npub.substr(0, 12) + u"\u2026" + npub.substr(npub.size() - 6));
    view.cancel.Click();
  });
}

TEST_F(OptionsTest, TheVisibilityAndLanguageGoWithEachLineOnlyWhereChosenAndKnown) {
  struct Case {
    std::string api, visibility, language;
    std::string sent;  // the status request's body, or what a Bluesky record says after its createdAt
  };
  const Case cases[] = {
      {"mastodon", "", "", "status=hi"},  // as it always was
      {"mastodon", "unlisted", "de", "status=hi&visibility=unlisted&language=de"},
      {"mastodon", "Private", "", "status=hi&visibility=private"},
      {"mastodon", "direct", "deutsch", "status=hi"},      // not values the dialog writes: nothing is sent
      {"", "unlisted", "de", "source=Quillet&status=hi"},  // the Twitter-compatible interface takes neither
      {"bluesky", "unlisted", "de", R"(,"langs":["de"]}})"},
      {"bluesky", "", "", R"(}})"},
  };
  Start();
  Store("Password", ToAnsi(password_scrambling::Scramble(u"app-pass-word")));
  registry.Put(kAppKey, "Token", platform::kRegBinary, secrets.Protect("tok"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.api + " " + c.visibility + " " + c.language);
    Store("Api", c.api);
    Store("Server", "https://s.example/");
    Store("Visibility", c.visibility);
    Store("PostLanguage", c.language);
    http.requests.clear();
    Confirm(u"hi");
    if (c.api == "bluesky")
      http.Answer(200, R"({"did":"did:plc:a","handle":"a.test","accessJwt":"A","refreshJwt":"R"})");
    auto post = std::find_if(http.requests.begin(), http.requests.end(), [](const platform::HttpRequest& r) {
      return r.method == "POST" && r.path.find("Session") == std::string::npos;
    });
    ASSERT_NE(post, http.requests.end());
    std::string body = post->body;
    if (c.api == "bluesky") body = body.substr(body.find(R"(Z")", body.find("createdAt")) + 2);
    EXPECT_EQ(body, c.sent);
    while (!http.pending.empty()) http.Answer(200, "{}");
    program.settings().Delete(u"Session");
  }
}

TEST_F(OptionsTest, TheServersDefaultIsNamedWhenTheStoredTokenCanReadItAndChoicesRoundTripThroughOk) {
  Start();
  registry.Put(kAppKey, "Token", platform::kRegBinary, secrets.Protect("tok"));
  Store("Api", "mastodon");
  Store("Server", "https://m.example/");
  auto german = [](FakeAccountView& view) {
    auto& names = view.postLanguage.items;
    EXPECT_EQ(names.at(0), u"The account's default");
    EXPECT_TRUE(std::is_sorted(names.begin() + 1, names.end())) << "sorted by the name shown";
    return static_cast<std::int32_t>(std::find(names.begin(), names.end(), u"German") - names.begin());
  };
  EditFirstAccount([&](FakeAccountView& view) {
    ASSERT_EQ(http.pending.size(), 1u);
    EXPECT_EQ(http.pending[0].request.path, "/api/v1/accounts/verify_credentials");
    EXPECT_EQ(view.visibility.List(0), u"The server's default");
    http.Answer(200, R"({"acct":"alice","source":{"privacy":"unlisted","language":""}})");
    EXPECT_EQ(view.visibility.List(0), u"The server's default (Unlisted)");
    view.visibility.SetListIndex(3);  // Followers only
    view.postLanguage.SetListIndex(german(view));
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Visibility").value_or("") + " " + Stored("PostLanguage").value_or(""), "private de");
  EditFirstAccount([&](FakeAccountView& view) {
    http.Answer(401, R"({"error":"The access token is invalid"})");
    EXPECT_EQ(view.visibility.List(0), u"The server's default") << "not read: not named";
    EXPECT_EQ(view.visibility.ListIndex(), 3);
    EXPECT_EQ(view.postLanguage.ListIndex(), german(view));
    view.visibility.SetListIndex(0);
    view.postLanguage.SetListIndex(0);
    view.ok.Click();
  });
  EXPECT_FALSE(Stored("Visibility") || Stored("PostLanguage")) << "the defaults are the values absent";
}

TEST_F(OptionsTest, TheBoxTakesTheServersLimitAndOnlyWhileAServerIsSet) {
  Store("Server", "https://s.example/api/");
  Store("TextLimit", "500");
  Start();
  updateWindow.PopUp();
  EXPECT_EQ(statusBox.MaxLength(), 500);
  EXPECT_EQ(charsLeft.Caption(), u"500");
  statusBox.Type(std::u16string(600, u'x'));
  EXPECT_EQ(statusBox.Text().size(), 500u);
  registry.Put(kAppKey, "Server", kRegSz, "");
  updateWindow.PopUp();
  EXPECT_EQ(statusBox.MaxLength(), 140);
  EXPECT_EQ(charsLeft.Caption(), u"140");
}

TEST_F(OptionsTest, WaitWhileAProgramFillsTheScreenIsTickedWhileAbsentAndStoredOnlyUnticked) {
  Start();
  for (int tick : {1, 0, 0, 1}) {
    OpenOptions([&](FakeOptionsView& view) {
      EXPECT_EQ(view.holdWhileFullScreen.Value(), Stored("HoldWhileFullScreen") == "0" ? 0 : 1);
      view.holdWhileFullScreen.SetValue(static_cast<std::int16_t>(tick));
      view.ok.Click();
    });
    EXPECT_EQ(Stored("HoldWhileFullScreen"), tick == 1 ? std::nullopt : std::optional<std::string>("0"));
  }
}

TEST_F(OptionsTest, PopUpSectionStoresQuietHoursAndTheBusyTickOrSaysWhatIsWrong) {
  struct Case {
    std::u16string from, to;
    std::int16_t busy;
    std::u16string refusal;  // empty: accepted
    std::optional<std::string> storedFrom, storedTo, storedBusy;
  } cases[] = {
      {u" 22:00 ", u"7:00", 1, u"", "22:00", "07:00", "1"},
      {u"22:00", u"07:00", 1, u"", "22:00", "07:00", "1"},  // unchanged: nothing rewritten
      {u"", u"", 0, u"", {}, {}, {}},
      {u"22:00", u"", 0, u"two times", {}, {}, {}},
      {u"25:00", u"07:00", 0, u"two times", {}, {}, {}},
      {u"12:00", u"12:00", 0, u"different times", {}, {}, {}},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.from) + "-" + Narrow(c.to));
    OpenOptions([&](FakeOptionsView& view) {
      view.quietFrom.SetText(c.from);
      view.quietTo.SetText(c.to);
      view.respectBusy.SetValue(c.busy);
      view.ok.Click();
      EXPECT_EQ(view.window.unloaded, c.refusal.empty());
      if (!c.refusal.empty()) {
        EXPECT_NE(view.popUpMessage.Caption().find(c.refusal), std::u16string::npos)
            << Narrow(view.popUpMessage.Caption());
        EXPECT_EQ(view.focused, "QuietFrom");
      }
    });
    EXPECT_EQ(Stored("QuietFrom"), c.storedFrom);
    EXPECT_EQ(Stored("QuietTo"), c.storedTo);
    EXPECT_EQ(Stored("RespectBusy"), c.storedBusy);
  }
  Store("QuietFrom", "8:15");
  Store("QuietTo", "9:00");
  OpenOptions([](FakeOptionsView& view) {
    EXPECT_EQ(view.quietFrom.Text(), u"08:15");
    EXPECT_EQ(view.quietTo.Text(), u"09:00");
    EXPECT_EQ(view.respectBusy.Value(), 0);
    view.hotkey.value = {platform::kModShift, 'Q'};
    view.ok.Click();
    EXPECT_FALSE(view.window.unloaded) << "a hotkey without Ctrl, Alt or Win is refused";
    EXPECT_EQ(view.focused, "Hotkey");
    view.cancel.Click();
  });
  EXPECT_EQ(Stored("QuietFrom"), "8:15") << "as the user wrote it, until changed in the dialog";
  Store("Hotkey", "Shift+Q");  // written by hand: never taken, and the dialog says why
  OpenOptions([](FakeOptionsView& view) {
    EXPECT_NE(view.popUpMessage.Caption().find(u"needs Ctrl, Alt"), std::u16string::npos);
    view.cancel.Click();
  });
}

TEST_F(OptionsTest, TheChosenLanguageIsStoredAndSpokenAtOnceAndWindowsLanguageIsTheSettingAbsent) {
  const std::vector<Catalog>& languages = Languages();
  std::int32_t german = 0;
  for (std::size_t i = 0; i < languages.size(); ++i)
    if (languages[i].Tag() == "de") german = static_cast<std::int32_t>(i + 1);
  ASSERT_NE(german, 0) << "the program has German";
  Start();
  OpenOptions([&](FakeOptionsView& view) {
    ASSERT_EQ(view.language.ListCount(), static_cast<std::int32_t>(languages.size() + 1));
    EXPECT_EQ(view.language.List(0), u"Windows' language");
    EXPECT_EQ(view.language.List(german), languages[static_cast<std::size_t>(german - 1)].Name());
    EXPECT_EQ(view.language.ListIndex(), 0);
    view.language.SetListIndex(german);
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Language"), "de");
  EXPECT_EQ(app.Words().Tag(), "de") << "spoken from the OK on";
  OpenOptions([&](FakeOptionsView& view) {
    EXPECT_EQ(view.language.ListIndex(), german);
    view.language.SetListIndex(0);
    view.ok.Click();
  });
  EXPECT_EQ(Stored("Language"), std::nullopt);
  EXPECT_EQ(app.Words().Tag(), "en") << "Windows' language, which the fake's Windows does not name";
}

}  // namespace
}  // namespace quillet::testing
