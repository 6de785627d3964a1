#include "platform/win32/win32_websocket.h"

#include <winhttp.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "common/websocket_address.h"
#include "platform/win32/library_function.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/winhttp_functions.h"
#include "platform/win32/win32_threads.h"

namespace quillet::platform::win32 {
// What the connections share (named, since the socket's Connection holds some of it).
namespace websocket_parts {

constexpr UINT kConnectionNews = WM_APP + 1;  // wParam: the connection's id
constexpr UINT_PTR kOpenDeadlineTimer = 1;
constexpr DWORD kReceiveChunk = 16 * 1024;

// The WinHTTP functions a connection calls, from winhttp.dll as loaded at the first Open.
struct WinHttpWebSockets : WinHttpRequestFunctions {
  LibraryFunction<decltype(WinHttpWebSocketCompleteUpgrade)> completeUpgrade{L"winhttp.dll",
                                                                             "WinHttpWebSocketCompleteUpgrade"};
  LibraryFunction<decltype(WinHttpWebSocketSend)> send{L"winhttp.dll", "WinHttpWebSocketSend"};
  LibraryFunction<decltype(WinHttpWebSocketReceive)> receive{L"winhttp.dll", "WinHttpWebSocketReceive"};
  LibraryFunction<decltype(WinHttpWebSocketShutdown)> shutdown{L"winhttp.dll", "WinHttpWebSocketShutdown"};
  LibraryFunction<decltype(WinHttpWebSocketQueryCloseStatus)> queryCloseStatus{L"winhttp.dll",
                                                                               "WinHttpWebSocketQueryCloseStatus"};

  // Finds every function at once, on the socket's thread, before any worker calls one; throws
  // Failure.
  void Load() {
    LoadRequestFunctions();
    completeUpgrade(), send(), receive(), shutdown(), queryCloseStatus();
  }
};

WinHttpWebSockets& WebSocketApi() {
  static WinHttpWebSockets api;
  return api;
}

// A WinHTTP handle of a connection, closed through the library loaded at the first Open.
struct WinHttpHandleTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { WebSocketApi().closeHandle()(h); }
};
using UniqueWinHttp = UniqueHandle<WinHttpHandleTraits>;

std::string HostAndPort(const WebSocketAddress& address) {
  bool ipv6 = address.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

// What a failed WinHTTP call means, in words. Certificate problems arrive either as their own
// error or as a general "secure failure" whose details came through the status callback (Wine 8
// gives no details: every certificate problem there is a failed secure channel).
WebSocketClosed Failed(const char* function, DWORD error, DWORD secureFlags, const WebSocketAddress& address,
                       bool open) {
  const std::string where = HostAndPort(address);
  if (error == ERROR_WINHTTP_SECURE_INVALID_CA) secureFlags |= WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA;
  if (error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID) secureFlags |= WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID;
  if (error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID) secureFlags |= WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID;
  switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return {WebSocketEnd::kNameNotFound, "the name " + address.host + " was not found"};
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return {WebSocketEnd::kRefused, "no connection could be made to " + where + " (refused or unreachable)"};
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // what Wine reports when the answer does not come in time
      return {open ? WebSocketEnd::kBroken : WebSocketEnd::kTimedOut, where + " did not answer in time"};
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
      // An untrusted chain says the most; a date or a name matter only on a trusted one.
      if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA)
        return {WebSocketEnd::kSecureChannelFailed, "the certificate of " + where + " is not trusted"};
      if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID)
        return {WebSocketEnd::kSecureChannelFailed, "the certificate of " + where + " has expired"};
      if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID)
        return {WebSocketEnd::kSecureChannelFailed, "the certificate of " + where + " is for another name"};
      return {WebSocketEnd::kSecureChannelFailed, "the secure connection to " + where + " failed"};
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return {WebSocketEnd::kNotWebSocket, where + " answered with something that is not HTTP"};
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return {WebSocketEnd::kBroken, "the connection to " + where + " broke"};
    default:
      return {open ? WebSocketEnd::kBroken : WebSocketEnd::kFailed, where + ": " + ErrorText(function, error)};
  }
}

enum class NewsKind { kOpened, kText, kClosed };
struct News {
  NewsKind kind;
  std::string text;
  WebSocketClosed closed;
};

}  // namespace websocket_parts
using namespace websocket_parts;

// One connection, shared by the socket and the workers that run it: whichever lives longest
// frees it, and with it its handles.
struct Win32WebSocket::Connection {
  WebSocketAddress address;
  HWND target = nullptr;
  std::uintptr_t id = 0;
  UniqueWinHttp session;              // opened by the socket before the workers start; read only after
  std::atomic<DWORD> secureFlags{0};  // from the status callback, on the receiver's thread

  Lock lock;              // guards what follows
  Condition changed;      // the sender waits on it
  bool quiet = false;     // the socket no longer listens: nothing more is posted
  bool closing = false;   // the sender sends what is queued, then the closing handshake, and ends
  bool receiving = true;  // the receiver is still at work
  std::deque<std::string> outgoing;
  std::deque<News> news;              // for the socket's thread, in order
  UniqueWinHttp connection, request;  // while the handshake runs
  UniqueWinHttp socket;               // once the server has switched to WebSocket

  // From a worker: `item` for the socket's thread, unless it no longer listens.
  void Tell(News item) {
    std::lock_guard guard(lock);
    if (quiet) return;
    news.push_back(std::move(item));
    PostMessageW(target, kConnectionNews, id, 0);
  }
  void TellClosed(WebSocketClosed closed) { Tell({NewsKind::kClosed, {}, std::move(closed)}); }

  static void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength) {
    if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || context == 0 || info == nullptr ||
        infoLength < sizeof(DWORD)) {
      return;
    }
    reinterpret_cast<Connection*>(context)->secureFlags |= *static_cast<DWORD*>(info);
  }

  // The receiver's thread: the connection, the handshake, then every message until the end.
  static void Receive(const std::shared_ptr<Connection>& self) {
    try {
      std::optional<WebSocketClosed> failed = self->Handshake();
      if (!failed) {
        RunDetached([self] { Send(self); });
        self->Tell({NewsKind::kOpened, {}, {}});
        failed = self->ReceiveMessages();
      }
      self->TellClosed(std::move(*failed));
    } catch (const std::exception& failure) {
      self->TellClosed({WebSocketEnd::kFailed, failure.what()});  // no memory, no thread
    } catch (...) {
      self->TellClosed({WebSocketEnd::kFailed, "an exception of no known type"});
    }
    {
      std::lock_guard guard(self->lock);
      self->receiving = false;
    }
    self->changed.NotifyAll();
  }

  // Returns how the handshake failed, or nothing once the connection is a WebSocket.
  std::optional<WebSocketClosed> Handshake() {
    WinHttpWebSockets& api = WebSocketApi();
    auto fail = [this](const char* function) { return Failed(function, GetLastError(), secureFlags, address, false); };
    std::wstring host = Wide(utf8::ToUtf16(address.host));
    UniqueWinHttp newConnection(api.connect()(session.get(), host.c_str(), address.port, 0));
    if (!newConnection) return fail("WinHttpConnect");
    UniqueWinHttp newRequest(api.openRequest()(newConnection.get(), L"GET", Wide(utf8::ToUtf16(address.path)).c_str(),
                                               nullptr /* HTTP/1.1 */, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!newRequest) return fail("WinHttpOpenRequest");
    HINTERNET h = newRequest.get();
    {
      std::lock_guard guard(lock);
      if (quiet) return WebSocketClosed{WebSocketEnd::kFailed, "closed"};  // told to no one
      connection = std::move(newConnection);
      request = std::move(newRequest);
    }
    if (!api.setOption()(h, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0)) return fail("WinHttpSetOption");
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    api.setOption()(h, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
    api.setStatusCallback()(h, &Connection::StatusCallback, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
    if (!api.sendRequest()(h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                           reinterpret_cast<DWORD_PTR>(this))) {
      return fail("WinHttpSendRequest");
    }
    if (!api.receiveResponse()(h, nullptr)) return fail("WinHttpReceiveResponse");
    DWORD status = 0, size = sizeof status;
    if (!api.queryHeaders()(h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                            &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      return fail("WinHttpQueryHeaders");
    }
    if (status != HTTP_STATUS_SWITCH_PROTOCOLS) {
      return WebSocketClosed{WebSocketEnd::kNotWebSocket,
                             HostAndPort(address) + " answered HTTP " + std::to_string(status) + ", not a WebSocket"};
    }
    UniqueWinHttp newSocket(api.completeUpgrade()(h, 0));
    if (!newSocket) return fail("WinHttpWebSocketCompleteUpgrade");
    // An open connection may be quiet for as long as it likes; the deadlines were the handshake's.
    DWORD forever = 0;
    api.setOption()(newSocket.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &forever, sizeof forever);
    UniqueWinHttp done;
    {
      std::lock_guard guard(lock);
      if (quiet) return WebSocketClosed{WebSocketEnd::kFailed, "closed"};  // told to no one
      socket = std::move(newSocket);
      done = std::move(request);
    }
    changed.NotifyAll();
    return std::nullopt;
  }

  // Receives until the connection ends; returns how.
  WebSocketClosed ReceiveMessages() {
    WinHttpWebSockets& api = WebSocketApi();
    std::vector<char> chunk(kReceiveChunk);
    std::string message;
    for (;;) {
      HINTERNET h;
      {
        std::lock_guard guard(lock);
        h = socket.get();
      }
      if (!h) return {WebSocketEnd::kBroken, "the connection to " + HostAndPort(address) + " was cut"};
      DWORD read = 0;
      WINHTTP_WEB_SOCKET_BUFFER_TYPE type{};
      DWORD error = api.receive()(h, chunk.data(), static_cast<DWORD>(chunk.size()), &read, &type);
      if (error != ERROR_SUCCESS) return Failed("WinHttpWebSocketReceive", error, 0, address, true);
      switch (type) {
        case WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE:
        case WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE:
          if (message.size() + read > kMaxMessage) {
            return {WebSocketEnd::kFailed,
                    HostAndPort(address) + " sent a message longer than " + std::to_string(kMaxMessage) + " bytes"};
          }
          message.append(chunk.data(), read);
          if (type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE)
            Tell({NewsKind::kText, std::exchange(message, {}), {}});
          break;
        case WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE:
          return ServerClosed(h);
        default:
          break;  // binary messages are not for us
      }
    }
  }

  WebSocketClosed ServerClosed(HINTERNET h) {
    USHORT code = 0;
    char reason[WINHTTP_WEB_SOCKET_MAX_CLOSE_REASON_LENGTH] = {};
    DWORD length = 0;
    std::string words = HostAndPort(address) + " closed the connection";
    if (WebSocketApi().queryCloseStatus()(h, &code, reason, sizeof reason, &length) == ERROR_SUCCESS) {
      words += " (" + std::to_string(code) + (length > 0 ? ": " + std::string(reason, length) : "") + ")";
    }
    return {WebSocketEnd::kClosed, std::move(words)};
  }

  // The sender's thread, from the moment the connection is open: sends what is queued, in order,
  // until the socket lets go of the connection or the connection ends; then the closing handshake.
  static void Send(const std::shared_ptr<Connection>& self) {
    WinHttpWebSockets& api = WebSocketApi();
    try {
      for (;;) {
        std::string text;
        HINTERNET h;
        {
          std::lock_guard guard(self->lock);
          self->changed.Wait(self->lock, [&] { return !self->outgoing.empty() || self->closing || !self->receiving; });
          if (self->outgoing.empty() || !self->receiving) break;
          text = std::move(self->outgoing.front());
          self->outgoing.pop_front();
          h = self->socket.get();
        }
        DWORD error =
            api.send()(h, WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE, text.data(), static_cast<DWORD>(text.size()));
        if (error != ERROR_SUCCESS) {
          self->TellClosed(Failed("WinHttpWebSocketSend", error, 0, self->address, true));
          break;
        }
      }
    } catch (...) {
      // no memory for the words: the connection ends all the same
    }
    HINTERNET h;
    {
      std::lock_guard guard(self->lock);
      h = self->socket.get();
    }
    api.shutdown()(h, WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr, 0);
    // The server answers the close with its own and ends the connection, and the receiver with
    // it; one that does not is cut off.
    UniqueWinHttp cut;
    {
      std::lock_guard guard(self->lock);
      if (!self->changed.WaitFor(self->lock, kCloseWaitMs, [&] { return !self->receiving; }))
        cut = std::move(self->socket);
    }
  }
};

Win32WebSocket::Win32WebSocket(std::uint32_t openDeadlineMs) : openDeadlineMs_(openDeadlineMs) {
  Create({L"QuilletWebSocket"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
}

Win32WebSocket::~Win32WebSocket() { LetGo(); }

void Win32WebSocket::Open(const std::string& url, Callback<void()> onOpen, Callback<void(std::string)> onText,
                          Callback<void(WebSocketClosed)> onClosed) {
  LetGo();
  onOpen_ = std::move(onOpen);
  onText_ = std::move(onText);
  onClosed_ = std::move(onClosed);
  auto connection = std::make_shared<Connection>();
  connection->target = hwnd();
  connection->id = nextId_++;
  connection_ = connection;
  ParsedWebSocketAddress parsed = ParseWebSocketAddress(url);
  if (!parsed.address) return connection->TellClosed({WebSocketEnd::kFailed, parsed.problem});
  connection->address = std::move(*parsed.address);
  try {
    WinHttpWebSockets& api = WebSocketApi();
    api.Load();
    connection->session.reset(
        api.open()(L"Quillet", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!connection->session) ThrowLastError("WinHttpOpen");
    HINTERNET session = connection->session.get();
    int deadline = static_cast<int>(openDeadlineMs_);
    if (!api.setTimeouts()(session, deadline, deadline, deadline, deadline)) ThrowLastError("WinHttpSetTimeouts");
    DWORD responseTimeout = openDeadlineMs_;
    api.setOption()(session, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof responseTimeout);
    // Older systems offer only SSL 3 and TLS 1.0 unless asked: the newest each one knows.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | 0x00002000 /* TLS 1.3 */;
    if (!api.setOption()(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
      protocols &= ~DWORD{0x00002000};
      api.setOption()(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    }
    RunDetached([connection] { Connection::Receive(connection); });
  } catch (const std::exception& failure) {
    return connection->TellClosed({WebSocketEnd::kFailed, failure.what()});  // no WinHTTP, no thread
  }
  SetTimer(hwnd(), kOpenDeadlineTimer, openDeadlineMs_, nullptr);
}

void Win32WebSocket::SendText(std::string text) {
  if (!connection_) return;
  {
    std::lock_guard guard(connection_->lock);
    connection_->outgoing.push_back(std::move(text));
  }
  connection_->changed.NotifyAll();
}

void Win32WebSocket::Close() { LetGo(); }

void Win32WebSocket::LetGo() {
  if (!connection_) return;
  KillTimer(hwnd(), kOpenDeadlineTimer);
  std::shared_ptr<Connection> connection = std::move(connection_);
  UniqueWinHttp request, link;  // a handshake under way is cut short (closed outside the lock)
  {
    std::lock_guard guard(connection->lock);
    connection->quiet = true;
    connection->closing = true;
    if (!connection->socket) {
      request = std::move(connection->request);
      link = std::move(connection->connection);
    }
  }
  connection->changed.NotifyAll();
}

void Win32WebSocket::End(WebSocketClosed closed) {
  Callback<void(WebSocketClosed)> onClosed = onClosed_;  // a handler may open anew
  LetGo();
  Guarded([&] {
    if (onClosed) onClosed(std::move(closed));
  });
}

void Win32WebSocket::DeliverEvents() {
  std::shared_ptr<Connection> connection = connection_;
  while (connection && connection == connection_) {
    News item;
    {
      std::lock_guard guard(connection->lock);
      if (connection->news.empty()) return;
      item = std::move(connection->news.front());
      connection->news.pop_front();
    }
    switch (item.kind) {
      case NewsKind::kOpened: {
        KillTimer(hwnd(), kOpenDeadlineTimer);
        Callback<void()> onOpen = onOpen_;  // a handler may open anew
        Guarded([&] {
          if (onOpen) onOpen();
        });
        break;
      }
      case NewsKind::kText: {
        Callback<void(std::string)> onText = onText_;
        Guarded([&] {
          if (onText) onText(std::move(item.text));
        });
        break;
      }
      case NewsKind::kClosed:
        return End(std::move(item.closed));
    }
  }
}

LRESULT Win32WebSocket::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kConnectionNews) {
    if (connection_ && connection_->id == static_cast<std::uintptr_t>(wParam)) DeliverEvents();
    return 0;
  }
  if (message == WM_TIMER && wParam == kOpenDeadlineTimer) {
    KillTimer(hwnd(), kOpenDeadlineTimer);
    DeliverEvents();  // news that came just before the deadline
    if (connection_) {
      bool open;
      {
        std::lock_guard guard(connection_->lock);
        open = static_cast<bool>(connection_->socket);
      }
      if (!open) {
        End({WebSocketEnd::kTimedOut, HostAndPort(connection_->address) + " was not open within " +
                                          std::to_string((openDeadlineMs_ + 999) / 1000) + " s"});
      }
    }
    return 0;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quillet::platform::win32
