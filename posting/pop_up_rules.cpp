#include "posting/pop_up_rules.h"

#include "common/civil_date.h"
#include "common/convert.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

constexpr int kMinutesPerDay = 24 * 60;

bool Digit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }

// The number in text[first, first + count), all digits; -1 otherwise.
int Digits(std::u16string_view text, std::size_t first, std::size_t count) {
  if (first + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = first; i < first + count; ++i) {
    if (!Digit(text[i])) return -1;
    value = value * 10 + (text[i] - u'0');
  }
  return value;
}

std::u16string TwoDigits(int value) { return std::u16string{char16_t(u'0' + value / 10), char16_t(u'0' + value % 10)}; }

int MinuteOfDay(const LocalTime& time) { return time.hour * 60 + time.minute; }

}  // namespace

std::optional<int> ParseClockTime(std::u16string_view text) {
  std::size_t colon = text.find(u':');
  if (colon != 1 && colon != 2) return std::nullopt;
  if (text.size() != colon + 3) return std::nullopt;
  int hour = Digits(text, 0, colon);
  int minute = Digits(text, colon + 1, 2);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
  return hour * 60 + minute;
}

std::u16string ClockTimeText(int minutesOfDay) {
  return TwoDigits(minutesOfDay / 60) + u":" + TwoDigits(minutesOfDay % 60);
}

std::optional<LocalTime> ParseLocalTime(std::u16string_view text) {
  if (text.size() != 16 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ') return std::nullopt;
  int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  std::optional<int> clock = ParseClockTime(text.substr(11));
  if (year < 1 || month < 1 || month > 12 || day < 1 || !clock) return std::nullopt;
  LocalTime time{year, month, day, *clock / 60, *clock % 60, 0};
  CivilDate date = CivilFromDays(DaysFromCivil(year, month, day));
  if (date.year != year || date.month != month || date.day != day) return std::nullopt;
  return time;
}

std::u16string LocalMinuteText(const LocalTime& time) {
  return DecimalText(time.year) + u"-" + TwoDigits(time.month) + u"-" + TwoDigits(time.day) + u" " +
         ClockTimeText(MinuteOfDay(time));
}

long long MinuteNumber(const LocalTime& time) {
  return DaysFromCivil(time.year, time.month, time.day) * kMinutesPerDay + MinuteOfDay(time);
}

LocalTime AddMinutes(const LocalTime& time, long long minutes) {
  long long number = MinuteNumber(time) + minutes;
  long long days = number >= 0 ? number / kMinutesPerDay : (number - kMinutesPerDay + 1) / kMinutesPerDay;
  CivilDate date = CivilFromDays(days);
  LocalTime result{date.year, date.month, date.day, 0, 0, 0};
  int minuteOfDay = static_cast<int>(number - days * kMinutesPerDay);
  result.hour = minuteOfDay / 60;
  result.minute = minuteOfDay % 60;
  return result;
}

PopUpRules ReadPopUpRules(SettingsStore& settings) {
  PopUpRules rules;
  rules.quietFrom = ParseClockTime(settings.Get(kQuietFrom));
  rules.quietTo = ParseClockTime(settings.Get(kQuietTo));
  rules.respectBusy = settings.Flag(kRespectBusy);
  rules.pausedUntil = ParseLocalTime(settings.Get(kPausedUntil));
  return rules;
}

PresenceSignals ReadPresence(const platform::IPresence& presence) {
  return {
      .locked = presence.WorkstationLocked(), .state = presence.UserNotificationState(), .idleMs = presence.IdleMs()};
}

bool PauseOver(const LocalTime& now, const LocalTime& until) {
  long long left = MinuteNumber(until) - MinuteNumber(now);
  return left <= 0 || left > kMinutesPerDay;
}

bool InQuietHours(int minuteOfDay, int from, int to) {
  if (from == to) return false;
  if (from < to) return minuteOfDay >= from && minuteOfDay < to;
  return minuteOfDay >= from || minuteOfDay < to;  // across midnight
}

PopUpDecision DecideScheduledPopUp(const LocalTime& now, const PopUpRules& rules, const PresenceSignals& signals) {
  using platform::NotificationState;
  if (rules.pausedUntil && !PauseOver(now, *rules.pausedUntil)) return PopUpDecision::kPaused;
  if (rules.quietFrom && rules.quietTo && InQuietHours(MinuteOfDay(now), *rules.quietFrom, *rules.quietTo))
    return PopUpDecision::kQuietHours;
  if (!rules.respectBusy) return PopUpDecision::kPopUp;
  if (signals.locked || signals.state == NotificationState::kNotPresent) return PopUpDecision::kLocked;
  if (signals.state == NotificationState::kFullScreen || signals.state == NotificationState::kPresentation)
    return PopUpDecision::kPresenting;
  if (rules.intervalMinutes > 0 && signals.idleMs > static_cast<std::uint64_t>(rules.intervalMinutes) * 60'000)
    return PopUpDecision::kAway;
  return PopUpDecision::kPopUp;
}

bool ShowOn(const platform::IPresence& presence, platform::WindowHandle window) {
  using platform::NotificationState;
  switch (presence.UserNotificationState()) {
    case NotificationState::kFullScreen:
    case NotificationState::kPresentation:
    case NotificationState::kQuietTime:
      return true;
    case NotificationState::kAcceptsNotifications:
    case NotificationState::kNotPresent:
      break;
  }
  return presence.ShowInFront(window);
}

LocalTime PauseEnd(const LocalTime& now, PauseLength length) {
  switch (length) {
    case PauseLength::kOneHour:
      return AddMinutes(now, 60);
    case PauseLength::kThreeHours:
      return AddMinutes(now, 180);
    case PauseLength::kUntilTomorrow:
      break;
  }
  LocalTime tomorrow = AddMinutes(now, kMinutesPerDay);
  tomorrow.hour = 0;
  tomorrow.minute = 0;
  return tomorrow;
}

std::u16string PausedUntilText(const Catalog& words, const LocalTime& now, const LocalTime& until,
                               platform::IClock& clock) {
  LocalTime tomorrow = PauseEnd(now, PauseLength::kUntilTomorrow);
  bool midnight = MinuteNumber(until) == MinuteNumber(tomorrow);
  if (midnight) return words.Tr(u"paused until tomorrow");
  return FillIn(words.Tr(u"paused until %1"), {clock.TimeOfDayText(until)});
}

LocalTime LocalNow(platform::IClock& clock) {
  LocalTime now = clock.Local(clock.NowMs());
  now.second = 0;
  return now;
}

}  // namespace quillet
