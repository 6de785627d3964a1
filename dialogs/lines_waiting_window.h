#pragma once
// The "Quillet: lines waiting" window, opened from the tray menu's "Lines waiting..." while any
// line waits in the outbox or needs the person: each line with its state and reason in words and
// when it was confirmed, and what the person can do with the one selected:
//   Send again   it goes at once (a line refused or that may have arrived, too: the person chose)
//   Edit         the update window comes up with it, to fix it and send it, or put it away
//   Remove       after asking: it leaves the outbox and is never sent
//   Copy         its text goes to the clipboard
// Under the list the selected line is shown whole: its text, its state with the whole reason, its
// account, when it was confirmed, last tried and will be tried next.
// The list follows the outbox while the window is open.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "delivery/outbox.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace quillet {

// One row of the list.
struct WaitingLineRow {
  std::u16string line;       // as typed (line breaks and all; the view shows them as it can)
  std::u16string state;      // e.g. "Not posted: the server refused the password (401)"
  std::u16string confirmed;  // local time, "2026-12-08 14:30"
  std::u16string account;    // the account it waits for: "social.example (alice)", "Journal only"
};

// The selected line, whole, as the pane under the list shows it.
struct WaitingLineDetails {
  std::u16string line;       // as typed, line breaks and all
  std::u16string state;      // the state with the whole reason, as the State column has it
  std::u16string account;
  std::u16string confirmed;  // local time, "2026-12-08 14:30"
  std::u16string lastTried;  // "2026-12-08 14:31", or words: "Not yet"
  std::u16string nextTry;    // "2026-12-08 14:35", or words: "When you send it again"

  friend bool operator==(const WaitingLineDetails&, const WaitingLineDetails&) = default;
};

// The window and its controls, made anew by the platform at every opening.
class ILinesWaitingView {
 public:
  virtual ~ILinesWaitingView() = default;
  virtual platform::IDialog& Window() = 0;
  // Shows these rows in place of the ones shown; the row selected stays selected when it is still
  // there (by index), otherwise none is.
  virtual void ShowRows(const std::vector<WaitingLineRow>& rows) = 0;
  virtual std::int32_t SelectedRow() const = 0;  // -1: none
  virtual void SelectRow(std::int32_t row) = 0;
  virtual void OnSelectionChanged(Callback<void()> handler) = 0;
  virtual platform::IClickable& SendAgain() = 0;
  virtual platform::IClickable& Edit() = 0;
  virtual platform::IClickable& Remove() = 0;
  virtual platform::IClickable& Copy() = 0;
  virtual platform::IClickable& Close() = 0;
  // Send again, Edit, Remove and Copy can be used only while a row is selected.
  virtual void EnableLineActions(bool enabled) = 0;
  // The selected line in the pane under the list; nothing: no line is selected.
  virtual void ShowDetails(const std::optional<WaitingLineDetails>& details) = 0;
  // A question with Yes and No, over the window; true for Yes.
  virtual bool AskYesNo(std::u16string_view question) = 0;
  virtual void CopyToClipboard(std::u16string_view text) = 0;
};

using LinesWaitingViewFactory = Callback<std::unique_ptr<ILinesWaitingView>()>;

struct LinesWaitingServices {
  const platform::IApplication& app;
  Outbox& outbox;
  platform::IClock& clock;
  // Brings the update window up with the line, for the person to fix and send it (after the
  // window has closed).
  Callback<void(LineId)> edit;
};

class LinesWaitingWindow {
 public:
  LinesWaitingWindow(ILinesWaitingView& view, LinesWaitingServices services);
  LinesWaitingWindow(const LinesWaitingWindow&) = delete;
  LinesWaitingWindow& operator=(const LinesWaitingWindow&) = delete;

  // Shows the outbox's lines as they are now; called again whenever they change.
  void Refresh();
  // The line chosen for editing, once the window has closed.
  std::optional<LineId> LineToEdit() const { return lineToEdit_; }

 private:
  void OnSelectionChanged();
  void OnSendAgain();
  void OnEdit();
  void OnRemove();
  void OnCopy();
  std::u16string TimeInWords(std::int64_t wallMs);
  WaitingLineDetails DetailsOf(const OutboxRecord& record);
  // The line of the selected row, while it is still in the outbox.
  const OutboxRecord* SelectedLine() const;

  ILinesWaitingView& view_;
  LinesWaitingServices s_;
  std::vector<LineId> shownLines_;  // the line of each row, in order
  std::optional<LineId> lineToEdit_;
};

// Makes a fresh window, shows it modally over `owner` and returns when it has been closed;
// `open` points to it meanwhile, so that changes of the outbox reach it.
void ShowLinesWaitingModal(const LinesWaitingViewFactory& makeView, LinesWaitingServices services,
                           platform::IWindow& owner, LinesWaitingWindow*& open);

}  // namespace quillet
