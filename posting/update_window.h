#pragma once
// The update window: the program's start-up window, its minute schedule, the 15-second
// countdown, and the status line, handed over for delivery when it is confirmed. It also shows a
// line that delivery keeps for the person (a recalled line, named by its id), for them to fix and
// send again or to put away.
#include <cstdint>
#include <string>

#include <optional>
#include <vector>

#include "common/callback.h"
#include "delivery/line_limit.h"
#include "delivery/outbox_file.h"
#include "networks/service_api.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/presence.h"
#include "platform/ui.h"
#include "platform/windowing.h"
#include "posting/tag_completion.h"
#include "settings/settings_store.h"

namespace quillet {

// What the tray window uses of the update window.
class IUpdateWindow {
 public:
  virtual ~IUpdateWindow() = default;
  // Pops the window up with an empty box and a fresh countdown.
  virtual void PopUp() = 0;
  virtual platform::WindowHandle Handle() const = 0;
};

// The windows that start-up brings in after the update window: the settings dialog on first
// run, and the tray window. Provided by the composition root.
// The window and its controls, created by the platform (listed in stacking order, top first).
struct UpdateWindowControls {
  platform::IWindow& window;
  platform::ITimer& countdownTimer;  // 1000 ms, disabled at creation
  platform::ITimer& minuteTimer;     // 1000 ms, enabled at creation
  platform::ITextBox& statusBox;
  platform::ILabel& credit;
  platform::ILabel& charsLeft;
  platform::ILabel& sendButton;
  platform::IClickable& closeMark;
  platform::IShape& frame;
  platform::ILabel& countdownCaption;
  platform::ISuggestionList& tagList;  // the #tags offered under the box
};

// How the person is done with a recalled line.
enum class RecallEnd {
  kSent,     // sent again, as it was or edited
  kPutAway,  // Esc or the close mark: it is not to be sent
  kLeft,     // another pop-up took the window: the line stays where it was, for later
};

struct UpdateWindowServices {
  platform::IApplication& app;
  SettingsStore& settings;
  platform::IWindowing& windowing;
  platform::IClock& clock;
  platform::IPresence& presence;
  // Runs at every minute boundary of the schedule, before the pop-up that may be due.
  Callback<void()> minutePassed;
  // A confirmed line, handed over for delivery with the moment its pop-up came up (on the wall
  // clock; 0: not known).
  Callback<void(std::u16string line, std::int64_t askedMs)> post;
  // A line kept for the person, taken into the window (held back from delivery meanwhile): its
  // text, or nothing when it is no longer kept.
  Callback<std::optional<std::u16string>(LineId)> hold;
  // The person is done with the recalled line; `edited` is its new text when they changed it.
  Callback<void(LineId, RecallEnd, std::optional<std::u16string> edited)> settle;
  // A pop-up that came up at `askedMs` went away at `goneMs` (both on the wall clock) without a
  // line: the countdown ran out, or the person closed it.
  Callback<void(std::int64_t askedMs, std::int64_t goneMs)> unanswered;
  // The longest line the chosen service takes.
  Callback<LineLimit()> lineLimit;
  // The lines sent last, oldest first, for Up in an empty box to bring back.
  Callback<std::vector<std::u16string>()> previousLines;
  // Whether the journal is kept, and its #tags in the order they are offered (read when asked).
  Callback<bool()> journalKept;
  Callback<std::vector<std::u16string>()> journalTags;
};

class UpdateWindow : public IUpdateWindow {
 public:
  UpdateWindow(UpdateWindowControls controls, UpdateWindowServices services);
  UpdateWindow(const UpdateWindow&) = delete;
  UpdateWindow& operator=(const UpdateWindow&) = delete;

  // The settings are the program's under its title (the application's, kept by the settings).
  void TakeTitle();
  // The window as it is between pop-ups: hidden, its frame lined up with its edges, no title.
  void Settle();
  // Pops the window up with an empty box; a recalled line in it is left for later. A pop-up still
  // on screen and unanswered goes on: it keeps the moment it came up.
  void PopUp() override;
  // Hands the status line over for delivery; returns at once.
  void Post();
  // Brings the window up with this kept line, the countdown stopped, for the person to fix and
  // send again (or put away with Esc); a plain pop-up when the line is no longer kept.
  void Recall(LineId line);
  // The recalled line in the box, if there is one.
  std::optional<LineId> RecalledLine() const { return recalled_; }

  platform::WindowHandle Handle() const override { return c_.window.Handle(); }

 private:
  void OnMinuteTick();
  // One second of the schedule: a minute boundary, and the pop-up that may be due there.
  void CountTick();
  // Whether a show is on that a scheduled pop-up waits for (and the person wants it to).
  bool ShowIsOn();
  // A pop-up that waits for a show comes up once the show has ended.
  void LookAtHeldPopUp();
  void OnCountdownTick();
  void OnStatusChanged();
  void OnStatusKey(std::int16_t& charCode);
  // Up in an empty box brings back the line sent last, and again the ones before; Down goes
  // forward again, past the newest to an empty box. Typing ends the walk.
  void OnStatusKeyDown(std::int16_t& keyCode);
  void ShowPrevious(std::size_t index);
  void OnSendClicked();
  void OnCloseClicked();
  // Esc or the close mark over a recalled line: the person puts it away.
  void PutAwayRecalled();
  // The window comes up with an empty box and a fresh countdown.
  void ShowEmpty();
  // The window goes away; a pop-up that no line answered is told as unanswered.
  void GoAway();
  void TellUnanswered();

  // Whether the pop-up that the schedule has due may come (pause, quiet hours, a busy user).
  bool ScheduledPopUpAllowed(int intervalMinutes);
  // An Enter or a click this soon after the window came up was meant for another window.
  bool TooSoonAfterPopUp() const;
  void StopCountdown();

  std::u16string CountdownText() const;
  // The box takes as many characters as the chosen service does.
  void ApplyTextLimit();
  // Characters (or graphemes) left before the limit; negative when the line is too long.
  long long CharactersLeft(const std::u16string& text) const;
  // Whether the line passes the service's limit (graphemes or UTF-8 bytes): it is not sent.
  bool TooLong(const std::u16string& text) const;

  UpdateWindowControls c_;
  UpdateWindowServices s_;
  std::optional<LineId> recalled_;  // the kept line the box holds
  std::u16string recalledText_;     // as it was taken in
  // While the person walks back through the lines sent last: those lines, and the one shown.
  std::vector<std::u16string> previous_;
  std::optional<std::size_t> previousShown_;

  std::int16_t secondsLeft_ = 0;              // seconds left in the countdown
  std::int16_t ticksThisMinute_ = 0;          // ticks of the minute timer since the last minute boundary
  std::int16_t minutesSincePopUp_ = 0;        // minutes since the last automatic pop-up
  bool held_ = false;                         // a scheduled pop-up waits for a show to end
  LineLimit lineLimit_;                       // what the box and the count of characters left use
  std::optional<std::int64_t> poppedUpAtMs_;  // on the clock
  // On the wall clock, when the pop-up on screen came up; nothing once a line answered it or it
  // went away, and while the box holds a recalled line (which keeps its own).
  std::optional<std::int64_t> askedMs_;
  TagCompletion tags_;
  bool typedKey_ = false;  // the box's next change comes from a character the person typed
};

}  // namespace quillet
