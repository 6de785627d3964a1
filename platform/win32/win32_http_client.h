#pragma once
// HTTP requests over WinHTTP: Windows' own TLS, its certificate store and its proxy settings.
// Each request runs on a worker thread of its own, in WinHTTP's blocking mode; its reply comes
// back as a message to the client's message-only window, where `done` is called. Destroying the
// client abandons what is still under way: the requests' handles are closed to cut them short,
// the workers end on their own, and no reply of theirs is delivered.
#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/http.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

struct InternetTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { WinHttpCloseHandle(h); }
};
using UniqueInternet = UniqueHandle<InternetTraits>;

class Win32HttpClient : public IHttpClient, private Win32Window {
 public:
  // Replies longer than this are cut here.
  static constexpr std::size_t kMaxBody = 1024 * 1024;

  // `timeoutMs` bounds each stage: the name lookup, the connection, sending, receiving.
  explicit Win32HttpClient(int timeoutMs = 30000);
  ~Win32HttpClient() override;

  void Send(HttpRequest request, std::function<void(HttpReply)> done) override;

 private:
  struct Exchange;
  struct Pending {
    std::shared_ptr<Exchange> exchange;
    std::function<void(HttpReply)> done;
  };

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  std::shared_ptr<UniqueInternet> session_;    // shared with the workers, which may outlive the client
  std::map<std::uintptr_t, Pending> pending_;  // by id, the message's wParam
  std::uintptr_t nextId_ = 1;
};

}  // namespace quillet::platform::win32
