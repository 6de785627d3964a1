#include "dialogs/lines_waiting_window.h"

#include <utility>

#include "common/convert.h"
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
    rows.push_back({record.line, s_.outbox.StateInWords(record), TimeInWords(record.confirmedMs),
                    s_.outbox.AccountInWords(record)});
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

std::u16string LinesWaitingWindow::TimeInWords(std::int64_t wallMs) {
  std::u16string text;
  Step([&] {  // the person's date and time, to the minute
    platform::LocalTime local = s_.clock.Local(wallMs);
    text = s_.clock.DateText(local) + u' ' + s_.clock.TimeOfDayText(local);
  });
  return text;
}

WaitingLineDetails LinesWaitingWindow::DetailsOf(const OutboxRecord& record) {
  const Catalog& words = s_.app.Words();
  WaitingLineDetails details{.line = record.line,
                             .state = s_.outbox.StateInWords(record),
                             .account = s_.outbox.AccountInWords(record),
                             .confirmed = TimeInWords(record.confirmedMs)};
  if (record.lastTriedMs != 0) {
    details.lastTried = TimeInWords(record.lastTriedMs);
  } else if (record.firstSentMs != 0) {  // tried before Quillet was started again
    details.lastTried = FillIn(words.Tr(u"Before Quillet was started again (first on %1)"),
                               {TimeInWords(record.firstSentMs)});
  } else {
    details.lastTried = words.Tr(u"Not yet");
  }
  std::optional<std::int64_t> next = s_.outbox.NextTryMs(record);
  if (next) {
    details.nextTry = *next <= s_.clock.NowMs() + 1000 ? words.Tr(u"Now") : TimeInWords(*next);
  } else if (record.held) {
    details.nextTry = words.Tr(u"When you send it from the update window");
  } else if (record.state == OutboxState::kRefused || record.state == OutboxState::kUncertain) {
    details.nextTry = words.Tr(u"When you send it again");
  } else {
    details.nextTry = words.Tr(u"Now");  // under way
  }
  return details;
}

void LinesWaitingWindow::OnSelectionChanged() {
  const OutboxRecord* line = SelectedLine();
  view_.EnableLineActions(line != nullptr);
  std::optional<WaitingLineDetails> details;
  if (line) details = DetailsOf(*line);
  Step([&] { view_.ShowDetails(details); });
}

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
