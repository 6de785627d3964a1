#pragma once
// A Win32 call that failed becomes one Failure naming the function, the system's words for the
// error and its number:
//   "CreateFileW failed: The process cannot access the file because it is being used by another
//    process. (32)"
// WinHTTP's own codes (12001..12184) are worded by winhttp.dll, Winsock's by the system.
#include <windows.h>

#include <string>

namespace quillet::platform::win32 {

// The system's words for `code`, as UTF-8 without the trailing line break; empty when it has none.
std::string SystemText(DWORD code);
// "<function> failed: <the system's words> (<code>)".
std::string ErrorText(const char* function, DWORD code);

[[noreturn]] void ThrowError(const char* function, DWORD code);
// With GetLastError() as the code.
[[noreturn]] void ThrowLastError(const char* function);

}  // namespace quillet::platform::win32
