#pragma once
// A window of our own: its class is registered once, its messages reach HandleMessage, and no
// exception ever leaves the window procedure.
#include <windows.h>

#include <exception>
#include "common/source_place.h"
#include <string>

#include "common/trace.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

// Runs a callback from Windows; whatever it throws stops here and leaves a trace.
// The trace names the caller's file and line.
template <class Fn>
void Guarded(Fn&& fn, SourcePlace where = SourcePlace::current()) noexcept {
  try {
    fn();
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(where, failure);  // nothing may cross into Windows
  } catch (...) {
    TraceSwallowedFailure(where, "an exception of no known type");
  }
}

class Win32Window {
 public:
  Win32Window() = default;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;
  virtual ~Win32Window();

  HWND hwnd() const { return window_.get(); }

 protected:
  struct ClassInfo {
    const wchar_t* name;
    UINT style = 0;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
  };
  // Registers the class on first use and creates the window; throws Failure when it cannot.
  void Create(const ClassInfo& info, const std::wstring& title, DWORD style, DWORD exStyle, int x, int y, int width,
              int height, HWND parent = nullptr, HMENU menu = nullptr);
  // Messages not handled go to DefWindowProc.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  UniqueWindow window_;
};

// The instance of the running program.
HINSTANCE ProgramInstance();

// 16-bit text and Windows' wide text.
std::wstring Wide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

// A window's text (a caption, an edit box's contents); empty when it has none or cannot be read.
std::u16string WindowText(HWND window);

// The program's icon at the given size in pixels; null when the program carries none.
UniqueIcon LoadProgramIcon(int size);

}  // namespace quillet::platform::win32
