#pragma once
// Windows and controls as the forms use them. Each form of the core receives its controls
// through these interfaces and connects its handlers to their events; the Win32 platform
// realises them as real windows, the fake platform as objects that tests drive.
//
// Events are raised on the one user-interface thread, one at a time, in the order Windows
// raises them. A handler may run nested inside another's call of IApplication::DoEvents or of
// a modal loop (IDialog::ShowModal, a popup menu).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"

namespace quillet::platform {

using WindowHandle = std::uintptr_t;  // an HWND as a number; 0 is none
using IconHandle = std::uintptr_t;    // an HICON as a number

class IWindow {
 public:
  virtual ~IWindow() = default;
  virtual WindowHandle Handle() const = 0;
  virtual IconHandle Icon() const = 0;  // the window's 16 x 16 icon
  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(std::u16string_view caption) = 0;
  virtual bool Visible() const = 0;
  virtual void Show() = 0;  // modeless, without an owner
  virtual void Hide() = 0;
  // Position and size in twips; each may fail on its own.
  virtual void SetLeft(std::int32_t twips) = 0;
  virtual void SetTop(std::int32_t twips) = 0;
  virtual void SetWidth(std::int32_t twips) = 0;
  virtual void SetHeight(std::int32_t twips) = 0;
};

// A window shown modally over an owner. ShowModal returns when the dialog has been closed.
class IDialog : public virtual IWindow {
 public:
  virtual void ShowModal(IWindow& owner) = 0;
  virtual void Unload() = 0;  // closes it; ShowModal then returns
  // Raised when the user closes it by its title-bar close box.
  virtual void OnQueryClose(Callback<void()> handler) = 0;
};

class ITextBox {
 public:
  virtual ~ITextBox() = default;
  virtual std::u16string Text() const = 0;
  virtual void SetText(std::u16string_view text) = 0;  // raises the change event
  virtual void SetSelection(std::int32_t start, std::int32_t length) = 0;
  // The most characters the user can type in (0: as many as the control holds).
  virtual void SetMaxLength(std::int32_t characters) = 0;
  virtual std::int32_t SelectionStart() const = 0;
  virtual std::int32_t SelectionLength() const = 0;
  // After any change of the text, by the user or by the program.
  virtual void OnChange(Callback<void()> handler) = 0;
  // A character key typed into the box, before the box takes it; setting the code to 0
  // discards the key.
  virtual void OnKeyPress(Callback<void(std::int16_t& charCode)> handler) = 0;
  // A key pressed down in the box (its virtual-key code, like kKeyUp), before the box acts on
  // it; setting the code to 0 discards the key.
  virtual void OnKeyDown(Callback<void(std::int16_t& keyCode)> handler) = 0;
  virtual void OnGotFocus(Callback<void()> handler) = 0;
};
inline constexpr std::int16_t kKeyTab = 0x09;   // VK_TAB
inline constexpr std::int16_t kKeyUp = 0x26;    // VK_UP
inline constexpr std::int16_t kKeyDown = 0x28;  // VK_DOWN

// Choices offered beside a text box as the person types into it, the box keeping the focus: a
// list that drops down from the box's character `anchor`, one entry chosen (marked, and told to
// a screen reader). A click on an entry picks it.
class ISuggestionList {
 public:
  virtual ~ISuggestionList() = default;
  // Shows the entries, or shows these in place of those shown.
  virtual void Show(const std::vector<std::u16string>& entries, std::int32_t chosen, std::int32_t anchor) = 0;
  virtual void Choose(std::int32_t index) = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual void OnPicked(Callback<void(std::int32_t index)> handler) = 0;
};

class ILabel {
 public:
  virtual ~ILabel() = default;
  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(std::u16string_view caption) = 0;
  virtual void OnClick(Callback<void()> handler) = 0;
};

// An image, a button or anything else that is only clicked.
class IClickable {
 public:
  virtual ~IClickable() = default;
  virtual void OnClick(Callback<void()> handler) = 0;
};

// The click event of a control: keeps the handler and runs it when the control is clicked (told
// by the platform's window procedure, or by a test).
class ClickEvent : public IClickable {
 public:
  void OnClick(Callback<void()> handler) override { onClick_ = std::move(handler); }
  void Click() {
    if (onClick_) onClick_();
  }

 private:
  Callback<void()> onClick_;
};

class IShape {
 public:
  virtual ~IShape() = default;
  virtual std::int32_t Top() const = 0;  // pixels from the client origin
  virtual void SetTop(std::int32_t pixels) = 0;
};

class ITimer {
 public:
  virtual ~ITimer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void OnTimer(Callback<void()> handler) = 0;
};

// A check box with the states 0 (not ticked), 1 (ticked) and 2 (greyed); any other value
// throws InvalidPropertyValue.
class ICheckBox {
 public:
  virtual ~ICheckBox() = default;
  virtual std::int16_t Value() const = 0;
  virtual void SetValue(std::int16_t state) = 0;
};

// A drop-down list the user can only pick from. ListIndex -1 is no entry selected; a position
// outside -1..count-1 throws InvalidPropertyValue.
class IComboBox {
 public:
  virtual ~IComboBox() = default;
  virtual void AddItem(std::u16string_view item) = 0;
  virtual std::int32_t ListCount() const = 0;
  virtual std::u16string List(std::int32_t index) const = 0;
  // Replaces the text of the entry at `index`; the entry selected stays selected.
  virtual void SetItem(std::int32_t index, std::u16string_view item) = 0;
  virtual std::int32_t ListIndex() const = 0;
  virtual void SetListIndex(std::int32_t index) = 0;
};

// An item of a menu: its click handler, a tick mark beside its caption, and whether it is in
// the menu at all (a hidden item keeps its place among the others and comes back there).
class IMenuItem : public IClickable {
 public:
  virtual void SetChecked(bool checked) = 0;
  virtual void SetVisible(bool visible) = 0;
  // The item's text, "&" before its access key, as AddItem takes it.
  virtual void SetCaption(std::u16string_view caption) = 0;
};

// A menu that pops up at the mouse position. Items are added in order; a caption of "-" is a
// separator. Popup shows it left-aligned at the mouse, items chosen with the left button, no
// default item, and returns when the menu is dismissed, after a chosen item's click handler
// has run.
class IPopupMenu {
 public:
  struct Submenu {
    IMenuItem& item;   // the entry in this menu; its click handler is never raised
    IPopupMenu& menu;  // where its items are added; it pops up from the entry, not on its own
  };
  virtual ~IPopupMenu() = default;
  // The item, to connect its click handler; a separator's is never raised.
  virtual IMenuItem& AddItem(std::u16string_view caption) = 0;
  // An entry that opens a menu of its own.
  virtual Submenu AddSubmenu(std::u16string_view caption) = 0;
  virtual void Popup() = 0;
};

// A global key combination: the key's virtual-key code (0: none) and the modifiers held with it.
inline constexpr std::uint8_t kModAlt = 1;
inline constexpr std::uint8_t kModControl = 2;
inline constexpr std::uint8_t kModShift = 4;
inline constexpr std::uint8_t kModWin = 8;
struct KeyCombination {
  std::uint8_t modifiers = 0;  // kModAlt | kModControl | kModShift | kModWin
  std::uint8_t key = 0;
  friend bool operator==(const KeyCombination&, const KeyCombination&) = default;
};

// A control in which the user presses the key combination it shows.
class IHotkeyBox {
 public:
  virtual ~IHotkeyBox() = default;
  virtual KeyCombination Value() const = 0;
  virtual void SetValue(KeyCombination combination) = 0;
};

// The hidden window that owns the notification-area icon, with the events it acts on.
class ITrayForm : public virtual IWindow {
 public:
  // A mouse message over the window, with the low word of its lParam; for the icon's
  // notifications that is the mouse message that happened on the icon.
  virtual void OnIconMessage(Callback<void(std::int32_t lowWord)> handler) = 0;
  // After the window's size changed, and when it is first shown.
  virtual void OnResize(Callback<void()> handler) = 0;
  // The system asks the window to close (the session ends).
  virtual void OnUnloadRequest(Callback<void()> handler) = 0;
  // The shell's taskbar was created anew: the icons it held are gone.
  virtual void OnTaskbarCreated(Callback<void()> handler) = 0;
  // Another start of the program asks this one to come up.
  virtual void OnActivateRequest(Callback<void()> handler) = 0;

  // Takes a global key combination for this window, without repeats while it is held down, in
  // place of the one it held; false when the system refuses it (another program holds it), and
  // the window then holds none. Key 0 releases it.
  virtual bool SetHotkey(KeyCombination combination) = 0;
  // The combination was pressed.
  virtual void OnHotkey(Callback<void()> handler) = 0;
  // The window's icon was replaced by one drawn for a new display density.
  virtual void OnIconChanged(Callback<void()> handler) = 0;
};

}  // namespace quillet::platform
