#pragma once
// The settings dialog as a real window: a fixed-border window with the frame, the panel that
// holds the labels, text boxes, list and check boxes, and the OK and Cancel buttons, each at
// its twips position converted at the density of the monitor it is on, in the default GUI font;
// laid out again when that density changes.
// Keyboard navigation (Tab, Enter, Esc, access keys) runs through the application's loop.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/application.h"
#include "platform/win32/handles.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_edit_box.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/window_base.h"
#include "dialogs/settings_dialog.h"

namespace quillet::platform::win32 {

// Control identifiers: OK and Cancel carry the ones that Enter and Esc send.
enum SettingsControlId : int {
  kIdOk = IDOK,
  kIdCancel = IDCANCEL,
  kIdUsername = 101,
  kIdPassword,
  kIdInterval,
  kIdStartup,
  kIdAddfriend,
  kIdFrame,
  kIdPanel,
  kIdLabelUsername,
  kIdLabelPassword,
  kIdLabelInterval,
};

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
  std::int32_t ListIndex() const override;
  void SetListIndex(std::int32_t index) override;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

class Win32SettingsView : public ISettingsView, public IDialog, public Win32Form {
 public:
  Win32SettingsView(Win32Application& app);
  ~Win32SettingsView() override;

  // ISettingsView
  IDialog& Window() override { return *this; }
  ITextBox& UserName() override { return *userName_; }
  ITextBox& Password() override { return *password_; }
  IComboBox& Interval() override { return *interval_; }
  ICheckBox& StartWithWindows() override { return *startWithWindows_; }
  ICheckBox& AddFriend() override { return *addFriend_; }
  IClickable& Ok() override { return ok_; }
  IClickable& Cancel() override { return cancel_; }

  // IWindow
  IconHandle Icon() const override { return reinterpret_cast<IconHandle>(layout_.SmallIcon()); }

  // IDialog
  void ShowModal(IWindow& owner) override;
  void Unload() override { closed_ = true; }
  void OnQueryClose(std::function<void()> handler) override { onQueryClose_ = std::move(handler); }

  // For tests: the child with this identifier (the controls on the panel included).
  HWND Control(int id) const;
  bool Closed() const { return closed_; }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Command(WORD id, WORD code);
  HWND AddChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                TwipsBox box, TwipsLayout::Fit fit = TwipsLayout::Fit::kBox);

  class Panel;
  Win32Application& app_;
  TwipsLayout layout_;
  std::unique_ptr<Panel> panel_;
  std::unique_ptr<Win32EditBox> userName_, password_;
  std::unique_ptr<Win32DropDownList> interval_;
  std::unique_ptr<Win32CheckBox> startWithWindows_, addFriend_;
  ClickEvent ok_, cancel_;
  std::function<void()> onQueryClose_;
  HWND lastFocus_ = nullptr;
  bool closed_ = false;
};

// Makes a settings dialog for each opening.
SettingsViewFactory Win32SettingsViews(Win32Application& app);

}  // namespace quillet::platform::win32
