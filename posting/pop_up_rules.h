#pragma once
// When a scheduled pop-up may come: not during a pause, not in the quiet hours, and, if the user
// asked for it, not while the workstation is locked, while the shell reports a presentation or a
// full-screen program, or when nobody has touched the machine for longer than the interval.
// Only the scheduled pop-up is subject to these rules; the user's own requests always pop up.
//
// Settings (values under the program's key, all absent by default):
//   QuietFrom, QuietTo  "HH:MM", 24-hour wall-clock times; the range may cross midnight. Both
//                       must be there and differ, or there are no quiet hours.
//   RespectBusy         "1": skip while locked, presenting, full screen or away.
//   PausedUntil         "YYYY-MM-DD HH:MM", the local time a pause ends (the wall clock decides,
//                       also on the day the clock changes).
//   HoldWhileFullScreen on unless "0": a pop-up that may come waits while a show is on (below).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/catalog.h"
#include "platform/clock.h"
#include "platform/presence.h"
#include "settings/settings_store.h"

namespace quillet {

using platform::LocalTime;

// "7:05" or "07:05" to minutes after midnight; nothing for anything else.
std::optional<int> ParseClockTime(std::u16string_view text);
// Minutes after midnight as "HH:MM".
std::u16string ClockTimeText(int minutesOfDay);

// "YYYY-MM-DD HH:MM" and back; a date that does not exist is refused.
std::optional<LocalTime> ParseLocalTime(std::u16string_view text);
std::u16string LocalMinuteText(const LocalTime& time);
// Wall-clock minutes since 1970-01-01 00:00 (a calendar count: it ignores clock changes).
long long MinuteNumber(const LocalTime& time);
LocalTime AddMinutes(const LocalTime& time, long long minutes);

struct PopUpRules {
  std::optional<int> quietFrom, quietTo;  // minutes after midnight
  bool respectBusy = false;
  std::optional<LocalTime> pausedUntil;
  int intervalMinutes = 40;
};
// The rules as stored; a value that does not parse counts as absent.
PopUpRules ReadPopUpRules(SettingsStore& settings);

struct PresenceSignals {
  bool locked = false;
  platform::NotificationState state = platform::NotificationState::kAcceptsNotifications;
  std::uint64_t idleMs = 0;
};
PresenceSignals ReadPresence(const platform::IPresence& presence);

enum class PopUpDecision { kPopUp, kPaused, kQuietHours, kLocked, kPresenting, kAway };

// Whether a pause that ends at `until` is over at `now`. A pause that would last more than a day
// from now cannot have been set by the menu (the clock was put back, or the value edited): it
// counts as over, so that it cannot silence the program for good.
bool PauseOver(const LocalTime& now, const LocalTime& until);
bool InQuietHours(int minuteOfDay, int from, int to);

// The decision for the scheduled pop-up due at `now`. `signals` are only looked at when the
// rules respect a busy user.
PopUpDecision DecideScheduledPopUp(const LocalTime& now, const PopUpRules& rules, const PresenceSignals& signals);

// Whether a show is on that a pop-up waits for: the window in front fills the pop-up's monitor
// (`window`), or the shell reports a presentation, a full-screen program, a busy user or the
// quiet time after a first sign-in.
bool ShowOn(const platform::IPresence& presence, platform::WindowHandle window);

// The pause the menu offers, and when it ends if chosen at `now`.
enum class PauseLength { kOneHour, kThreeHours, kUntilTomorrow };
LocalTime PauseEnd(const LocalTime& now, PauseLength length);
// How the tray icon's tip tells a pause: "paused until 14:30", the time as the person's settings
// write it (or "paused until tomorrow" for a pause that ends at midnight).
std::u16string PausedUntilText(const Catalog& words, const LocalTime& now, const LocalTime& until,
                               platform::IClock& clock);

// The wall clock's time now, to the minute.
LocalTime LocalNow(platform::IClock& clock);

}  // namespace quillet
