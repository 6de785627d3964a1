#pragma once
// Winsock, from ws2_32.dll as loaded when the first plain connection or the first loopback
// listener needs it: a session that posts only over HTTPS, or posts nothing, never loads it.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/library_function.h"

namespace quillet::platform::win32 {

// The Winsock functions the program calls.
struct WinsockFunctions {
  LibraryFunction<decltype(::WSAStartup)> startup{L"ws2_32.dll", "WSAStartup"};
  LibraryFunction<decltype(::WSACleanup)> cleanup{L"ws2_32.dll", "WSACleanup"};
  LibraryFunction<decltype(::WSAGetLastError)> lastError{L"ws2_32.dll", "WSAGetLastError"};
  LibraryFunction<decltype(::WSAAsyncSelect)> asyncSelect{L"ws2_32.dll", "WSAAsyncSelect"};
  LibraryFunction<decltype(::getaddrinfo)> getAddressInfo{L"ws2_32.dll", "getaddrinfo"};
  LibraryFunction<decltype(::freeaddrinfo)> freeAddressInfo{L"ws2_32.dll", "freeaddrinfo"};
  LibraryFunction<decltype(::socket)> socket{L"ws2_32.dll", "socket"};
  LibraryFunction<decltype(::closesocket)> closeSocket{L"ws2_32.dll", "closesocket"};
  LibraryFunction<decltype(::connect)> connect{L"ws2_32.dll", "connect"};
  LibraryFunction<decltype(::bind)> bind{L"ws2_32.dll", "bind"};
  LibraryFunction<decltype(::listen)> listen{L"ws2_32.dll", "listen"};
  LibraryFunction<decltype(::accept)> accept{L"ws2_32.dll", "accept"};
  LibraryFunction<decltype(::getsockname)> socketName{L"ws2_32.dll", "getsockname"};
  LibraryFunction<decltype(::send)> send{L"ws2_32.dll", "send"};
  LibraryFunction<decltype(::recv)> receive{L"ws2_32.dll", "recv"};
  LibraryFunction<decltype(::shutdown)> shutdown{L"ws2_32.dll", "shutdown"};

  // Finds every function at once; throws Failure. Done by WinsockSession on the window's
  // thread, before any socket exists and before a name lookup's thread starts: from then on
  // every thread only reads the addresses found.
  void Load();
};

// The program's Winsock functions (found by the first WinsockSession).
WinsockFunctions& Winsock();

// Throws Failure with WSAGetLastError() as the code.
[[noreturn]] void ThrowSocketError(const char* function, SourcePlace where = SourcePlace::current());

// Winsock loaded and started (WSAStartup) for as long as this lives; throws Failure.
class WinsockSession {
 public:
  WinsockSession();
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
};

}  // namespace quillet::platform::win32
