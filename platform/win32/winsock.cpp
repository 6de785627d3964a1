#include "platform/win32/winsock.h"

#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {

void WinsockFunctions::Load() {
  startup(), cleanup(), lastError(), asyncSelect(), getAddressInfo(), freeAddressInfo(), socket(), closeSocket();
  connect(), bind(), listen(), accept(), socketName(), send(), receive(), shutdown();
}

WinsockFunctions& Winsock() {
  static WinsockFunctions functions;
  return functions;
}

WinsockSession::WinsockSession() {
  Winsock().Load();
  WSADATA data;
  if (int code = Winsock().startup()(MAKEWORD(2, 2), &data); code != 0)
    ThrowError("WSAStartup", static_cast<DWORD>(code));
}

WinsockSession::~WinsockSession() { Winsock().cleanup()(); }

void ThrowSocketError(const char* function, SourcePlace where) {
  ThrowError(function, static_cast<DWORD>(Winsock().lastError()()), where);
}

}  // namespace quillet::platform::win32
