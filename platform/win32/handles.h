#pragma once
// Move-only owners of Windows handles: each handle is released exactly once, by its owner.
#include <winsock2.h>
#include <windows.h>

#include <utility>

#include "platform/win32/winsock.h"

namespace quillet::platform::win32 {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Traits::Invalid()));
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  // Releasing the old handle leaves the calling thread's last error as it was.
  void reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(handle_, handle);
    if (old == Traits::Invalid()) return;
    DWORD lastError = GetLastError();
    Traits::Release(old);
    SetLastError(lastError);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { DestroyWindow(h); }
};
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { DestroyIcon(h); }
};
template <class T>
struct GdiTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { DeleteObject(h); }
};
struct MenuTraits {
  using Handle = HMENU;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { DestroyMenu(h); }
};
struct SocketTraits {
  using Handle = SOCKET;
  static Handle Invalid() { return INVALID_SOCKET; }
  static void Release(Handle h) { Winsock().closeSocket()(h); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { DeleteDC(h); }
};
struct KernelTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { CloseHandle(h); }
};

struct DesktopTraits {
  using Handle = HDESK;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { CloseDesktop(h); }
};

// A file opened by CreateFileW, whose failure is INVALID_HANDLE_VALUE.
struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(Handle h) { CloseHandle(h); }
};

// A view of a file mapped into memory by MapViewOfFile.
struct MappedViewTraits {
  using Handle = const void*;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { UnmapViewOfFile(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { FreeLibrary(h); }
};

// Memory from GlobalAlloc (the clipboard's data before the clipboard takes it).
struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Release(Handle h) { GlobalFree(h); }
};

using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueFont = UniqueHandle<GdiTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiTraits<HBRUSH>>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;  // made by CreateCompatibleDC
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueKernelHandle = UniqueHandle<KernelTraits>;
using UniqueDesktop = UniqueHandle<DesktopTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueMappedView = UniqueHandle<MappedViewTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;  // from LoadLibrary
using UniqueGlobalMemory = UniqueHandle<GlobalMemoryTraits>;

}  // namespace quillet::platform::win32
