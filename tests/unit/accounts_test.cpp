// Several accounts: the registry layout read and written, a line for every ticked account, the
// smallest limit, the tray's "Open <host>", and the lines sent last brought back with Up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf8.h"
#include "journal/previous_lines.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"
#include "tests/unit/fake_program.h"
#include "tray/home_page.h"

namespace quillet::testing {
namespace {

using platform::fake::FakeRegistry;
using platform::fake::FakeSecrets;

const std::string kAccounts = kAppKey + "\\Accounts";

class AccountsTest : public ::testing::Test {
 protected:
  AccountsTest() { settings.SetAppTitle(u"Quillet"); }
  void Put(const std::string& key, const std::string& name, const std::string& value) {
    registry.Put(key, name, platform::kRegSz, value);
  }
  FakeRegistry registry;
  FakeSecrets secrets;
  SettingsStore settings{registry};
  Accounts accounts{settings};
};

TEST_F(AccountsTest, TheLayoutIsReadAddedToAndRemovedFrom) {
  EXPECT_EQ(accounts.Ids(), (std::vector<std::string>{"1"})) << "a key with only today's values: one account";
  Put(kAppKey, "Server", "https://first.example/");
  Put(kAccounts + "\\10", "Server", "https://ten.example/");
  Put(kAccounts + "\\2", "Api", "mastodon");
  Put(kAccounts + "\\2", "PostHere", "0");
  Put(kAccounts + "\\x", "Server", "ignored");  // not an account's number
  Put(kAccounts + "\\01", "Server", "ignored");
  EXPECT_EQ(accounts.Ids(), (std::vector<std::string>{"1", "2", "10"}));
  EXPECT_EQ(accounts.Ticked(), (std::vector<std::string>{"1", "10"}));
  std::vector<AccountSummary> list = accounts.List();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[1].api, u"mastodon");
  EXPECT_FALSE(list[1].postHere);
  EXPECT_EQ(list[2].server, u"https://ten.example/");
  EXPECT_EQ(accounts.Store("10")->Get(kServer), u"https://ten.example/");
  EXPECT_EQ(accounts.Store("1")->Get(kServer), u"https://first.example/") << "the first account is the key itself";

  EXPECT_EQ(accounts.Add(), "11");
  EXPECT_TRUE(registry.KeyExists(kAccounts + "\\11"));
  accounts.Store("11")->Save(kUserName, u"carol");
  EXPECT_NE(registry.Find(kAccounts + "\\11", "Username"), nullptr);
  EXPECT_EQ(registry.Find(kAppKey, "Username"), nullptr) << "nothing of it reaches the first account";
  accounts.Remove("2");
  accounts.Remove("1");  // the first account stays
  EXPECT_EQ(accounts.Ids(), (std::vector<std::string>{"1", "10", "11"}));
  EXPECT_FALSE(registry.KeyExists(kAccounts + "\\2"));
  Put(kAppKey, "PostHere", "0");
  EXPECT_EQ(accounts.Ticked(), (std::vector<std::string>{"10", "11"}));
}

TEST_F(AccountsTest, PasswordsAreScrambledForTheFirstAccountAndProtectedForTheOthers) {
  std::string second = accounts.Add();
  auto first = accounts.Store("1");
  auto other = accounts.Store(second);
  SavePassword(*first, secrets, u"s\u00E9cret");
  SavePassword(*other, secrets, u"s\u00E9cret");
  EXPECT_EQ(registry.Find(kAppKey, "Password")->type, platform::kRegSz);
  const auto* stored = registry.Find(kAccounts + "\\" + second, "Password");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->type, platform::kRegBinary);
  EXPECT_EQ(std::string(stored->data.begin(), stored->data.begin() + 10), "protected:");
  EXPECT_EQ(LoadPassword(*first, secrets), u"s\u00E9cret");
  EXPECT_EQ(LoadPassword(*other, secrets), u"s\u00E9cret");
  registry.Put(kAccounts + "\\" + second, "Password", platform::kRegBinary, "damaged");
  EXPECT_EQ(LoadPassword(*other, secrets), u"") << "a blob that does not unprotect gives no password";
  Put(kAppKey, "Server", "https://s.example/");  // the first account's, for a server of the user's choice
  SavePassword(*first, secrets, u"s\u00E9cret 2");
  EXPECT_EQ(registry.Find(kAppKey, "Password"), nullptr) << "no scrambled copy beside the protected one";
  EXPECT_EQ(registry.Find(kAppKey, "ProtectedPassword")->type, platform::kRegBinary);
  EXPECT_EQ(LoadPassword(*first, secrets), u"s\u00E9cret 2");
}

TEST_F(AccountsTest, OpenHomeFollowsTheFirstAccountsServer) {
  struct Case {
    const char* api;
    const char* server;
    const char* user;
    std::u16string caption;
    std::u16string url;
  } cases[] = {
      {"", "", "alice", u"Open &Twitter", u"http://twitter.com/"},
      {"mastodon", "https://social.example/", "alice", u"Ope&n social.example", u"https://social.example/@alice"},
      {"mastodon", "https://social.example:8443/", "@bob@social.example", u"Ope&n social.example",
       u"https://social.example:8443/@bob"},
      {"mastodon", "https://m.example/", "", u"Ope&n m.example", u"https://m.example/"},
      {"twitter", "http://gnu.example/api/", "alice", u"Ope&n gnu.example", u"http://gnu.example/"},
      {"twitter", "https://a&b.example/", "x", u"Open &Twitter", u"http://twitter.com/"},  // does not parse
      {"mastodon", "https://m.example/", "a/../b", u"Ope&n m.example", u"https://m.example/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    Put(kAppKey, "Api", c.api);
    Put(kAppKey, "Server", c.server);
    Put(kAppKey, "Username", c.user);
    HomePage page = ChosenHomePage(settings, Catalog{});
    EXPECT_EQ(page.caption, c.caption);
    EXPECT_EQ(page.url, c.url);
  }
}

TEST(PreviousLinesTest, TheFileRoundTripsAndKeepsTheLastTwenty) {
  platform::fake::FakeFiles files;
  PreviousLines previous(files);
  EXPECT_TRUE(previous.Lines().empty());
  std::vector<std::u16string> odd{u"back\\slash", u"two\r\nlines", u"\\n is not a break", u"caf\u00E9 \U0001F600"};
  for (const auto& line : odd) previous.Remember(line);
  EXPECT_EQ(previous.Lines(), odd);
  EXPECT_EQ(files.files["previous.txt"].find('\r'), std::string::npos) << "one line each";
  previous.Remember(odd.back());  // the same again is not kept twice
  previous.Remember(u"");
  EXPECT_EQ(previous.Lines().size(), odd.size());
  for (int i = 0; i < 30; ++i) previous.Remember(u"line " + utf8::ToUtf16(std::to_string(i)));
  std::vector<std::u16string> lines = previous.Lines();
  ASSERT_EQ(lines.size(), PreviousLines::kKept);
  EXPECT_EQ(lines.front(), u"line 10");
  EXPECT_EQ(lines.back(), u"line 29");
}

class TwoAccountsProgram : public ::testing::Test {
 protected:
  TwoAccountsProgram() : p(Endpoint{"built.in", "built.in", 80}) {
    p.Store("Server", "http://one.example/api/");
    p.Store("TextLimit", "500");
    p.registry.Put(kAccounts + "\\2", "Server", platform::kRegSz, "http://two.example/api/");
    p.registry.Put(kAccounts + "\\2", "Username", platform::kRegSz, "bob");
    p.registry.Put(kAccounts + "\\2", "TextLimit", platform::kRegSz, "300");
    p.Start();
  }
  void Confirm(std::u16string_view line) {
    p.program.updateWindow().PopUp();
    p.statusBox.Type(line);
    p.clock.nowMs += 2000;  // a deliberate Enter
    p.statusBox.TypeChar(u'\r');
  }
  // Answers the connection under way for account `account` (each has its own) with `status`;
  // returns the host it was for.
  std::string Answer(std::size_t account, const std::string& status) {
    platform::fake::FakeSocket& socket = *p.sockets.at(account - 1);
    std::string host = socket.calls.back();
    socket.RaiseConnect();
    socket.RaiseData("HTTP/1.0 " + status + "\r\n\r\n");
    p.deliveryTimer.Tick();
    return host;
  }
  void AnswerAll(const std::string& status) {
    for (bool any = true; any;) {
      any = false;
      for (std::size_t account = 1; account <= p.sockets.size(); ++account)
        if (p.sockets[account - 1]->state == platform::fake::FakeSocket::State::Connecting) {
          Answer(account, status);
          any = true;
        }
    }
  }
  FakeProgram p;
};

TEST_F(TwoAccountsProgram, ALineGoesToEachTickedAccountOnItsOwn) {
  p.program.updateWindow().PopUp();
  p.statusBox.Type(u"x");
  EXPECT_EQ(p.charsLeft.Caption(), u"299") << "the smallest limit of the ticked accounts";
  p.window.Hide();
  Confirm(u"hello");
  ASSERT_EQ(p.program.outbox().Records().size(), 2u);
  EXPECT_EQ(p.program.outbox().Records()[0].destination, "1");
  EXPECT_EQ(p.program.outbox().Records()[1].destination, "2");
  ASSERT_EQ(p.sockets.size(), 2u) << "each account has a connection of its own, both under way at once";
  EXPECT_EQ(Answer(1, "401 No"), "Connect one.example:80");
  // The first account refused it; the second is not held up by that.
  EXPECT_EQ(Answer(2, "200 OK"), "Connect two.example:80");
  ASSERT_EQ(p.program.outbox().Records().size(), 1u);
  EXPECT_EQ(p.program.outbox().Records()[0].state, OutboxState::kRefused);
  ASSERT_FALSE(p.shell.balloons.empty());
  EXPECT_NE(p.shell.balloons.back().second.wideText.find(u"Not posted to one.example (alice): "), std::u16string::npos)
      << p.shell.balloons.back().second.text;

  // Unticked, an account gets nothing.
  p.registry.Put(kAccounts + "\\2", "PostHere", platform::kRegSz, "0");
  Confirm(u"only the first");
  EXPECT_EQ(p.program.outbox().Records().back().destination, "1");
  EXPECT_EQ(p.program.outbox().Records().size(), 2u);

  // A journal-only account keeps its line in the journal though the first account keeps none.
  p.registry.Put(kAccounts + "\\3", "Api", platform::kRegSz, "journal");
  Confirm(u"for the journal too");
  AnswerAll("200 OK");
  EXPECT_NE(p.files.files["journal.csv"].find("for the journal too,kept in the journal only"), std::string::npos);

  // Removed while a line waits for it: the line goes to the person, named by its account number.
  p.registry.Put(kAccounts + "\\2", "PostHere", platform::kRegSz, "1");
  Confirm(u"for two");
  p.sockets[1]->RaiseClose(platform::SocketEnd::kNotConnected);  // its server is down: the line waits
  Accounts(p.program.settings()).Remove("2");
  AnswerAll("200 OK");
  p.Seconds(40);
  const OutboxRecord& orphan = p.program.outbox().Records().back();
  EXPECT_EQ(orphan.destination, "2");
  EXPECT_EQ(orphan.state, OutboxState::kRefused);
  EXPECT_EQ(p.program.outbox().AccountInWords(orphan), u"account 2");
}

// A line waits for account 2 when Options removes it and adds another: the line is the person's at
// once, told once, and stays so after a restart, sent to no account.
TEST(RemovedAccount, ItsLinesStayThePersonsAndNeverGoToAnAccountAddedAfterIt) {
  platform::fake::FakeFiles files;
  auto program = [&](const std::string& id, const std::string& server) {
    auto p = std::make_unique<FakeProgram>(Endpoint{"built.in", "built.in", 80}, &files);
    p->Store("PostHere", "0");  // lines go to the further account only
    p->registry.Put(kAccounts + "\\" + id, "Server", platform::kRegSz, server);
    p->Start();
    return p;
  };
  auto p = program("2", "http://two.example/api/");
  p->Confirm(u"for two");
  p->socket.RaiseClose(platform::SocketEnd::kNotConnected);          // to be sent again later
  p->whileAccount = [](FakeAccountView& view) { view.ok.Click(); };  // an account of the built-in service
  p->whileOptions = [](FakeOptionsView& view) {
    view.SelectAccount(1);
    view.remove.Click();
    view.add.Click();
    view.ok.Click();
  };
  p->menu->Choose(u"&Options...");
  EXPECT_EQ(Accounts(p->program.settings()).Ids(), (std::vector<std::string>{"1", "3"}));
  EXPECT_EQ(p->program.outbox().StateInWords(p->program.outbox().Records().at(0)),
            u"Not posted: the account it was for has been removed");
  EXPECT_EQ(p->shell.balloons.size(), 1u);
  p.reset();
  p = program("3", "");
  p->Seconds(120);
  EXPECT_EQ(p->program.outbox().Records().at(0).state, OutboxState::kRefused) << "still the person's";
  EXPECT_TRUE(p->socket.calls.empty() && p->shell.balloons.empty()) << "sent nowhere, told in the earlier run";
}

TEST_F(TwoAccountsProgram, TheServersAreAskedTheirLimitsAtTheFirstLineSentInARun) {
  p.program.updateWindow().PopUp();
  p.window.Hide();
  EXPECT_TRUE(p.http.requests.empty()) << "neither at start nor as a pop-up opens";
  Confirm(u"first");
  ASSERT_EQ(p.http.requests.size(), 2u);
  EXPECT_EQ(p.http.requests[0].host + p.http.requests[1].host, "one.exampletwo.example");
  p.http.Answer(200, R"({"site":{"textlimit":"1000"}})");
  p.http.Answer(200, R"({"site":{"textlimit":"600"}})");
  Confirm(u"second");
  EXPECT_EQ(p.http.requests.size(), 2u) << "asked once a run";
  p.window.Hide();
  p.program.updateWindow().PopUp();
  p.statusBox.Type(u"x");
  EXPECT_EQ(p.charsLeft.Caption(), u"599") << "the new limits apply from the next pop-up";
}

TEST_F(TwoAccountsProgram, UpInAnEmptyBoxWalksBackThroughTheLinesSent) {
  for (const char16_t* line : {u"first", u"second", u"third"}) Confirm(line);
  p.program.updateWindow().PopUp();
  struct Step {
    std::int16_t key;
    std::u16string box;
    bool discarded;
  } steps[] = {
      {platform::kKeyUp, u"third", true},   {platform::kKeyUp, u"second", true}, {platform::kKeyUp, u"first", true},
      {platform::kKeyUp, u"first", true},   {platform::kKeyDown, u"second", true},
      {platform::kKeyDown, u"third", true}, {platform::kKeyDown, u"", true},
      {platform::kKeyDown, u"", false},  // not walking: the box's own
  };
  for (const Step& step : steps) {
    EXPECT_EQ(p.statusBox.PressKey(step.key), !step.discarded);
    EXPECT_EQ(p.statusBox.Text(), step.box);
  }
  p.statusBox.PressKey(platform::kKeyUp);
  p.statusBox.TypeChar(u'!');  // typing ends the walk: Up moves the caret again
  EXPECT_EQ(p.statusBox.Text(), u"third!");
  EXPECT_TRUE(p.statusBox.PressKey(platform::kKeyUp));
  EXPECT_EQ(p.statusBox.Text(), u"third!");
  EXPECT_EQ(p.files.files["previous.txt"], "first\nsecond\nthird\n");
}

TEST_F(TwoAccountsProgram, TheTrayCaptionFollowsTheSettings) {
  auto caption = [&] {
    std::u16string shown;
    p.menu->whileOpen = [&](platform::fake::FakePopupMenu& menu) { shown = menu.items[4].caption; };
    p.trayForm->IconMessage(0x204);
    return shown;
  };
  EXPECT_EQ(caption(), u"Ope&n one.example");
  p.Store("Server", "");
  EXPECT_EQ(caption(), u"Open &Twitter");
}

}  // namespace
}  // namespace quillet::testing
