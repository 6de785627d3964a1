#include "platform/win32/win32_loopback_listener.h"

#include <ws2tcpip.h>

#include <algorithm>

#include "common/failure.h"
#include "common/steps.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

constexpr UINT kSocketEvent = WM_APP + 1;
constexpr UINT_PTR kDeadlineTimer = 1;

// A port from network order (the high byte first in memory).
std::uint16_t FromNetworkOrder(USHORT port) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&port);
  return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

}  // namespace

Win32LoopbackListener::Win32LoopbackListener(DWORD headDeadlineMs) : headDeadlineMs_(headDeadlineMs) {
  Create({L"QuilletLoopbackListener"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
}

Win32LoopbackListener::~Win32LoopbackListener() = default;  // the connections close first, Winsock last

std::uint16_t Win32LoopbackListener::Listen(Answer answer) {
  if (!winsock_) winsock_.emplace();
  UniqueSocket listening(Winsock().socket()(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listening) ThrowSocketError("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
  address.sin_port = 0;  // the system chooses
  if (Winsock().bind()(listening.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    ThrowSocketError("bind");
  if (Winsock().listen()(listening.get(), SOMAXCONN) != 0) ThrowSocketError("listen");
  int length = sizeof address;
  if (Winsock().socketName()(listening.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    ThrowSocketError("getsockname");
  if (Winsock().asyncSelect()(listening.get(), hwnd(), kSocketEvent, FD_ACCEPT) != 0)
    ThrowSocketError("WSAAsyncSelect");
  if (SetTimer(hwnd(), kDeadlineTimer, std::max<DWORD>(headDeadlineMs_ / 4, 50), nullptr) == 0)
    ThrowLastError("SetTimer");
  listening_ = std::move(listening);
  answer_ = std::move(answer);
  return FromNetworkOrder(address.sin_port);
}

Win32LoopbackListener::Connection* Win32LoopbackListener::Find(SOCKET socket) {
  for (Connection& connection : connections_)
    if (connection.socket.get() == socket) return &connection;
  return nullptr;
}

void Win32LoopbackListener::Drop(SOCKET socket) {
  std::erase_if(connections_, [socket](const Connection& connection) { return connection.socket.get() == socket; });
}

void Win32LoopbackListener::AcceptWhileRoom() {
  // An accept is also what lets the next FD_ACCEPT come.
  while (listening_ && connections_.size() < kMaxConnections) {
    UniqueSocket accepted(Winsock().accept()(listening_.get(), nullptr, nullptr));
    if (!accepted) return;
    // An accepted socket takes the listening one's selection: it is replaced by its own events.
    if (Winsock().asyncSelect()(accepted.get(), hwnd(), kSocketEvent, FD_READ | FD_WRITE | FD_CLOSE) != 0) continue;
    connections_.push_back({std::move(accepted), GetTickCount64() + headDeadlineMs_});
  }
}

void Win32LoopbackListener::DropLate() {
  ULONGLONG now = GetTickCount64();
  std::erase_if(connections_,
                [now](const Connection& connection) { return !connection.answered && now >= connection.headDeadline; });
}

void Win32LoopbackListener::Read(Connection& connection) {
  char chunk[2048];
  int count = Winsock().receive()(connection.socket.get(), chunk, sizeof chunk, 0);
  if (count <= 0 || connection.answered) return;
  connection.received.append(chunk, static_cast<std::size_t>(count));
  std::size_t end = connection.received.find("\r\n\r\n");
  if (end == std::string::npos) {
    if (connection.received.size() > kMaxHead) Drop(connection.socket.get());
    return;
  }
  if (end + 4 > kMaxHead) {
    Drop(connection.socket.get());
    return;
  }
  SOCKET socket = connection.socket.get();
  LoopbackAnswer answer;
  bool answered = false;
  Step([&] {  // a failure leaves the request unanswered
    if (!answer_) return;
    answer = answer_(std::string_view(connection.received).substr(0, end + 4));
    answered = true;
  });
  Connection* still = Find(socket);  // the answer may have changed the list
  if (still == nullptr) return;
  if (!answered) {
    Drop(socket);
    return;
  }
  still->answered = true;
  still->outgoing = std::move(answer.reply);
  if (answer.last) {
    KillTimer(hwnd(), kDeadlineTimer);
    listening_.reset();
    answer_ = nullptr;
    std::erase_if(connections_, [socket](const Connection& other) { return other.socket.get() != socket; });
    still = Find(socket);
  }
  Flush(*still);
}

void Win32LoopbackListener::Flush(Connection& connection) {
  while (!connection.outgoing.empty()) {
    int sent = Winsock().send()(connection.socket.get(), connection.outgoing.data(),
                                static_cast<int>(connection.outgoing.size()), 0);
    if (sent <= 0) {
      if (Winsock().lastError()() != WSAEWOULDBLOCK) Drop(connection.socket.get());
      return;  // the rest goes with FD_WRITE
    }
    connection.outgoing.erase(0, static_cast<std::size_t>(sent));
  }
  if (connection.answered) {
    Winsock().shutdown()(connection.socket.get(), SD_SEND);  // the browser reads the page to its end
    Drop(connection.socket.get());
  }
}

LRESULT Win32LoopbackListener::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kDeadlineTimer) {
    DropLate();
    AcceptWhileRoom();
    return 0;
  }
  if (message != kSocketEvent) return Win32Window::HandleMessage(message, wParam, lParam);
  auto socket = static_cast<SOCKET>(wParam);
  WORD event = WSAGETSELECTEVENT(lParam);
  if (event == FD_ACCEPT) {
    if (listening_ && socket == listening_.get()) AcceptWhileRoom();
    return 0;
  }
  Connection* connection = Find(socket);
  if (connection == nullptr) return 0;  // queued before it was dropped
  switch (event) {
    case FD_READ:
      Read(*connection);
      break;
    case FD_WRITE:
      Flush(*connection);
      break;
    case FD_CLOSE:
      Read(*connection);  // what the peer sent before closing is still answered if it is whole
      Drop(socket);
      break;
    default:
      break;
  }
  AcceptWhileRoom();  // a place may have come free
  return 0;
}

}  // namespace quillet::platform::win32
