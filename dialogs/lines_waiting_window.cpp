#include "dialogs/lines_waiting_window.h"

#include <utility>

#include "common/steps.h"

namespace quillet {

LinesWaitingWindow::LinesWaitingWindow(ILinesWaitingView& view, LinesWaitingServices services)
    : view_(view), s_(std::move(services)) {
  view_.OnSelectionChanged([this] { OnSelectionChanged(); });
  view_.SendAgain().OnClick([this] { OnSendAgain(); });
  view_.Edit().OnClick([this] { OnEdit(); });
  view_.Remove().OnClick([this] { OnRemove(); });
  view_.Copy().OnClick([this] { OnCopy(); });
  view_.Close().OnClick([this] { view_.Window().Unload(); });
}

void LinesWaitingWindow::Refresh() {
  std::optional<LineId> selected;
  if (const OutboxRecord* line = SelectedLine()) selected = line->id;
  std::vector<WaitingLineRow> rows;
  shownLines_.clear();
  for (const OutboxRecord& record : s_.outbox.Records()) {
    std::u16string confirmed;
    Step([&] {  // the person's date and time, to the minute
      platform::LocalTime local = s_.clock.Local(record.confirmedMs);
      confirmed = s_.clock.DateText(local) + u' ' + s_.clock.TimeOfDayText(local);
    });
    rows.push_back({record.line, s_.outbox.StateInWords(record), confirmed, s_.outbox.AccountInWords(record)});
    shownLines_.push_back(record.id);
  }
  view_.ShowRows(rows);
  // The selection follows its line when the rows move, and goes with it.
  std::int32_t row = -1;
  for (std::size_t at = 0; selected && at < shownLines_.size(); ++at)
    if (shownLines_[at] == *selected) row = static_cast<std::int32_t>(at);
  if (view_.SelectedRow() != row) view_.SelectRow(row);
  OnSelectionChanged();
}

const OutboxRecord* LinesWaitingWindow::SelectedLine() const {
  std::int32_t row = view_.SelectedRow();
  if (row < 0 || static_cast<std::size_t>(row) >= shownLines_.size()) return nullptr;
  return s_.outbox.Find(shownLines_[static_cast<std::size_t>(row)]);
}

void LinesWaitingWindow::OnSelectionChanged() { view_.EnableLineActions(SelectedLine() != nullptr); }

void LinesWaitingWindow::OnSendAgain() {
  if (const OutboxRecord* line = SelectedLine()) s_.outbox.SendAgain(line->id);
}

void LinesWaitingWindow::OnEdit() {
  const OutboxRecord* line = SelectedLine();
  if (!line) return;
  lineToEdit_ = line->id;
  view_.Window().Unload();
}

void LinesWaitingWindow::OnRemove() {
  const OutboxRecord* line = SelectedLine();
  if (!line) return;
  LineId id = line->id;
  if (!view_.AskYesNo(s_.app.Words().Tr(u"Remove this line from the outbox? It will not be sent."))) return;
  s_.outbox.Remove(id);
}

void LinesWaitingWindow::OnCopy() {
  if (const OutboxRecord* line = SelectedLine()) view_.CopyToClipboard(line->line);
}

void ShowLinesWaitingModal(const LinesWaitingViewFactory& makeView, LinesWaitingServices services,
                           platform::IWindow& owner, LinesWaitingWindow*& open) {
  std::unique_ptr<ILinesWaitingView> view = makeView();
  auto edit = services.edit;
  LinesWaitingWindow window(*view, std::move(services));
  window.Refresh();
  open = &window;
  try {
    view->Window().ShowModal(owner);
  } catch (...) {
    open = nullptr;
    throw;
  }
  open = nullptr;
  if (auto line = window.LineToEdit(); line && edit) edit(*line);
}

}  // namespace quillet
