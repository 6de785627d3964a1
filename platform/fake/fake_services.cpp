#include "platform/fake/fake_services.h"

#include "common/codepage.h"
#include "common/failure.h"

namespace quillet::platform::fake {

std::string FakeShell::Narrowed(std::u16string_view text) {
  std::string narrow;
  for (char16_t ch : text) narrow += static_cast<char>(ch >= 0xD800 && ch <= 0xDFFF ? '?' : CharToByte(ch));
  return narrow;
}

void FakeApplication::DoEvents() {
  ++doEventsCount;
  auto waiting = pending.size();
  for (std::size_t i = 0; i < waiting && !pending.empty(); ++i) {
    auto event = std::move(pending.front());
    pending.pop_front();
    event();
  }
}

void FakeApplication::End() {
  ended = true;
  throw ProgramEnded{};
}

WindowHandle FakeWindowing::FindWindowA(const std::string& className, const std::string* title) {
  return FindWindowExA(0, 0, className, title);
}

WindowHandle FakeWindowing::FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::string& className,
                                          const std::string* title) {
  bool started = childAfter == 0;
  for (const auto& [handle, window] : windows) {
    if (!started) {
      started = handle == childAfter;
      continue;
    }
    if (window.parent == parent && window.className == className && (title == nullptr || window.title == *title)) {
      return handle;
    }
  }
  return 0;
}

bool FakeWindowing::GetWindowRect(WindowHandle window, RECT& rect) {
  auto found = windows.find(window);
  if (found == windows.end()) return false;
  rect = found->second.rect;
  return true;
}

void FakeSocket::Close() {
  calls.emplace_back("Close");
  state = State::Closed;
  received.clear();
}

void FakeSocket::Connect(const std::string& remoteHost, std::uint16_t remotePort) {
  calls.push_back("Connect " + remoteHost + ":" + std::to_string(remotePort));
  if (state != State::Closed) throw Failure("the socket is not closed");
  lastHost = remoteHost;
  lastPort = remotePort;
  state = State::Connecting;
}

void FakeSocket::SendData(const std::string& bytes) {
  calls.emplace_back("SendData");
  if (state != State::Connected) throw Failure("the socket is not connected");
  sent.push_back(bytes);
}

std::string FakeSocket::GetData() {
  std::string data;
  data.swap(received);
  return data;
}

void FakeSocket::RaiseConnect() {
  if (state != State::Connecting) return;  // a closed connection raises nothing
  state = State::Connected;
  if (onConnect_) onConnect_();
}

void FakeSocket::RaiseData(const std::string& bytes) {
  if (state != State::Connected) return;
  received += bytes;
  if (onDataArrival_) onDataArrival_(static_cast<std::int32_t>(received.size()));
}

void FakeSocket::RaiseClose(SocketEnd how) {
  if (state == State::Closed || state == State::ClosedByPeer) return;
  if (how == SocketEnd::kNotConnected && state != State::Connecting) return;
  state = how == SocketEnd::kNotConnected ? State::Closed : State::ClosedByPeer;
  if (onClose_) onClose_(how);
}

}  // namespace quillet::platform::fake
