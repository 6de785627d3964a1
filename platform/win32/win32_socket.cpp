#include "platform/win32/win32_socket.h"

#include <atomic>
#include <cstring>

#include "common/failure.h"
#include "common/steps.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_threads.h"

namespace quillet::platform::win32 {
namespace {

constexpr UINT kLookupDone = WM_APP + 1;  // wParam: the connection it was made for
constexpr UINT kResumeRead = WM_APP + 2;  // wParam: the connection
constexpr UINT kFirstSocketMessage = WM_APP + 0x100;
constexpr UINT kSocketMessages = 0x100;  // each connection's socket events use the next one
constexpr int kSocketReceiveChunk = 64 * 1024;

}  // namespace

// A name lookup, done on a worker thread. The thread fills `addresses`, then posts
// kLookupDone; the control reads them only if the lookup is still its current one.
struct Win32Socket::Lookup {
  std::string host;
  std::string port;
  HWND target;
  std::uint32_t connection;
  std::vector<Address> addresses;
  std::atomic<bool> done{false};
};

Win32Socket::Win32Socket() : chunk_(kSocketReceiveChunk) { Create({L"QuilletSocket"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE); }

Win32Socket::~Win32Socket() = default;  // the sockets close before Winsock ends (member order)

void Win32Socket::Drop(State next) {
  ++connection_;  // whatever is still queued for the old connection no longer matches
  lookup_.reset();
  socket_.reset();
  addresses_.clear();
  received_.clear();
  outgoing_.clear();
  readPaused_ = false;
  sendFailed_ = false;
  state_ = next;
}

void Win32Socket::RaiseClose(SocketEnd how) {
  if (onClose_) Guarded([&] { onClose_(how); });
}

void Win32Socket::Close() { Drop(State::Closed); }

void Win32Socket::Connect(const std::string& remoteHost, std::uint16_t remotePort) {
  if (state_ != State::Closed) throw Failure("the socket is not closed");
  // Winsock is loaded at the first post over a plain connection, not at start-up: most of the
  // time nothing is sent that way.
  if (!winsock_) winsock_.emplace();
  Drop(State::Resolving);
  replyBytes_ = 0;
  auto lookup = std::make_shared<Lookup>();
  lookup->host = remoteHost;
  lookup->port = std::to_string(remotePort);
  lookup->target = hwnd();
  lookup->connection = connection_;
  lookup_ = lookup;
  // The lookup may take seconds; the window keeps running meanwhile.
  RunDetached([lookup] {
    try {
      addrinfo hints{};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = SOCK_STREAM;
      hints.ai_protocol = IPPROTO_TCP;
      addrinfo* found = nullptr;
      if (Winsock().getAddressInfo()(lookup->host.c_str(), lookup->port.c_str(), &hints, &found) == 0) {
        for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
          Address address{};
          if (entry->ai_addrlen > sizeof address.address) continue;
          std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
          address.length = static_cast<int>(entry->ai_addrlen);
          lookup->addresses.push_back(address);
        }
        Winsock().freeAddressInfo()(found);
      }
    } catch (...) {
      lookup->addresses.clear();  // out of memory: as if the name were unknown
    }
    lookup->done.store(true, std::memory_order_release);
    PostMessageW(lookup->target, kLookupDone, lookup->connection, 0);
  });
}

void Win32Socket::LookupDone(std::uint32_t connection) {
  if (state_ != State::Resolving || connection != connection_ || !lookup_ ||
      !lookup_->done.load(std::memory_order_acquire)) {
    return;  // a lookup for a connection that was closed
  }
  addresses_ = std::move(lookup_->addresses);
  lookup_.reset();
  nextAddress_ = 0;
  ConnectNextAddress();
}

// Tries the looked-up addresses in order; a failure of the last leaves the control closed and
// raises the Close event.
void Win32Socket::ConnectNextAddress() {
  socket_.reset();
  while (nextAddress_ < addresses_.size()) {
    const Address& address = addresses_[nextAddress_++];
    UniqueSocket attempt(Winsock().socket()(address.address.ss_family, SOCK_STREAM, IPPROTO_TCP));
    if (!attempt) continue;
    socketMessage_ = kFirstSocketMessage + connection_ % kSocketMessages;
    const long events = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;
    if (Winsock().asyncSelect()(attempt.get(), hwnd(), socketMessage_, events) != 0) continue;
    if (Winsock().connect()(attempt.get(), reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0 ||
        Winsock().lastError()() == WSAEWOULDBLOCK) {
      socket_ = std::move(attempt);
      state_ = State::Connecting;
      return;
    }
    Step([] { ThrowSocketError("connect"); });  // the next address is tried; the trace keeps why
  }
  Drop(State::Closed);
  RaiseClose(SocketEnd::kNotConnected);
}

std::string Win32Socket::GetData() {
  std::string data;
  data.swap(received_);
  if (readPaused_) {
    readPaused_ = false;
    PostMessageW(hwnd(), kResumeRead, connection_, 0);
  }
  return data;
}

void Win32Socket::SendData(const std::string& bytes) {
  if (state_ != State::Connected) throw Failure("the socket is not connected");
  outgoing_ += bytes;
  Flush();
}

void Win32Socket::Flush() {
  while (!outgoing_.empty() && socket_) {
    int sent = Winsock().send()(socket_.get(), outgoing_.data(), static_cast<int>(outgoing_.size()), 0);
    if (sent <= 0) {
      if (Winsock().lastError()() != WSAEWOULDBLOCK) {  // the connection is gone; FD_CLOSE tells
        outgoing_.clear();
        sendFailed_ = true;
      }
      return;  // the rest goes with FD_WRITE
    }
    outgoing_.erase(0, static_cast<std::size_t>(sent));
  }
}

int Win32Socket::ReadSome() {
  if (!socket_) return 0;
  if (received_.size() >= kMaxBuffered) {
    readPaused_ = true;  // GetData resumes
    return 0;
  }
  int count = Winsock().receive()(socket_.get(), chunk_.data(), kSocketReceiveChunk, 0);
  if (count <= 0) return 0;
  replyBytes_ += static_cast<std::uint64_t>(count);
  received_.append(chunk_.data(), static_cast<std::size_t>(count));
  std::uint32_t connection = connection_;
  if (onDataArrival_) Guarded([&] { onDataArrival_(static_cast<std::int32_t>(received_.size())); });
  if (connection == connection_ && replyBytes_ > kMaxReply) Drop(State::ClosedByPeer);
  return connection == connection_ ? count : 0;
}

void Win32Socket::SocketEvent(WORD event, WORD error) {
  switch (event) {
    case FD_CONNECT:
      if (state_ != State::Connecting) return;
      if (error != 0) {
        ConnectNextAddress();  // refused or unreachable: the next address, if any
        return;
      }
      state_ = State::Connected;
      if (onConnect_) Guarded([&] { onConnect_(); });
      return;
    case FD_WRITE:
      Flush();
      return;
    case FD_READ:
      ReadSome();
      return;
    case FD_CLOSE: {
      // What the peer sent before closing still arrives, up to what the buffer holds.
      std::uint32_t connection = connection_;
      while (connection == connection_ && ReadSome() > 0) {
      }
      if (connection == connection_) {
        ++connection_;
        socket_.reset();
        state_ = State::ClosedByPeer;
        RaiseClose(error == 0 ? SocketEnd::kClosed : SocketEnd::kReset);
      }
      return;
    }
    default:
      return;
  }
}

LRESULT Win32Socket::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kLookupDone) {
    LookupDone(static_cast<std::uint32_t>(wParam));
    return 0;
  }
  if (message == kResumeRead) {
    if (static_cast<std::uint32_t>(wParam) == connection_ && state_ == State::Connected) ReadSome();
    return 0;
  }
  if (message >= kFirstSocketMessage && message < kFirstSocketMessage + kSocketMessages) {
    // Only events of the current connection's socket; anything else was queued before a Close.
    if (message == socketMessage_ && socket_ && static_cast<SOCKET>(wParam) == socket_.get()) {
      SocketEvent(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    }
    return 0;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quillet::platform::win32
