#include "platform/win32/clipboard.h"

#include <cstring>

#include "platform/win32/handles.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

// The clipboard, open while this lives; another program may hold it for a moment.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) {
    for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
      if (attempt > 0) Sleep(20);
      open_ = OpenClipboard(owner) != FALSE;
    }
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  bool Open() const { return open_; }

 private:
  bool open_ = false;
};

}  // namespace

void CopyTextToClipboard(HWND owner, std::u16string_view text) {
  std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) ThrowLastError("GlobalAlloc");
  void* locked = GlobalLock(memory.get());
  if (locked == nullptr) ThrowLastError("GlobalLock");
  std::memcpy(locked, text.data(), text.size() * sizeof(wchar_t));
  static_cast<wchar_t*>(locked)[text.size()] = L'\0';
  GlobalUnlock(memory.get());

  OpenedClipboard clipboard(owner);
  if (!clipboard.Open()) ThrowLastError("OpenClipboard");
  if (!EmptyClipboard()) ThrowLastError("EmptyClipboard");
  if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) ThrowLastError("SetClipboardData");
  memory.release();  // the clipboard owns it now
}

}  // namespace quillet::platform::win32
