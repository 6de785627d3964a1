#pragma once
// A function of a system library that is loaded at its first use rather than with the program,
// so that what most sessions never need (WinHTTP, the data protection of crypt32, COM) costs
// nothing until it is needed:
//
//   static LibraryFunction<decltype(WinHttpOpen)> open(L"winhttp.dll", "WinHttpOpen");
//   HINTERNET session = open()(L"Quillet", ...);
//
// The library is looked for in the system folder only, loaded once, and kept while the program
// runs (its functions may be called again at any time). A library or function that cannot be
// had throws Failure naming both and the system's error number, thrown at the call.
#include <windows.h>

#include <string>

#include "common/failure.h"

namespace quillet::platform::win32 {

// The module of `library` (a system DLL's file name), loaded on the first call; throws Failure.
HMODULE LoadSystemLibrary(const wchar_t* library, SourcePlace where = SourcePlace::current());

template <typename Function>
class LibraryFunction {
 public:
  LibraryFunction(const wchar_t* library, const char* name) : library_(library), name_(name) {}
  LibraryFunction(const LibraryFunction&) = delete;
  LibraryFunction& operator=(const LibraryFunction&) = delete;

  // The function's address, found at the first call; throws Failure.
  Function* operator()(SourcePlace where = SourcePlace::current()) {
    if (function_ == nullptr) {
      HMODULE module = LoadSystemLibrary(library_, where);
      FARPROC found = GetProcAddress(module, name_);
      if (found == nullptr) ThrowMissing(library_, name_, GetLastError(), where);
      function_ = reinterpret_cast<Function*>(reinterpret_cast<void*>(found));
    }
    return function_;
  }

  [[noreturn]] static void ThrowMissing(const wchar_t* library, const char* name, DWORD error, SourcePlace where);

 private:
  const wchar_t* library_;
  const char* name_;
  Function* function_ = nullptr;
};

// The Failure for a library or function that could not be had.
[[noreturn]] void ThrowLibraryFailure(const wchar_t* library, const char* name, DWORD error, SourcePlace where);

template <typename Function>
void LibraryFunction<Function>::ThrowMissing(const wchar_t* library, const char* name, DWORD error, SourcePlace where) {
  ThrowLibraryFailure(library, name, error, where);
}

}  // namespace quillet::platform::win32
