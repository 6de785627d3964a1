#pragma once
// Choices that drop down from an edit box as the person types (ISuggestionList): a list box in a
// pop-up window owned by the box's window, which never takes the focus from the box (the keys
// stay with the box; a click picks an entry without activating the list). It is made at its first
// showing, in the box's font, as wide as its widest entry needs (a CJK tag fits), eight entries
// high at most, under the box (above it where the monitor ends), mirrored with a right-to-left
// window and then lined up with the anchor's right edge. A screen reader reads it as a list named
// by `name`; each entry chosen is told as the list's selection.
#include <windows.h>

#include <string>
#include <vector>

#include "common/callback.h"
#include "platform/ui.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

class Win32SuggestionList : public ISuggestionList {
 public:
  // `box` gives the edit box's window when the list shows (null: nothing is shown).
  explicit Win32SuggestionList(Callback<HWND()> box) : box_(std::move(box)) {}
  ~Win32SuggestionList() override;
  Win32SuggestionList(const Win32SuggestionList&) = delete;
  Win32SuggestionList& operator=(const Win32SuggestionList&) = delete;

  void Show(const std::vector<std::u16string>& entries, std::int32_t chosen, std::int32_t anchor) override;
  void Choose(std::int32_t index) override;
  void Hide() override;
  bool Visible() const override;
  void OnPicked(Callback<void(std::int32_t)> handler) override { onPicked_ = std::move(handler); }

  // What a screen reader calls the list, asked each time it shows.
  Callback<std::u16string()> name;
  HWND hwnd() const { return list_.get(); }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Make(HWND box);
  void Place(HWND box, std::int32_t anchor, const std::vector<std::u16string>& entries);

  Callback<HWND()> box_;
  UniqueWindow list_;  // owned by the box's window: gone with it, when it goes first
  WNDPROC original_ = nullptr;
  Callback<void(std::int32_t)> onPicked_;
};

}  // namespace quillet::platform::win32
