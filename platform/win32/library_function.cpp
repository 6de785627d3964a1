#include "platform/win32/library_function.h"

#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {

HMODULE LoadSystemLibrary(const wchar_t* library, SourcePlace where) {
  // Loaded once and kept: a second LoadLibrary of the same name only counts up, and the module
  // lives until the process ends.
  HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
    module = LoadLibraryW(library);  // a system without the search flags (Windows 7 before KB2533623)
  if (module == nullptr) ThrowLibraryFailure(library, nullptr, GetLastError(), where);
  return module;
}

void ThrowLibraryFailure(const wchar_t* library, const char* name, DWORD error, SourcePlace where) {
  std::string file;
  for (const wchar_t* c = library; *c != L'\0'; ++c) file += static_cast<char>(*c < 0x80 ? *c : '?');
  std::string function = name != nullptr ? "GetProcAddress(" + std::string(name) + " of " + file + ")"
                                         : "LoadLibraryExW(" + file + ")";
  ThrowError(function.c_str(), error, where);
}

}  // namespace quillet::platform::win32
