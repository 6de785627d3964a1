// The status update request: its composition, and how UpdateWindow sends it over the socket control.
#include <gtest/gtest.h>

#include "common/codepage.h"
#include "delivery/status_request.h"
#include "settings/password_scrambling.h"
#include "tests/unit/update_window_fixture.h"

namespace quillet::testing {
namespace {

using platform::fake::FakeSocket;
using status_request::ComposeRequest;
using status_request::FormEncode;
using status_request::StatusBody;

TEST(FormEncode, KeepsUnreservedEncodesBlanksAndEscapesEveryOtherUtf8Byte) {
  EXPECT_EQ(FormEncode(u"AZaz09-._~"), "AZaz09-._~");
  EXPECT_EQ(FormEncode(u"a b"), "a+b");
  EXPECT_EQ(FormEncode(u"&=+%"), "%26%3D%2B%25");
  EXPECT_EQ(FormEncode(u"\r\n\t/?#"), "%0D%0A%09%2F%3F%23");
  EXPECT_EQ(FormEncode(u"caf\u00e9"), "caf%C3%A9");
  EXPECT_EQ(FormEncode(u"\u20ac"), "%E2%82%AC");
  EXPECT_EQ(FormEncode(u"\U0001F600"), "%F0%9F%98%80");            // a surrogate pair is one character
  EXPECT_EQ(FormEncode(u"\xd800x\xdc00"), "%EF%BF%BDx%EF%BF%BD");  // lone halves
  EXPECT_EQ(FormEncode(std::u16string(1, u'\0')), "%00");
  EXPECT_EQ(FormEncode(u""), "");
}

TEST(ComposeRequest, LinesAsListedAndTheLengthCountsTheBodyBytes) {
  EXPECT_EQ(StatusBody(u"hello").size(), 27u);
  EXPECT_EQ(ComposeRequest("example.net", "dTpw", StatusBody(u"a&b \u00e9")),
            "POST /statuses/update.xml HTTP/1.0\r\n"
            "Authorization: Basic dTpw\r\n"
            "Host: example.net\r\n"
            "Connection: close\r\n"
            "user-agent: Quillet\r\n"
            "content-length: 34\r\n"
            "\r\n"
            "source=Quillet&status=a%26b+%C3%A9");
  std::string empty = ComposeRequest("h", "t", StatusBody(u""));
  EXPECT_EQ(empty.substr(empty.find("content-length")), "content-length: 22\r\n\r\nsource=Quillet&status=");
}

class PostTest : public UpdateWindowTest {
 protected:
  void SetUp() override {
    Start();
    Store("Password", ToAnsi(password_scrambling::Scramble(u"pa:ss w\u00f6rd")));
  }
  static std::string Expected(std::string_view token, std::u16string_view status) {
    return ComposeRequest("example.net", token, StatusBody(status));
  }
};

TEST_F(PostTest, ConnectEventSendsOneRequestWithTheStoredCredentials) {
  Confirm(u"It's 5 & 10 = 15 + 50% \u00e9t\u00e9");
  EXPECT_EQ(socket.state, FakeSocket::State::Connecting);
  EXPECT_TRUE(socket.sent.empty());  // nothing before the connection is up
  socket.RaiseConnect();
  ASSERT_EQ(socket.sent.size(), 1u);
  // "alice:pa:ss w\xf6rd" in Windows-1252, Base64-encoded.
  EXPECT_EQ(socket.sent[0], Expected("YWxpY2U6cGE6c3Mgd/ZyZA==", u"It's 5 & 10 = 15 + 50% \u00e9t\u00e9"));
  EXPECT_NE(socket.sent[0].find("status=It%27s+5+%26+10+%3D+15+%2B+50%25+%C3%A9t%C3%A9"), std::string::npos);
}

TEST_F(PostTest, CredentialsAreReadAnewForEveryRequest) {
  Store("Password", "");
  Confirm(u"x");
  socket.RaiseConnect();
  EXPECT_EQ(socket.sent.back(), Expected("YWxpY2U6", u"x"));  // "alice:"
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");

  Store("Username", "bob");
  Store("Password", ToAnsi(password_scrambling::Scramble(u"new")));
  Confirm(u"y");
  socket.RaiseConnect();
  EXPECT_EQ(socket.sent.back(), Expected("Ym9iOm5ldw==", u"y"));  // "bob:new"
}

TEST_F(PostTest, TheConfirmedTextIsSentEvenIfTheBoxChangedMeanwhile) {
  Confirm(u"first thought");
  updateWindow.PopUp();  // the next pop-up empties the box before the connection is up
  statusBox.Type(u"second");
  socket.RaiseConnect();
  ASSERT_EQ(socket.sent.size(), 1u);
  EXPECT_NE(socket.sent[0].find("status=first+thought"), std::string::npos);
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");

  // The same when the connection comes up inside PopUp's processing of pending events.
  Confirm(u"third");
  app.Queue([&] { socket.RaiseConnect(); });
  updateWindow.PopUp();
  ASSERT_EQ(socket.sent.size(), 2u);
  EXPECT_NE(socket.sent[1].find("status=third"), std::string::npos);
}

TEST_F(PostTest, ASecondLineWaitsUntilTheFirstIsDone) {
  Confirm(u"one");
  Confirm(u"two");
  EXPECT_EQ(socket.calls, (std::vector<std::string>{"Close", "Connect status.example.net:8080"}));
  socket.RaiseConnect();
  socket.RaiseConnect();  // a stale second event changes nothing
  ASSERT_EQ(socket.sent.size(), 1u);
  EXPECT_NE(socket.sent[0].find("status=one"), std::string::npos);
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  TickSecond();  // the next line goes at the next tick
  socket.RaiseConnect();
  ASSERT_EQ(socket.sent.size(), 2u);
  EXPECT_NE(socket.sent[1].find("status=two"), std::string::npos);
}

TEST_F(PostTest, ReplyIsTakenOutAndNothingPilesUp) {
  Confirm(u"hi");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 401 Unauthorized\r\n\r\n");
  EXPECT_EQ(socket.received, "");
  socket.RaiseData(std::string(1 << 20, 'x'));
  EXPECT_EQ(socket.received, "");  // drained at every arrival: nothing piles up
  socket.PeerCloses();
  EXPECT_FALSE(window.Visible());
  EXPECT_FALSE(countdownTimer.Enabled());
  EXPECT_EQ(socket.sent.size(), 1u);

  Confirm(u"again");  // the next post works after the peer closed
  socket.RaiseConnect();
  EXPECT_EQ(socket.sent.size(), 2u);
}

TEST_F(PostTest, ARefusedConnectionKeepsTheLineWaiting) {
  Confirm(u"kept");
  socket.RaiseClose(platform::SocketEnd::kNotConnected);
  socket.RaiseConnect();
  EXPECT_TRUE(socket.sent.empty());
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(program.outbox().Waiting(), 1);
}

}  // namespace
}  // namespace quillet::testing
