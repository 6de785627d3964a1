#include "posting/update_window.h"

#include <optional>
#include <utility>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/grapheme.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "posting/pop_up_rules.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace quillet {
namespace {

constexpr std::int16_t kEscapeKey = 27;
constexpr std::int16_t kEnterKey = 13;
constexpr std::int16_t kCountdownSeconds = 15;
constexpr std::int16_t kTicksPerMinute = 60;
// How long after the window came up an Enter or a click on the send button does not post.
constexpr std::int64_t kTypingGuardMs = 1000;

}  // namespace

UpdateWindow::UpdateWindow(UpdateWindowControls controls, UpdateWindowServices services)
    : c_(controls),
      s_(std::move(services)),
      tags_(c_.statusBox, c_.tagList,
            {.journalKept = s_.journalKept,
             .readTags = s_.journalTags,
             .fits = [this](const std::u16string& text) { return CharactersLeft(text) >= 0 && !TooLong(text); }}) {
  c_.minuteTimer.OnTimer([this] { OnMinuteTick(); });
  c_.countdownTimer.OnTimer([this] { OnCountdownTick(); });
  c_.statusBox.OnChange([this] { OnStatusChanged(); });
  c_.statusBox.OnKeyPress([this](std::int16_t& charCode) { OnStatusKey(charCode); });
  c_.statusBox.OnKeyDown([this](std::int16_t& keyCode) { OnStatusKeyDown(keyCode); });
  c_.sendButton.OnClick([this] { OnSendClicked(); });
  c_.closeMark.OnClick([this] { OnCloseClicked(); });
}

void UpdateWindow::TakeTitle() {
  Step([&] { s_.settings.SetAppTitle(s_.app.Title()); });
}

void UpdateWindow::Settle() {
  Step([&] { c_.frame.SetTop(0); });
  Step([&] { s_.app.SetTitle(u""); });
  Step([&] { c_.window.Hide(); });
}

void UpdateWindow::OnMinuteTick() {
  bool held = held_;
  CountTick();
  if (held) LookAtHeldPopUp();  // every second: it comes up within one of the show's end
}

void UpdateWindow::CountTick() {
  ++ticksThisMinute_;
  if (ticksThisMinute_ < kTicksPerMinute) return;
  ticksThisMinute_ = 0;
  ++minutesSincePopUp_;
  if (s_.minutePassed) Step([&] { s_.minutePassed(); });
  // The interval is read afresh at every minute boundary. One that does not convert counts as
  // reached, like one of 0 or less.
  int interval = 1;
  if (Guard([&] {
        interval = s_.settings.Number(kInterval);
        return minutesSincePopUp_ >= interval;
      })) {
    minutesSincePopUp_ = 0;  // a skipped pop-up counts as done: the schedule goes on unchanged
    // One that falls due while another waits for a show to end is the same one.
    if (!held_ && ScheduledPopUpAllowed(interval)) {
      if (ShowIsOn()) {
        held_ = true;
      } else {
        PopUp();
      }
    }
  }
}

bool UpdateWindow::ShowIsOn() {
  bool on = false;  // a setting or a signal that cannot be read holds nothing back
  Step([&] { on = s_.settings.Flag(kHoldWhileFullScreen) && ShowOn(s_.presence, Handle()); });
  return on;
}

void UpdateWindow::LookAtHeldPopUp() {
  if (!held_ || ShowIsOn()) return;
  held_ = false;
  // The schedule goes on from now, as after a skipped one.
  ticksThisMinute_ = 0;
  minutesSincePopUp_ = 0;
  int interval = 1;
  Step([&] { interval = s_.settings.Number(kInterval); });
  if (ScheduledPopUpAllowed(interval)) PopUp();  // a pause or quiet hours begun meanwhile still count
}

bool UpdateWindow::ScheduledPopUpAllowed(int intervalMinutes) {
  // The schedule never takes the window from a line the person is fixing.
  if (recalled_ && Guard([&] { return c_.window.Visible(); })) return false;
  bool allowed = true;  // rules or signals that cannot be read do not hold the pop-up back
  Step([&] {
    PopUpRules rules = ReadPopUpRules(s_.settings);
    rules.intervalMinutes = intervalMinutes > 1 ? intervalMinutes : 1;
    PresenceSignals signals = rules.respectBusy ? ReadPresence(s_.presence) : PresenceSignals{};
    allowed = DecideScheduledPopUp(LocalNow(s_.clock), rules, signals) == PopUpDecision::kPopUp;
  });
  return allowed;
}

void UpdateWindow::PopUp() {
  held_ = false;  // a pop-up waiting for a show to end comes now, as this one
  if (recalled_) {  // left for later: it stays kept, and the lines-waiting window lists it
    LineId line = *std::exchange(recalled_, std::nullopt);
    if (s_.settle) Step([&] { s_.settle(line, RecallEnd::kLeft, std::nullopt); });
  }
  // A pop-up closed behind the window's back (Alt+F4) is known to be gone only now.
  if (askedMs_ && !Guard([&] { return c_.window.Visible(); })) TellUnanswered();
  if (!askedMs_) Step([&] { askedMs_ = s_.clock.NowMs(); });
  ShowEmpty();
}

void UpdateWindow::ShowEmpty() {
  previousShown_.reset();
  tags_.Reset();
  ApplyTextLimit();
  Step([&] { c_.statusBox.SetText(u""); });
  secondsLeft_ = kCountdownSeconds;
  Step([&] { c_.countdownCaption.SetCaption(CountdownText()); });
  Step([&] { c_.countdownTimer.SetEnabled(true); });
  Step([&] { poppedUpAtMs_ = s_.clock.MonotonicMs(); });
  Step([&] { c_.window.Show(); });
  Step([&] { s_.app.DoEvents(); });  // queued ticks and events may run here
  Step([&] { s_.windowing.SetForegroundWindow(Handle()); });
  Step([&] { s_.windowing.SetActiveWindow(Handle()); });
  Step([&] { s_.windowing.SetForegroundWindow(Handle()); });
  Step([&] { s_.windowing.SetActiveWindow(Handle()); });
}

void UpdateWindow::OnCountdownTick() {
  if (Guard([&] { return c_.window.Visible(); })) {
    --secondsLeft_;
    if (secondsLeft_ == 0) {
      Step([&] { c_.window.Hide(); });
      tags_.Reset();
      if (askedMs_) TellUnanswered();
    }
    Step([&] { c_.countdownCaption.SetCaption(CountdownText()); });
  } else {
    Step([&] { c_.countdownTimer.SetEnabled(false); });
    secondsLeft_ = kCountdownSeconds;
    if (askedMs_) TellUnanswered();  // closed behind the window's back while counting
  }
}

void UpdateWindow::OnStatusChanged() {
  Step([&] { c_.charsLeft.SetCaption(DecimalText(CharactersLeft(c_.statusBox.Text()))); });
  StopCountdown();  // typing stops the countdown until the next PopUp
  tags_.TextChanged(std::exchange(typedKey_, false));
}

void UpdateWindow::StopCountdown() {
  Step([&] { c_.countdownTimer.SetEnabled(false); });
  secondsLeft_ = kCountdownSeconds;
  Step([&] { c_.countdownCaption.SetCaption(s_.app.Words().Tr(u"Update")); });
}

bool UpdateWindow::TooSoonAfterPopUp() const {
  return Guard([&] {
    if (!poppedUpAtMs_) return false;
    std::int64_t since = s_.clock.MonotonicMs() - *poppedUpAtMs_;
    return since >= 0 && since < kTypingGuardMs;
  });
}

void UpdateWindow::OnStatusKeyDown(std::int16_t& keyCode) {
  typedKey_ = false;
  if (tags_.KeyDown(keyCode)) {  // the tags' list, while it is open, takes its keys first
    keyCode = 0;
    return;
  }
  if (keyCode != platform::kKeyUp && keyCode != platform::kKeyDown) return;
  if (!previousShown_) {
    // Only Up in an empty box starts the walk; elsewhere the keys move the caret as ever.
    if (keyCode != platform::kKeyUp || recalled_ || !Guard([&] { return c_.statusBox.Text().empty(); })) return;
    previous_.clear();
    if (s_.previousLines) Step([&] { previous_ = s_.previousLines(); });
    keyCode = 0;
    if (!previous_.empty()) ShowPrevious(previous_.size() - 1);
    return;
  }
  bool up = keyCode == platform::kKeyUp;
  keyCode = 0;
  std::size_t shown = *previousShown_;
  if (up) {
    if (shown > 0) ShowPrevious(shown - 1);
  } else if (shown + 1 < previous_.size()) {
    ShowPrevious(shown + 1);
  } else {  // past the newest: the box is empty again
    previousShown_.reset();
    Step([&] { c_.statusBox.SetText(u""); });
  }
}

void UpdateWindow::ShowPrevious(std::size_t index) {
  const std::u16string& line = previous_[index];
  Step([&] { c_.statusBox.SetText(line); });  // the change stops the countdown, as typing does
  Step([&] { c_.statusBox.SetSelection(static_cast<std::int32_t>(line.size()), 0); });
  previousShown_ = index;
}

void UpdateWindow::OnStatusKey(std::int16_t& charCode) {
  previousShown_.reset();  // typing ends the walk: the line shown is the person's to change
  if (tags_.KeyPress(charCode)) {  // Enter puts the chosen tag in, Esc closes the list
    charCode = 0;
    return;
  }
  typedKey_ = charCode < 0 || charCode >= 32 || charCode == 8;  // a character, or one erased
  switch (charCode) {
    case kEscapeKey:
      charCode = 0;
      PutAwayRecalled();
      GoAway();
      break;
    case kEnterKey:
      charCode = 0;
      if (TooSoonAfterPopUp() || Guard([&] { return TooLong(c_.statusBox.Text()); })) {
        StopCountdown();  // the line stays in the box, waiting for a deliberate Enter or a shorter line
        break;
      }
      Post();
      GoAway();
      break;
    default:
      break;
  }
}

void UpdateWindow::OnSendClicked() {
  if (TooSoonAfterPopUp() || Guard([&] { return TooLong(c_.statusBox.Text()); })) {
    StopCountdown();
    return;
  }
  Post();
  GoAway();
}

void UpdateWindow::OnCloseClicked() {
  PutAwayRecalled();
  GoAway();
}

void UpdateWindow::GoAway() {
  c_.window.Hide();
  tags_.Reset();
  if (askedMs_) TellUnanswered();
}

void UpdateWindow::TellUnanswered() {
  std::int64_t asked = *std::exchange(askedMs_, std::nullopt);
  if (s_.unanswered) Step([&] { s_.unanswered(asked, s_.clock.NowMs()); });
}

void UpdateWindow::PutAwayRecalled() {
  if (!recalled_) return;
  LineId line = *std::exchange(recalled_, std::nullopt);
  if (s_.settle) Step([&] { s_.settle(line, RecallEnd::kPutAway, std::nullopt); });
}

void UpdateWindow::Recall(LineId line) {
  bool asking = askedMs_ && Guard([&] { return c_.window.Visible(); });  // a pop-up on screen, unanswered
  PopUp();  // a line recalled before is left for later
  std::optional<std::u16string> text;
  if (s_.hold) Step([&] { text = s_.hold(line); });
  if (!text) return;  // a plain pop-up
  // The recalled line keeps the moment it was asked for; a pop-up it takes the place of went
  // unanswered.
  if (asking) {
    TellUnanswered();
  } else {
    askedMs_.reset();
  }
  recalled_ = line;
  recalledText_ = *text;
  Step([&] { c_.statusBox.SetText(*text); });  // the change stops the countdown
  Step([&] { c_.statusBox.SetSelection(static_cast<std::int32_t>(text->size()), 0); });
}

void UpdateWindow::Post() {
  std::u16string status;
  if (Guard([&] {
        status = c_.statusBox.Text();
        return status.empty();
      }))
    return;
  if (recalled_) {  // sent again in place of the kept line, by its id
    LineId line = *std::exchange(recalled_, std::nullopt);
    std::optional<std::u16string> edited;
    if (status != recalledText_) edited = std::move(status);
    if (s_.settle) Step([&] { s_.settle(line, RecallEnd::kSent, std::move(edited)); });
    return;
  }
  std::int64_t asked = std::exchange(askedMs_, std::nullopt).value_or(0);
  if (s_.post) Step([&] { s_.post(std::move(status), asked); });
}

void UpdateWindow::ApplyTextLimit() {
  LineLimit limit = lineLimit_;
  if (s_.lineLimit) Step([&] { limit = s_.lineLimit(); });
  if (limit == lineLimit_) return;
  Step([&] {
    // The box counts UTF-16 units: for a count of graphemes it stops only where the bytes would
    // (every unit is at least one byte); the count shown and Enter hold the graphemes.
    c_.statusBox.SetMaxLength(limit.countsGraphemes && limit.utf8Bytes > 0 ? limit.utf8Bytes : limit.count);
    lineLimit_ = limit;
  });
}

long long UpdateWindow::CharactersLeft(const std::u16string& text) const {
  long long used = lineLimit_.countsGraphemes ? grapheme::Count(text) : static_cast<long long>(text.size());
  return lineLimit_.count - used;
}

bool UpdateWindow::TooLong(const std::u16string& text) const {
  if (!lineLimit_.countsGraphemes && lineLimit_.utf8Bytes == 0) return false;  // the box holds it to the limit
  if (CharactersLeft(text) < 0) return true;
  return lineLimit_.utf8Bytes > 0 && utf8::FromUtf16(text).size() > static_cast<std::size_t>(lineLimit_.utf8Bytes);
}

std::u16string UpdateWindow::CountdownText() const {
  return FillIn(s_.app.Words().Tr(u"Update (%1)"), {DecimalText(secondsLeft_)});
}

}  // namespace quillet
