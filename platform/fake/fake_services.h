#pragma once
// In-memory application, shell, window lookup and socket for unit tests. Each records the calls
// made to it, in order, for the test to read.
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "common/failure.h"
#include "common/language_choice.h"
#include "platform/http.h"
#include "platform/secrets.h"

#include "common/convert.h"
#include "platform/application.h"
#include "platform/shell.h"
#include "platform/windowing.h"
#include "platform/socket.h"

namespace quillet::platform::fake {

class FakeApplication : public IApplication {
 public:
  std::u16string Title() const override { return title; }
  void SetTitle(std::u16string_view newTitle) override { title = newTitle; }
  std::u16string ProgramFolder() const override { return programFolder; }
  // Runs the events that were waiting when it was called, once; events they queue wait.
  void DoEvents() override;
  [[noreturn]] void End() override;
  double TwipsPerPixelX() const override { return TwipsPerPixel(dpi); }
  double TwipsPerPixelY() const override { return TwipsPerPixel(dpi); }
  double ScreenHeightTwips() const override { return screenHeightPixels * TwipsPerPixel(dpi); }
  const Catalog& Words() const override { return *words; }
  void UseWords(const Catalog& used) override { words = &used; }
  std::vector<std::u16string> DisplayLanguages() const override { return displayLanguages; }

  // Test side.
  void Queue(Callback<void()> event) { pending.push_back(std::move(event)); }
  std::u16string title = u"Quillet";
  std::u16string programFolder = u"C:\\Program Files\\Quillet";
  std::int32_t dpi = 96;
  std::int32_t screenHeightPixels = 768;
  std::deque<Callback<void()>> pending;
  int doEventsCount = 0;
  bool ended = false;
  const Catalog* words = &English();
  std::vector<std::u16string> displayLanguages{u"en-US"};
};

class FakeShell : public IShell {
 public:
  struct NotifyCall {
    std::uint32_t message;
    NotifyIconRecord data;
    std::u16string wideTip;  // the tip in full, for the calls through the Unicode record
  };
  // A balloon as shown: its texts in full, and narrowed ('?' for what the code page lacks).
  struct Balloon {
    std::string text, title;
    std::u16string wideText, wideTitle;
    std::uint32_t timeoutMs, infoFlags;
  };
  struct ExecuteCall {
    WindowHandle parent;
    std::string verb, file, parameters, directory;
    std::int32_t showCommand;
  };
  bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconRecord& data) override {
    notifyCalls.push_back({message, data, {}});
    return notifyResult;
  }
  bool ModifyIconW(const NotifyIconRecord& data, const NotifyIconTip& tip) override {
    notifyCalls.push_back({kNimModify, data, tip.text});
    return notifyResult;
  }
  bool ShowBalloon(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) override {
    balloons.push_back({data, Balloon{Narrowed(balloon.text), Narrowed(balloon.title), balloon.text, balloon.title,
                                      balloon.timeoutMs, balloon.infoFlags}});
    return notifyResult;
  }
  bool SetIconVersion(const NotifyIconRecord& data, std::uint32_t version) override {
    versionCalls.push_back({data.window, version});
    return versionResult;
  }
  std::intptr_t ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                              const std::string& parameters, const std::string& directory,
                              std::int32_t showCommand) override {
    executeCalls.push_back({parent, verb, file, parameters, directory, showCommand});
    return 42;
  }
  std::vector<NotifyCall> notifyCalls;
  std::vector<std::pair<NotifyIconRecord, Balloon>> balloons;
  std::vector<ExecuteCall> executeCalls;
  bool notifyResult = true;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> versionCalls;  // the owner window, the version
  bool versionResult = true;

 private:
  static std::string Narrowed(std::u16string_view text);
};

class FakeWindowing : public IWindowing {
 public:
  struct Window {
    WindowHandle parent;
    std::string className;
    std::string title;
    RECT rect;
  };
  WindowHandle FindWindowA(const std::string& className, const std::string* title) override;
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::string& className,
                             const std::string* title) override;
  bool GetWindowRect(WindowHandle window, RECT& rect) override;
  void SetForegroundWindow(WindowHandle window) override { focusCalls.push_back({"SetForegroundWindow", window}); }
  void SetActiveWindow(WindowHandle window) override { focusCalls.push_back({"SetActiveWindow", window}); }

  // Test side: windows by handle, in creation order.
  std::map<WindowHandle, Window> windows;
  std::vector<std::pair<std::string, WindowHandle>> focusCalls;
};

class FakeSocket : public ISocket {
 public:
  enum class State { Closed, Connecting, Connected, ClosedByPeer };
  void Close() override;
  void Connect(const std::string& remoteHost, std::uint16_t remotePort) override;
  void SendData(const std::string& bytes) override;
  std::string GetData() override;
  void OnConnect(Callback<void()> handler) override { onConnect_ = std::move(handler); }
  void OnDataArrival(Callback<void(std::int32_t)> handler) override { onDataArrival_ = std::move(handler); }
  bool AllSent() const override { return allSent; }
  void OnClose(Callback<void(SocketEnd)> handler) override { onClose_ = std::move(handler); }

  // Test side: the peer's doings, raised as the control raises them.
  void RaiseConnect();
  void RaiseData(const std::string& bytes);
  // The connection ends: not made (while connecting), or closed or broken (once connected).
  void RaiseClose(SocketEnd how);
  // The peer closes after what it sent, as RaiseClose(kClosed).
  void PeerCloses() { RaiseClose(SocketEnd::kClosed); }
  bool allSent = true;  // what SendData took has left

  State state = State::Closed;
  std::vector<std::string> calls;  // "Close", "Connect host:port", "SendData"
  std::vector<std::string> sent;   // every SendData, whole
  std::string received;            // waiting for GetData
  std::string lastHost;
  std::uint16_t lastPort = 0;

 private:
  Callback<void()> onConnect_;
  Callback<void(std::int32_t)> onDataArrival_;
  Callback<void(SocketEnd)> onClose_;
};

// Requests wait until the test answers them, in any order; an answer runs the callback at once,
// as the message loop would.
class FakeHttpClient : public IHttpClient {
 public:
  struct Pending {
    HttpRequest request;
    Callback<void(HttpReply)> done;
    std::size_t number = 0;  // its place in `requests`
  };
  void Send(HttpRequest request, Callback<void(HttpReply)> done) override {
    requests.push_back(request);
    pending.push_back({std::move(request), std::move(done), requests.size() - 1});
  }
  // Answers the oldest request still waiting.
  void Answer(HttpReply reply) {
    Pending first = std::move(pending.front());
    pending.erase(pending.begin());
    first.done(std::move(reply));
  }
  void Answer(int status, std::string body = {}, std::string retryAfter = {}) {
    Answer(HttpReply{.outcome = HttpOutcome::kReplied,
                     .status = status,
                     .body = std::move(body),
                     .requestSent = true,
                     .retryAfter = std::move(retryAfter)});
  }
  std::vector<HttpRequest> requests;  // every request sent, in order
  std::vector<Pending> pending;
};

// A reversible stand-in for the system's protection: never the clear text, and anything it did
// not make is refused.
class FakeSecrets : public ISecrets {
 public:
  std::string Protect(std::string_view clear) override {
    return std::string(kMark) + std::string(clear.rbegin(), clear.rend());
  }
  std::string Unprotect(std::string_view data) override {
    if (data.substr(0, kMark.size()) != kMark) throw Failure("not protected here");
    data.remove_prefix(kMark.size());
    return std::string(data.rbegin(), data.rend());
  }
  // Bytes that differ from call to call, the same in every run.
  std::string RandomBytes(std::size_t count) override {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(++drawn_ * 37));
    return bytes;
  }
  static constexpr std::string_view kMark = "protected:";

 private:
  unsigned drawn_ = 0;
};

}  // namespace quillet::platform::fake
