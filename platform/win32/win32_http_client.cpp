#include "platform/win32/win32_http_client.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "common/trace.h"
#include "platform/win32/library_function.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/winhttp_functions.h"
#include "platform/win32/win32_threads.h"

namespace quillet::platform::win32 {
namespace {

constexpr UINT kExchangeDone = WM_APP + 1;  // wParam: the exchange's id
constexpr DWORD kChunk = 64 * 1024;

// The WinHTTP functions the client calls, from winhttp.dll as loaded at the first request.
struct WinHttp : WinHttpRequestFunctions {
  LibraryFunction<decltype(WinHttpQueryDataAvailable)> queryDataAvailable{L"winhttp.dll",
                                                                          "WinHttpQueryDataAvailable"};
  LibraryFunction<decltype(WinHttpReadData)> readData{L"winhttp.dll", "WinHttpReadData"};

  // Finds every function at once, on the client's thread, before any worker calls one; throws
  // Failure.
  void Load() {
    LoadRequestFunctions();
    queryDataAvailable(), readData();
  }
};

WinHttp& Api() {
  static WinHttp api;
  return api;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) throw Failure("text that is not UTF-8");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr, nullptr);
  return narrow;
}

// What a failed WinHTTP call means for the caller. Certificate problems arrive either as their
// own error or as a general "secure failure" whose details came through the status callback.
// Wine 8 tells no certificate problem from another: an unknown CA, a wrong name and an expired
// certificate all fail with ERROR_WINHTTP_SECURE_CHANNEL_ERROR and no details, which makes
// kSecureChannelFailed. A server that closes without answering gives
// ERROR_WINHTTP_INVALID_SERVER_RESPONSE there: kFailed.
HttpOutcome OutcomeOf(DWORD error, DWORD secureFlags) {
  switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return HttpOutcome::kUnreachable;
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // what Wine reports when the answer does not come in time
      return HttpOutcome::kTimedOut;
    case ERROR_WINHTTP_SECURE_INVALID_CA:
      return HttpOutcome::kCertificateUntrusted;
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      return HttpOutcome::kCertificateExpired;
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      return HttpOutcome::kCertificateWrongName;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
      // An untrusted chain says the most; a date or a name matter only on a trusted one.
      if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA) return HttpOutcome::kCertificateUntrusted;
      if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID) return HttpOutcome::kCertificateExpired;
      if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID) return HttpOutcome::kCertificateWrongName;
      return HttpOutcome::kSecureChannelFailed;
    default:
      return HttpOutcome::kFailed;
  }
}

}  // namespace

// One request, shared by the client and the worker that runs it: whichever lives longer frees it.
struct Win32HttpClient::Exchange {
  HttpRequest request;
  HttpReply reply;  // the worker's until it posts kExchangeDone, the window's after
  std::shared_ptr<UniqueInternet> session;
  HWND target = nullptr;
  std::uintptr_t id = 0;
  std::atomic<DWORD> secureFlags{0};  // from the status callback, on the worker's thread
  std::atomic<bool> sent{false};      // the whole request has left (reply.requestSent, readable by the client)

  Lock lock;               // guards what follows
  bool abandoned = false;  // the client is gone: the worker stops and posts nothing
  UniqueInternet connection, handle;

  static void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength) {
    if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || context == 0 || info == nullptr ||
        infoLength < sizeof(DWORD)) {
      return;
    }
    reinterpret_cast<Exchange*>(context)->secureFlags |= *static_cast<DWORD*>(info);
  }

  // Runs on the worker thread. Returns the request handle to use, or null once abandoned.
  HINTERNET Open() {
    const HttpRequest& r = request;
    std::wstring host = FromUtf8(r.host);
    if (host.find(L':') != std::wstring::npos) host = L"[" + host + L"]";  // an IPv6 address
    UniqueInternet newConnection(Api().connect()(session->get(), host.c_str(), r.port, 0));
    if (!newConnection) return nullptr;
    UniqueInternet newHandle(Api().openRequest()(newConnection.get(), FromUtf8(r.method).c_str(),
                                                FromUtf8(r.path).c_str(), L"HTTP/1.0" /* as every request of ours */,
                                                WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                r.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!newHandle) return nullptr;
    std::lock_guard guard(lock);
    if (abandoned) return nullptr;
    connection = std::move(newConnection);
    handle = std::move(newHandle);
    return handle.get();
  }

  // A header's value as sent (UTF-8), or empty when the reply has none.
  // A header by its query code, or by its name with WINHTTP_QUERY_CUSTOM.
  static std::string HeaderText(HINTERNET h, DWORD query, LPCWSTR name = WINHTTP_HEADER_NAME_BY_INDEX) {
    DWORD size = 0;
    Api().queryHeaders()(h, query, name, WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!Api().queryHeaders()(h, query, name, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
      return {};
    text.resize(size / sizeof(wchar_t));
    return ToUtf8(text);
  }

  // Runs on the worker thread: the whole exchange, filling `reply`.
  void Run() {
    HINTERNET h = Open();
    if (!h) return Fail("WinHttpOpenRequest", GetLastError());
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!Api().setOption()(h, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable))
      return Fail("WinHttpSetOption", GetLastError());
    Api().setStatusCallback()(h, &Exchange::StatusCallback, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);

    std::wstring headers;
    for (const auto& [name, value] : request.headers) headers += FromUtf8(name) + L": " + FromUtf8(value) + L"\r\n";
    DWORD bodyLength = static_cast<DWORD>(request.body.size());
    if (!Api().sendRequest()(h, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1),
                            bodyLength ? request.body.data() : WINHTTP_NO_REQUEST_DATA, bodyLength, bodyLength,
                            reinterpret_cast<DWORD_PTR>(this))) {
      return Fail("WinHttpSendRequest", GetLastError());
    }
    // The header and the whole body went out with the send.
    reply.requestSent = true;
    sent = true;
    if (!Api().receiveResponse()(h, nullptr)) return Fail("WinHttpReceiveResponse", GetLastError());

    DWORD status = 0, size = sizeof status;
    if (!Api().queryHeaders()(h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                             &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      return Fail("WinHttpQueryHeaders", GetLastError());
    }
    reply.status = static_cast<int>(status);
    reply.location = HeaderText(h, WINHTTP_QUERY_LOCATION);
    reply.retryAfter = HeaderText(h, WINHTTP_QUERY_RETRY_AFTER);
    reply.rateLimitReset = HeaderText(h, WINHTTP_QUERY_CUSTOM, L"RateLimit-Reset");
    reply.date = HeaderText(h, WINHTTP_QUERY_DATE);

    std::vector<char> chunk;
    for (;;) {
      DWORD available = 0;
      if (!Api().queryDataAvailable()(h, &available)) return Fail("WinHttpQueryDataAvailable", GetLastError());
      std::size_t room = kMaxBody - reply.body.size();
      if (available == 0 || room == 0) break;  // the end, or as much as is kept: the rest stays unread
      chunk.resize(std::min<std::size_t>({available, room, kChunk}));
      DWORD read = 0;
      if (!Api().readData()(h, chunk.data(), static_cast<DWORD>(chunk.size()), &read))
        return Fail("WinHttpReadData", GetLastError());
      if (read == 0) break;
      reply.body.append(chunk.data(), read);
    }
    reply.outcome = HttpOutcome::kReplied;
  }

  // The exchange ends in the outcome the error means; the error itself goes to the trace.
  void Fail(const char* function, DWORD error) {
    reply.outcome = OutcomeOf(error, secureFlags.load());
    try {
      TraceSwallowedFailure(SourcePlace::current(), ErrorText(function, error));
    } catch (...) {
      // no memory for the text: the outcome says enough
    }
  }

  // On the worker thread, when the exchange is over: frees its handles and tells the client.
  void Finish() {
    std::lock_guard guard(lock);
    handle.reset();
    connection.reset();
    if (!abandoned) PostMessageW(target, kExchangeDone, id, 0);
  }

  // On the client's thread, when the client goes or the deadline passes: cuts the exchange short
  // if it can; the worker posts nothing after this.
  void Abandon() {
    std::lock_guard guard(lock);
    abandoned = true;
    handle.reset();
    connection.reset();
  }
};

void CloseInternetHandle(HINTERNET handle) { Api().closeHandle()(handle); }

Win32HttpClient::Win32HttpClient(int timeoutMs, int deadlineMs) : timeoutMs_(timeoutMs), deadlineMs_(deadlineMs) {
  Create({L"QuilletHttpClient"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
}

std::shared_ptr<UniqueInternet> Win32HttpClient::Session() {
  if (session_) return session_;
  try {
    WinHttp& api = Api();
    api.Load();
    auto session = std::make_shared<UniqueInternet>(api.open()(
        L"Quillet", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!*session) ThrowLastError("WinHttpOpen");
    if (!api.setTimeouts()(session->get(), timeoutMs_, timeoutMs_, timeoutMs_, timeoutMs_))
      ThrowLastError("WinHttpSetTimeouts");
    // Waiting for the answer's first bytes has a limit of its own (90 s unless set).
    DWORD responseTimeout = static_cast<DWORD>(timeoutMs_);
    api.setOption()(session->get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                    sizeof responseTimeout);
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    api.setOption()(session->get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy,
                    sizeof policy);  // each request says it too
    // Older systems offer only SSL 3 and TLS 1.0 unless asked: the newest each one knows.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | 0x00002000 /* TLS 1.3 */;
    if (!api.setOption()(session->get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
      protocols &= ~DWORD{0x00002000};
      api.setOption()(session->get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    }
    session_ = std::move(session);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);  // tried again at the next request
  }
  return session_;
}

Win32HttpClient::~Win32HttpClient() {
  for (auto& [id, pending] : pending_) pending.exchange->Abandon();
}

void Win32HttpClient::Send(HttpRequest request, Callback<void(HttpReply)> done) {
  auto exchange = std::make_shared<Exchange>();
  exchange->request = std::move(request);
  exchange->session = Session();
  exchange->target = hwnd();
  exchange->id = nextId_++;
  pending_[exchange->id] = Pending{exchange, std::move(done)};
  if (!exchange->session) {
    PostMessageW(hwnd(), kExchangeDone, exchange->id, 0);  // no WinHTTP: it fails, later, as any other
    return;
  }
  // The deadline: a timer of the exchange's own, its id the exchange's.
  SetTimer(hwnd(), exchange->id, static_cast<UINT>(deadlineMs_), nullptr);
  try {
    RunDetached([exchange] {
      try {
        exchange->Run();
      } catch (...) {
        exchange->reply.outcome = HttpOutcome::kFailed;  // text that cannot be sent, out of memory
      }
      exchange->Finish();
    });
  } catch (...) {
    PostMessageW(hwnd(), kExchangeDone, exchange->id, 0);  // no thread: it fails, later, as any other
  }
}

void Win32HttpClient::Deliver(std::uintptr_t id, bool expired) {
  auto found = pending_.find(id);
  if (found == pending_.end()) return;
  KillTimer(hwnd(), id);
  Pending pending = std::move(found->second);
  pending_.erase(found);
  HttpReply reply;
  if (expired) {
    pending.exchange->Abandon();  // the worker gives up; what it finds later goes nowhere
    reply.outcome = HttpOutcome::kTimedOut;
    reply.requestSent = pending.exchange->sent.load();
  } else {
    std::lock_guard guard(pending.exchange->lock);
    reply = std::move(pending.exchange->reply);
  }
  Guarded([&] {
    if (pending.done) pending.done(std::move(reply));
  });
}

LRESULT Win32HttpClient::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kExchangeDone) {
    Deliver(static_cast<std::uintptr_t>(wParam), false);
    return 0;
  }
  if (message == WM_TIMER) {
    Deliver(static_cast<std::uintptr_t>(wParam), true);
    return 0;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quillet::platform::win32
