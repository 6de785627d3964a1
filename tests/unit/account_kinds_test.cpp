// What the account dialog shows for each kind of service, and the visibility and language an
// account's posts go out with: chosen in the dialog, stored at OK, read by delivery and sent with
// each line, and nothing at all while they are the defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "common/codepage.h"
#include "settings/password_scrambling.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using Boxes = AccountFields::Credentials;

struct AccountProgram : FakeProgram {
  AccountProgram() : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}) {
    Start();
  }
  // Options, Edit... on the first account; `user` acts in the account dialog; Options closes with OK.
  void EditFirstAccount(std::function<void(FakeAccountView&)> user) {
    whileAccount = std::move(user);
    whileOptions = [](FakeOptionsView& view) {
      view.SelectAccount(0);
      view.edit.Click();
      view.ok.Click();
    };
    menu->Choose(u"&Options...");
  }
  std::optional<std::string> Stored(const std::string& name) {
    const auto* value = registry.Find(kAppKey, name);
    if (value == nullptr) return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
  }
  void AnswerAll(int status, const std::string& body = "{}") {
    while (!http.pending.empty()) http.Answer(status, body);
  }
};

TEST(AccountKinds, EachKindShowsWhatItNeedsAndItsBoxesRevealTheRest) {
  struct Case {
    int kind;  // as listed: Twitter-compatible, Mastodon-compatible, journal only, Bluesky
    bool tokenInstead, otherServer;
    AccountFields shown;
  };
  const AccountFields twitter{.server = true, .credentials = Boxes::kUserNameAndPassword, .test = true};
  const Case cases[] = {
      {0, false, false, twitter},
      {0, true, true, twitter},  // the boxes are other kinds'
      {1, false, false,
       {.server = true, .signIn = true, .tokenInstead = true, .visibility = true, .language = true, .test = true}},
      {1, true, false,
       {.server = true, .signIn = true, .tokenInstead = true, .token = true, .visibility = true, .language = true,
        .test = true}},
      {2, true, true, {.journalPlace = true}},
      {3, false, false, {.otherServer = true, .credentials = Boxes::kHandleAndAppPassword, .language = true, .test = true}},
      {3, false, true,
       {.otherServer = true, .server = true, .credentials = Boxes::kHandleAndAppPassword, .language = true, .test = true}},
  };
  AccountProgram p;
  p.EditFirstAccount([&](FakeAccountView& view) {
    EXPECT_EQ(view.shown, twitter) << "as it opens, for the kind stored";
    EXPECT_EQ(view.journalPath, u"C:\\Users\\alice\\AppData\\Local\\Quillet\\journal.csv");
    for (const Case& c : cases) {
      SCOPED_TRACE(c.kind);
      view.Tick(view.tokenInstead, c.tokenInstead);
      view.Tick(view.otherServer, c.otherServer);
      view.ChooseKind(c.kind);
      EXPECT_TRUE(view.shown == c.shown);
    }
    view.cancel.Click();
  });
}

TEST(AccountKinds, TheVisibilityAndLanguageGoWithEachLineOnlyWhereChosenAndKnown) {
  struct Case {
    std::string api, visibility, language;
    std::string sent;  // the status request's body, or for Bluesky what its record says after the text
  };
  const Case cases[] = {
      {"mastodon", "", "", "status=hi"},  // as it always was
      {"mastodon", "unlisted", "de", "status=hi&visibility=unlisted&language=de"},
      {"mastodon", "Private", "", "status=hi&visibility=private"},
      {"mastodon", "direct", "deutsch", "status=hi"},  // not values the dialog writes: nothing is sent
      {"", "unlisted", "de", "source=Quillet&status=hi"},  // the Twitter-compatible interface takes neither
      {"bluesky", "unlisted", "de", R"(,"langs":["de"]})"},
      {"bluesky", "", "", R"(})"},
  };
  AccountProgram p;
  p.Store("Password", ToAnsi(password_scrambling::Scramble(u"app-pass-word")));
  p.registry.Put(kAppKey, "Token", platform::kRegBinary, p.secrets.Protect("tok"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.api + " " + c.visibility + " " + c.language);
    p.Store("Api", c.api);
    p.Store("Server", c.api == "bluesky" ? "https://pds.example/" : "https://m.example/");
    for (auto [name, value] : {std::pair{"Visibility", c.visibility}, std::pair{"PostLanguage", c.language}}) {
      if (value.empty()) {
        p.program.settings().Delete(Widen(name));
      } else {
        p.Store(name, value);
      }
    }
    p.http.requests.clear();
    p.Confirm(u"hi");
    if (c.api == "bluesky") {
      p.http.Answer(200, R"({"did":"did:plc:a","handle":"alice.test","accessJwt":"A","refreshJwt":"R"})");
      ASSERT_EQ(p.http.pending.back().request.path, "/xrpc/com.atproto.repo.putRecord");
      const std::string& body = p.http.pending.back().request.body;
      std::size_t record = body.find(R"("createdAt":")");
      ASSERT_NE(record, std::string::npos) << body;
      EXPECT_EQ(body.substr(body.find('"', record + 13) + 1), c.sent + "}");
    } else {
      auto post = std::find_if(p.http.requests.begin(), p.http.requests.end(),
                               [](const platform::HttpRequest& r) { return r.method == "POST"; });
      ASSERT_NE(post, p.http.requests.end());
      EXPECT_EQ(post->body, c.sent);
    }
    p.AnswerAll(200);
    p.program.settings().Delete(u"Session");
  }
}

TEST(AccountKinds, TheServersDefaultVisibilityIsNamedWhenTheStoredTokenCanReadIt) {
  AccountProgram p;
  p.Store("Api", "mastodon");
  p.Store("Server", "https://m.example/");
  p.registry.Put(kAppKey, "Token", platform::kRegBinary, p.secrets.Protect("tok"));
  struct Case {
    int status;
    std::string body;
    std::u16string first;  // the list's first entry once the answer came
  };
  const Case cases[] = {
      {200, R"({"acct":"alice","source":{"privacy":"unlisted","language":""}})", u"The server's default (Unlisted)"},
      {200, R"({"acct":"alice","source":{"privacy":"private"}})", u"The server's default (Followers only)"},
      {200, R"({"acct":"alice"})", u"The server's default"},
      {401, R"({"error":"The access token is invalid"})", u"The server's default"},
  };
  for (const Case& c : cases) {
    p.EditFirstAccount([&](FakeAccountView& view) {
      ASSERT_EQ(p.http.pending.size(), 1u);
      EXPECT_EQ(p.http.pending[0].request.path, "/api/v1/accounts/verify_credentials");
      EXPECT_EQ(p.http.pending[0].request.headers.at(0).second, "Bearer tok");
      EXPECT_EQ(view.visibility.List(0), u"The server's default");
      p.http.Answer(c.status, c.body);
      EXPECT_EQ(view.visibility.List(0), c.first);
      EXPECT_EQ(view.visibility.ListIndex(), 0);
      view.cancel.Click();
    });
  }
  p.program.settings().Delete(u"Token");
  p.EditFirstAccount([&](FakeAccountView& view) {
    EXPECT_TRUE(p.http.pending.empty()) << "without a token there is nobody to ask";
    view.cancel.Click();
  });
}

TEST(AccountKinds, ChoicesAreStoredAtOkShownAgainAndAbsentWhenDefault) {
  AccountProgram p;
  auto german = [](FakeAccountView& view) {
    auto& names = view.postLanguage.items;
    EXPECT_EQ(names.at(0), u"The account's default");
    EXPECT_TRUE(std::is_sorted(names.begin() + 1, names.end())) << "sorted by the name shown";
    return static_cast<std::int32_t>(std::find(names.begin(), names.end(), u"German") - names.begin());
  };
  p.EditFirstAccount([&](FakeAccountView& view) {
    view.ChooseKind(1);
    view.server.SetText(u"https://m.example/");
    view.token.SetText(u"tok");
    view.visibility.SetListIndex(2);  // Unlisted
    view.postLanguage.SetListIndex(german(view));
    view.ok.Click();
  });
  EXPECT_EQ(p.Stored("Visibility"), "unlisted");
  EXPECT_EQ(p.Stored("PostLanguage"), "de");
  p.AnswerAll(200);
  p.EditFirstAccount([&](FakeAccountView& view) {
    p.AnswerAll(401);
    EXPECT_EQ(view.visibility.ListIndex(), 2);
    EXPECT_EQ(view.postLanguage.ListIndex(), german(view));
    view.visibility.SetListIndex(0);
    view.postLanguage.SetListIndex(0);
    view.ok.Click();
  });
  EXPECT_EQ(p.Stored("Visibility"), std::nullopt);
  EXPECT_EQ(p.Stored("PostLanguage"), std::nullopt);
  p.AnswerAll(401);
  p.EditFirstAccount([&](FakeAccountView& view) {
    p.AnswerAll(401);
    view.ChooseKind(3);  // Bluesky, on a server of its own
    view.Tick(view.otherServer, true);
    view.server.SetText(u"https://pds.example/");
    view.ok.Click();
  });
  EXPECT_EQ(p.Stored("Server"), "https://pds.example/");
  p.EditFirstAccount([&](FakeAccountView& view) {
    EXPECT_EQ(view.otherServer.Value(), 1);
    EXPECT_TRUE(view.shown.server);
    view.Tick(view.otherServer, false);
    view.ok.Click();
  });
  EXPECT_EQ(p.Stored("Server"), std::nullopt) << "unticked: bsky.social";
}

}  // namespace
}  // namespace quillet::testing
