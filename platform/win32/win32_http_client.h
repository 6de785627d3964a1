#pragma once
// HTTP requests over WinHTTP: Windows' own TLS, its certificate store and its proxy settings.
// WinHTTP is loaded at the first request, not with the program; when it cannot be had, every
// request fails (kFailed). Each request runs on a worker thread of its own, in WinHTTP's blocking
// mode; its reply comes back as a message to the client's message-only window, where `done` is
// called. A request still under way when its overall deadline has passed since Send (a server
// that drips its answer) is cut short and answered kTimedOut. Destroying the client abandons what
// is still under way: the requests' handles are closed to cut them short, the workers end on
// their own, and no reply of theirs is delivered.
#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <map>
#include <memory>

#include "common/callback.h"
#include "platform/http.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

// WinHttpCloseHandle, through the library loaded at the first request.
void CloseInternetHandle(HINTERNET handle);

struct InternetTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { CloseInternetHandle(h); }
};
using UniqueInternet = UniqueHandle<InternetTraits>;

class Win32HttpClient : public IHttpClient, private Win32Window {
 public:
  // Replies longer than this are cut here.
  static constexpr std::size_t kMaxBody = 1024 * 1024;

  // `timeoutMs` bounds each stage: the name lookup, the connection, sending, receiving;
  // `deadlineMs` the whole request, from Send to the reply's last byte.
  explicit Win32HttpClient(int timeoutMs = 30000, int deadlineMs = 30000);
  ~Win32HttpClient() override;

  void Send(HttpRequest request, Callback<void(HttpReply)> done) override;

 private:
  struct Exchange;
  struct Pending {
    std::shared_ptr<Exchange> exchange;
    Callback<void(HttpReply)> done;
  };

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The WinHTTP session, opened at the first request; null when WinHTTP cannot be had.
  std::shared_ptr<UniqueInternet> Session();
  // Hands the reply of a finished or expired exchange to its `done`.
  void Deliver(std::uintptr_t id, bool expired);

  int timeoutMs_, deadlineMs_;
  bool sessionTried_ = false;
  std::shared_ptr<UniqueInternet> session_;    // shared with the workers, which may outlive the client
  std::map<std::uintptr_t, Pending> pending_;  // by id, the message's wParam
  std::uintptr_t nextId_ = 1;
};

}  // namespace quillet::platform::win32
