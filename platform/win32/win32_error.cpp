#include "platform/win32/win32_error.h"

#include "common/failure.h"

namespace quillet::platform::win32 {
namespace {

constexpr DWORD kFirstWinHttpError = 12000;
constexpr DWORD kLastWinHttpError = 12999;

std::string Utf8(const wchar_t* text, int length) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

std::string SystemText(DWORD code) {
  DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  HMODULE module = nullptr;
  if (code >= kFirstWinHttpError && code <= kLastWinHttpError) {
    module = GetModuleHandleW(L"winhttp.dll");  // loaded by then: only WinHTTP gives these codes
    if (module != nullptr) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  }
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words;
  if (length > 0 && text != nullptr) {
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
      --length;
    words = Utf8(text, static_cast<int>(length));
  }
  LocalFree(text);
  return words;
}

std::string ErrorText(const char* function, DWORD code) {
  std::string words = SystemText(code);
  std::string text = std::string(function) + " failed: ";
  text += words.empty() ? "error" : words;
  return text + " (" + std::to_string(code) + ")";
}

void ThrowError(const char* function, DWORD code, SourcePlace where) {
  throw Failure(ErrorText(function, code), where);
}

void ThrowLastError(const char* function, SourcePlace where) { ThrowError(function, GetLastError(), where); }

}  // namespace quillet::platform::win32
