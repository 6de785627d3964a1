#pragma once
// The person's #tags offered as they type one into the update window's box. The tags are read
// from the journal when the first one of a pop-up is begun (never before: the idle program reads
// nothing), and let go when the window goes away. The list holds the tags begun with what was
// typed after the "#" (case aside), the ones most used in the last seven days first, then the
// others by how often they were used. Down and Up choose; Tab, Enter or a click puts the chosen
// tag in place of what was typed (Enter then posts nothing); Esc closes the list.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "journal/journal_reader.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace quillet {

// The tags of the journal's bytes (journal.csv as written) in the order they are offered: first
// those the answers of the seven days up to `today` carried, by how many of those answers did;
// then by how many answers carried them at all; then the one used last first. Each tag once (case
// aside), as it was last written. Tags and times are read by the journal reader's rules
// (TagsOf, ParseJournalTime); the file is walked once without reading back each answer whole,
// which the first "#" typed could not wait for on a journal of years.
std::vector<std::u16string> OfferedTags(std::string_view journal, std::int64_t today);
// The journal file's tags in that order, today being the clock's day; none without a journal.
std::vector<std::u16string> ReadOfferedTags(platform::IFiles& files, platform::IClock& clock);
// Those of `tags` that begin, after their "#", with `typed` and go on past it, case aside; in
// their order.
std::vector<std::u16string> NarrowedTags(const std::vector<std::u16string>& tags, std::u16string_view typed);

// A tag being typed: text[start, caret) is its "#" and the letters before the caret, and its
// letters go on to `end` (the journal's rule of what a tag is decides both).
struct TagBeingTyped {
  std::size_t start = 0, caret = 0, end = 0;
};
std::optional<TagBeingTyped> TagAtCaret(std::u16string_view text, std::size_t caret);

struct TagCompletionServices {
  // Whether the journal is kept: without it no tag is offered.
  Callback<bool()> journalKept;
  // The tags to offer, in their order (ReadOfferedTags), read when first needed.
  Callback<std::vector<std::u16string>()> readTags;
  // Whether the box may take this text (its limit).
  Callback<bool(const std::u16string&)> fits;
};

class TagCompletion {
 public:
  TagCompletion(platform::ITextBox& box, platform::ISuggestionList& list, TagCompletionServices services);
  TagCompletion(const TagCompletion&) = delete;
  TagCompletion& operator=(const TagCompletion&) = delete;

  // The box's text changed: `typed` when the person typed a character or erased one; a text set
  // otherwise closes the list.
  void TextChanged(bool typed);
  // A key going down in the box (Up, Down, Tab, and the keys that move the caret); true when the
  // list took it.
  bool KeyDown(std::int16_t keyCode);
  // A character key (Enter, Esc); true when the list took it.
  bool KeyPress(std::int16_t charCode);
  bool Open() const { return open_; }
  // The window went away: the list closes, and the tags read are let go.
  void Reset();

 private:
  void Close();
  void PutIn(std::size_t index);

  platform::ITextBox& box_;
  platform::ISuggestionList& list_;
  TagCompletionServices s_;
  std::optional<std::vector<std::u16string>> tags_;  // read at the first tag begun since the window came up
  std::vector<std::u16string> shown_;
  std::size_t chosen_ = 0;
  bool open_ = false;
  bool puttingIn_ = false;
};

}  // namespace quillet
