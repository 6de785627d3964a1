#pragma once
// Owners of drawing state that must be given back: a window's device context (from GetDC or
// BeginPaint), and an object selected into a device context, which the previous one replaces
// again. Memory device contexts are UniqueMemoryDc (handles.h).
#include <windows.h>

#include <utility>

#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

// The device context of a window's client area (of the screen, for no window), from GetDC,
// released with ReleaseDC; the calling thread's last error survives the release.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      Release();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~WindowDc() { Release(); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  void Release() {
    if (dc_ == nullptr) return;
    DWORD lastError = GetLastError();
    ReleaseDC(window_, std::exchange(dc_, nullptr));
    SetLastError(lastError);
  }
  HWND window_;
  HDC dc_;
};

// The device context of a WM_PAINT, from BeginPaint; EndPaint at the end validates the window
// even when the painting stopped short.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(window_, &paint_); }

  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A memory device context like `like` (the screen's, for none).
inline UniqueMemoryDc CompatibleDc(HDC like) { return UniqueMemoryDc(CreateCompatibleDC(like)); }

// An object selected into a device context for the owner's lifetime; the object it replaced is
// selected again at the end, so that the object can then be deleted and the context released.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;
  ScopedSelection(ScopedSelection&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedSelection& operator=(ScopedSelection&& other) noexcept {
    if (this != &other) {
      Restore();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~ScopedSelection() { Restore(); }

  // False when the object could not be selected (nothing is restored then).
  explicit operator bool() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  void Restore() {
    if (!*this) return;
    SelectObject(dc_, std::exchange(previous_, nullptr));
  }
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace quillet::platform::win32
