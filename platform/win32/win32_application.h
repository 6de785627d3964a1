#pragma once
// The application over Win32: its title and folder, the screen, and the message loops.
#include <windows.h>

#include <string>
#include <vector>

#include "common/callback.h"
#include "common/language_choice.h"
#include "platform/application.h"

namespace quillet::platform::win32 {

class Win32Application : public IApplication {
 public:
  explicit Win32Application(std::u16string title) : title_(std::move(title)) {}
  std::u16string Title() const override { return title_; }
  void SetTitle(std::u16string_view title) override { title_ = title; }
  std::u16string ProgramFolder() const override;
  void DoEvents() override;
  [[noreturn]] void End() override;
  double TwipsPerPixelX() const override;
  double TwipsPerPixelY() const override;
  double ScreenHeightTwips() const override;
  const Catalog& Words() const override { return *words_; }
  void UseWords(const Catalog& words) override;
  std::vector<std::u16string> DisplayLanguages() const override;

  // The message loop: runs until WM_QUIT and returns its exit code.
  int Run();
  // A nested loop (a modal window, a popup's owner): runs until `done` is true or WM_QUIT
  // arrives (which it posts again for the outer loop).
  void RunUntil(const Callback<bool()>& done);
  // Shows a dialog modally over `owner` (which may be null), centred on the screen unless
  // `centre` is false (a dialog the program placed itself), with the focus in `firstField`, until
  // `done`; the owner is disabled meanwhile.
  void RunModal(HWND dialog, HWND owner, HWND firstField, const Callback<bool()>& done, bool centre = true);
  // Whether the program's texts read right to left (Arabic, Hebrew). With it on, every top-level
  // window made afterwards is mirrored, and its children with it (the system's process default
  // layout): what stands at the left stands at the right, the close box too; text still reads
  // as it should and pictures are drawn as they are. Set it at the start, before any window.
  void UseRightToLeft(bool rightToLeft);
  bool RightToLeft() const;
  // Windows whose keyboard navigation (Tab, Enter, Esc, access keys) the loops handle.
  void AddDialog(HWND dialog) { dialogs_.push_back(dialog); }
  void RemoveDialog(HWND dialog) { std::erase(dialogs_, dialog); }

 private:
  void Dispatch(MSG& message);
  std::u16string title_;
  std::vector<HWND> dialogs_;
  const Catalog* words_ = &English();
};

// The screen's logical dots per inch.
int ScreenDpi();

}  // namespace quillet::platform::win32
