#pragma once
// A Win32 call that failed becomes one Failure naming the function, the system's words for the
// error and its number:
//   "CreateFileW failed: The process cannot access the file because it is being used by another
//    process. (32)"
// WinHTTP's own codes (12001..12184) are worded by winhttp.dll, Winsock's by the system.
#include <windows.h>

#include <string>

#include "common/source_place.h"

namespace quillet::platform::win32 {

// The system's words for `code`, as UTF-8 without the trailing line break; empty when it has none.
std::string SystemText(DWORD code);
// "<function> failed: <the system's words> (<code>)".
std::string ErrorText(const char* function, DWORD code);

// Both throw a Failure thrown at their caller's place.
[[noreturn]] void ThrowError(const char* function, DWORD code, SourcePlace where = SourcePlace::current());
// With GetLastError() as the code.
[[noreturn]] void ThrowLastError(const char* function, SourcePlace where = SourcePlace::current());

}  // namespace quillet::platform::win32
