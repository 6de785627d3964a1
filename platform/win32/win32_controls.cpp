#include "platform/win32/win32_controls.h"

#include "common/failure.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

std::int16_t Win32CheckBox::Value() const { return static_cast<std::int16_t>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0)); }

void Win32CheckBox::SetValue(std::int16_t state) {
  if (state < 0 || state > 2) throw InvalidPropertyValue("check box state");
  SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void Win32CheckBox::Clicked() { SetValue(Value() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED); }

void Win32DropDownList::AddItem(std::u16string_view item) {
  LRESULT added = SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  if (added == CB_ERR || added == CB_ERRSPACE) throw Failure("CB_ADDSTRING");
}

std::int32_t Win32DropDownList::ListCount() const {
  return static_cast<std::int32_t>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
}

std::u16string Win32DropDownList::List(std::int32_t index) const {
  LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text);
}

void Win32DropDownList::SetItem(std::int32_t index, std::u16string_view item) {
  if (index < 0 || index >= ListCount()) throw InvalidPropertyValue("list position");
  std::int32_t selected = ListIndex();
  SendMessageW(hwnd_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  LRESULT inserted =
      SendMessageW(hwnd_, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Wide(item).c_str()));
  if (inserted == CB_ERR || inserted == CB_ERRSPACE) throw Failure("CB_INSERTSTRING");
  if (selected >= 0) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

std::int32_t Win32DropDownList::ListIndex() const {
  return static_cast<std::int32_t>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
}

void Win32DropDownList::SetListIndex(std::int32_t index) {
  if (index < -1 || index >= ListCount()) throw InvalidPropertyValue("list position");
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace quillet::platform::win32
