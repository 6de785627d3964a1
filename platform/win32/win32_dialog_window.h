#pragma once
// What the program's dialogs share: a fixed-border window of a given client size in twips (or,
// where a dialog asks for it, one the person can size, down to that size), its children made
// through a TwipsLayout and laid out again when the density changes, the modal
// loop, the default button, the keys of the application's loop, the close box and the focus kept
// across a switch to another window. A dialog binds each child's identifier to what it does
// (OnClicked, OnCommand, OnNotify), or describes its controls as rows (platform/dialog_rows.h)
// that AddRows makes and binds as every control of their kind is bound; what a child reports (WM_COMMAND, WM_NOTIFY) and the close box
// reach those handlers inside Guarded, so that no failure of a handler crosses the window procedure.
#include <windows.h>

#include <map>
#include <span>
#include <string>
#include <string_view>

#include "common/callback.h"
#include "platform/dialog_rows.h"
#include "platform/ui.h"
#include "platform/win32/list_emoji.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_edit_box.h"
#include "platform/win32/win32_form.h"

namespace quillet::platform::win32 {

// The styles of a dialog's children: a field or button that Tab reaches, and a label.
constexpr DWORD kTabStopChild = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS;
constexpr DWORD kLabelChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT;

class Win32DialogWindow : public IDialog, public Win32Form {
 public:
  ~Win32DialogWindow() override;

  // IWindow
  IconHandle Icon() const override { return reinterpret_cast<IconHandle>(layout_.SmallIcon()); }

  // IDialog
  void ShowModal(IWindow& owner) override;
  void Unload() override { closed_ = true; }
  void OnQueryClose(Callback<void()> handler) override { onQueryClose_ = std::move(handler); }

  // Widens the children and the dialog until each text fits (TwipsLayout::FitTexts), keeping the
  // dialog's top left; from then on again at each new density. Each dialog does so once its
  // children are made and again as it is shown; call it after changing a text that may not fit.
  void FitTexts();

  // For tests: the child with this identifier, and whether the dialog was closed.
  HWND Control(int id) const { return GetDlgItem(hwnd(), id); }
  bool Closed() const { return closed_; }

 protected:
  struct Frame {
    const wchar_t* windowClass;
    const char16_t* title;  // in English; the window shows it in the person's language
    int clientWidth, clientHeight;  // twips
    int defaultButton;              // the identifier Enter sends
    int visibleListEntries = 0;     // how far a drop-down list opens
    // A sizing border and a maximise box. The client size above is then the smallest the person
    // can make it (the children's boxes describe the dialog at that size), and the dialog opens
    // at the size below (twips); it lays its children out again on WM_SIZE and in Rescaled.
    bool resizable = false;
    int openClientWidth = 0, openClientHeight = 0;
  };
  // Makes the window (hidden) and takes it into the application's keyboard navigation.
  Win32DialogWindow(Win32Application& app, const Frame& frame);

  // Makes a child of `parent` (the dialog unless given) at its place in twips.
  HWND AddChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                TwipsBox box, TwipsLayout::Fit fit = TwipsLayout::Fit::kBox);
  HWND AddChild(const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle, int id, TwipsBox box,
                TwipsLayout::Fit fit = TwipsLayout::Fit::kBox) {
    return AddChild(hwnd(), windowClass, text, style, exStyle, id, box, fit);
  }

  // Makes a control for each row, in the rows' order (the Tab order), as a child of `parent` (the
  // dialog unless given), and binds what every control of its kind does: a button's click runs
  // ClicksOf(id), a text box's (of one line, read only or not, or of several) changes and focus
  // reach TextBoxOf(id), a check box's click toggles
  // CheckBoxOf(id). A label, a frame, a read-only text, a hotkey control and a report list are
  // only made: the dialog takes them by Control(id) and gives them what they need. A dialog whose
  // control does more than the kind's binding binds it again after (OnClicked, OnCommand).
  void AddRows(std::span<const ControlRow> rows, HWND parent = nullptr);
  Win32EditBox& TextBoxOf(int id) { return textBoxes_.at(id); }
  const Win32EditBox& TextBoxOf(int id) const { return textBoxes_.at(id); }
  Win32CheckBox& CheckBoxOf(int id) { return checkBoxes_.at(id); }
  Win32DropDownList& DropDownOf(int id) { return dropDowns_.at(id); }
  Win32StaticText& MessageOf(int id) { return messages_.at(id); }
  ClickEvent& ClicksOf(int id) { return clicks_.at(id); }

  // An English text in the language the application speaks now (tools/messages.py finds the
  // texts given here as literals).
  std::wstring Tr(std::u16string_view english) const { return Wide(app_.Words().Tr(english)); }

  // A Yes/No question over the dialog, captioned like it (the program's own title is empty while
  // it runs), with `icon` (MB_ICON...). No is the default: a stray Enter does nothing that cannot
  // be taken back. True for Yes.
  bool AskYesNoOver(std::u16string_view question, UINT icon) const;

  // What the child `id` does: a button's click; any of its notifications (WM_COMMAND's code: an
  // edit box's change, focus); its WM_NOTIFY (a list's selection, double click, keys).
  void OnClicked(int id, Callback<void()> handler);
  void OnCommand(int id, Callback<void(WORD code)> handler);
  void OnNotify(int id, Callback<void(const NMHDR& header)> handler);
  // The answer to the child's NM_CUSTOMDRAW (CDRF_DODEFAULT when the handler fails).
  void OnCustomDraw(int id, Callback<LRESULT(NMHDR& header)> handler);
  // The report list `id` draws emoji as themselves where the system would draw boxes
  // (platform/win32/list_emoji.h).
  void DrawEmojiIn(int id);

  // The control that has the focus when the dialog opens: the first in the Tab order.
  virtual HWND FirstField() const = 0;
  // The close box, after the query-close handler and before the dialog closes.
  virtual void CloseBoxClicked() {}
  // After the children were laid out again at a new density, or their texts fitted again.
  virtual void Rescaled() {}
  // A resizable dialog that was given its place (SetWindowPlacement) before it is shown: ShowModal
  // neither centres it nor gives it its opening size.
  void KeepPlaceAtShow() { keepPlace_ = true; }
  // Messages the dialog handles itself before the common ones; the rest go to the base.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  Win32Application& app_;
  TwipsLayout layout_;

 private:
  // The outer size of a client area of this size in pixels, with the dialog's frame.
  SIZE OuterSize(int clientWidth, int clientHeight) const;
  // A resizable dialog's smallest client area now, in pixels: its texts may have widened it.
  SIZE MinimumClientSize() const;
  // Sizes a resizable dialog's client area to at least the smallest, keeping its top left.
  void SizeClient(int width, int height);

  Frame frame_;
  bool keepPlace_ = false;
  // The controls made from rows, by their identifiers.
  std::map<int, Win32EditBox> textBoxes_;
  std::map<int, Win32CheckBox> checkBoxes_;
  std::map<int, Win32DropDownList> dropDowns_;
  std::map<int, Win32StaticText> messages_;
  std::map<int, ClickEvent> clicks_;
  std::map<int, Callback<void(WORD code)>> commands_;  // by the child's identifier
  std::map<int, Callback<void(const NMHDR& header)>> notifications_;
  std::map<int, Callback<LRESULT(NMHDR& header)>> customDraws_;
  std::map<int, ListEmojiPainter> emojiPainters_;  // by the list's identifier
  Callback<void()> onQueryClose_;
  HWND lastFocus_ = nullptr;
  bool closed_ = false;
};

}  // namespace quillet::platform::win32
