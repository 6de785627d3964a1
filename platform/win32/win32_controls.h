#pragma once
// The standard controls the dialogs share, over the window the dialog made for each.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/callback.h"
#include "platform/ui.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

// A check box with three states; a click toggles between ticked and not ticked (a greyed box
// becomes ticked); the greyed state is set only by the program.
class Win32CheckBox : public ICheckBox {
 public:
  explicit Win32CheckBox(HWND hwnd) : hwnd_(hwnd) {}
  std::int16_t Value() const override;
  void SetValue(std::int16_t state) override;
  void Clicked();
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

class Win32DropDownList : public IComboBox {
 public:
  explicit Win32DropDownList(HWND hwnd) : hwnd_(hwnd) {}
  void AddItem(std::u16string_view item) override;
  std::int32_t ListCount() const override;
  std::u16string List(std::int32_t index) const override;
  void SetItem(std::int32_t index, std::u16string_view item) override;
  std::int32_t ListIndex() const override;
  void SetListIndex(std::int32_t index) override;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// A static text whose caption the program sets.
class Win32StaticText : public ILabel {
 public:
  explicit Win32StaticText(HWND hwnd) : hwnd_(hwnd) {}
  std::u16string Caption() const override { return WindowText(hwnd_); }
  void SetCaption(std::u16string_view caption) override { SetWindowTextW(hwnd_, Wide(caption).c_str()); }
  void OnClick(Callback<void()> handler) override { onClick_ = std::move(handler); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
  Callback<void()> onClick_;  // static texts are not clicked here
};

}  // namespace quillet::platform::win32
