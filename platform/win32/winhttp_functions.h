#pragma once
// The WinHTTP functions every request calls (a plain one and a WebSocket's handshake alike), from
// winhttp.dll as loaded at the first use: the HTTP client and the WebSocket connection each add
// their own to these.
#include <windows.h>
#include <winhttp.h>

#include "platform/win32/library_function.h"

namespace quillet::platform::win32 {

struct WinHttpRequestFunctions {
  LibraryFunction<decltype(WinHttpOpen)> open{L"winhttp.dll", "WinHttpOpen"};
  LibraryFunction<decltype(WinHttpCloseHandle)> closeHandle{L"winhttp.dll", "WinHttpCloseHandle"};
  LibraryFunction<decltype(WinHttpSetTimeouts)> setTimeouts{L"winhttp.dll", "WinHttpSetTimeouts"};
  LibraryFunction<decltype(WinHttpSetOption)> setOption{L"winhttp.dll", "WinHttpSetOption"};
  LibraryFunction<decltype(WinHttpConnect)> connect{L"winhttp.dll", "WinHttpConnect"};
  LibraryFunction<decltype(WinHttpOpenRequest)> openRequest{L"winhttp.dll", "WinHttpOpenRequest"};
  LibraryFunction<decltype(WinHttpSetStatusCallback)> setStatusCallback{L"winhttp.dll", "WinHttpSetStatusCallback"};
  LibraryFunction<decltype(WinHttpSendRequest)> sendRequest{L"winhttp.dll", "WinHttpSendRequest"};
  LibraryFunction<decltype(WinHttpReceiveResponse)> receiveResponse{L"winhttp.dll", "WinHttpReceiveResponse"};
  LibraryFunction<decltype(WinHttpQueryHeaders)> queryHeaders{L"winhttp.dll", "WinHttpQueryHeaders"};

  // Finds these functions, on the caller's thread, before any worker calls one (the workers then
  // only read the addresses found); throws Failure.
  void LoadRequestFunctions() {
    open(), closeHandle(), setTimeouts(), setOption(), connect(), openRequest(), setStatusCallback();
    sendRequest(), receiveResponse(), queryHeaders();
  }
};

}  // namespace quillet::platform::win32
