#pragma once
// The journal: with "Journal" = "1", or with "Api" = "journal" (post nowhere), every confirmed
// line is added with its local time and outcome to journal.csv in the program's folder: UTF-8
// with a byte-order mark, RFC 4180 (fields with a comma, a quote or a line break quoted, quotes
// doubled, records ending in CR LF), so that a spreadsheet opens it with every character intact.
// A pop-up that went unanswered has a row too. The columns are described in journal_reader.h; a
// file begun before the Asked and Accounts columns existed keeps its header, and its new rows have
// all five fields.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/callback.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "settings/settings_store.h"

namespace quillet {

inline constexpr std::string_view kJournalFile = "journal.csv";

// One field, quoted when it must be. A field that begins with =, +, -, @, a tab or a CR (which a
// spreadsheet would read as a formula) is quoted with a single quote before its text, so that it
// shows as text; a reader of the file strips that one quote before those characters.
std::string CsvField(std::string_view utf8);
// "2026-12-08 14:30:05"
std::u16string LocalTimeText(const platform::LocalTime& time);

class Journal {
 public:
  // `journalOnly`: whether an account's values make it keep its lines in the journal alone (the
  // networks know; nothing: none does).
  Journal(platform::IFiles& files, platform::IClock& clock, SettingsStore& settings,
          Callback<bool(SettingsStore&)> journalOnly = nullptr)
      : files_(files), clock_(clock), settings_(settings), journalOnly_(std::move(journalOnly)) {}

  // Whether lines are to be kept, as the settings say now: the setting, or a first account that
  // keeps its lines there alone.
  bool Enabled();
  // Adds a line confirmed at `confirmedMs` and what became of it (for `account`, in words; empty:
  // the only account), asked for by a pop-up at `askedMs` (0: not known); a new file starts with
  // its byte-order mark and the column names. Throws Failure when the file cannot be written.
  void Add(std::int64_t confirmedMs, std::u16string_view line, std::u16string_view outcome, std::int64_t askedMs = 0,
           std::u16string_view account = {});
  // A pop-up that came at `askedMs` went away at `goneMs` without a line.
  void AddUnanswered(std::int64_t askedMs, std::int64_t goneMs) { Add(goneMs, u"", u"not answered", askedMs); }

 private:
  platform::IFiles& files_;
  platform::IClock& clock_;
  SettingsStore& settings_;
  Callback<bool(SettingsStore&)> journalOnly_;
};

}  // namespace quillet
