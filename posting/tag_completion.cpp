#include "posting/tag_completion.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "common/civil_date.h"
#include "common/steps.h"
#include "delivery/journal.h"

namespace quillet {
namespace {

constexpr std::int64_t kOfferedWeekDays = 7;

// Whether `text` (starting with "#") is a whole tag once a letter follows it, with `before` in
// front of it (a blank or "(" lets a tag begin): the journal's own reading decides, so that what
// is offered is what it counts.
bool TagSoFar(char16_t before, std::u16string_view text) {
  std::u16string probe;
  probe.reserve(text.size() + 2);
  probe += before;
  probe += text;
  probe += u'x';
  std::vector<std::u16string> found = TagsOf(probe);
  return found.size() == 1 && found.front() == std::u16string_view(probe).substr(1);
}

}  // namespace

std::vector<std::u16string> OfferedTags(const JournalIndex& journal, std::int64_t today) {
  std::optional<std::int64_t> first = journal.FirstDay(), last = journal.LastDay();
  if (!first || !last) return {};
  struct Use {
    std::u16string tag;  // as last written
    int week = 0, all = 0;
    std::size_t latest = 0;  // the answer that last carried it
  };
  std::vector<Use> uses;
  std::unordered_map<std::u16string, std::size_t> byKey;
  std::vector<JournalAnswer> answers = journal.Days(*first, *last);
  for (std::size_t index = 0; index < answers.size(); ++index) {
    const JournalAnswer& answer = answers[index];
    if (answer.unanswered || answer.line.find(u'#') == std::u16string::npos) continue;
    bool thisWeek = answer.time.day <= today && answer.time.day > today - kOfferedWeekDays;
    for (std::u16string& tag : TagsOf(answer.line)) {
      auto [place, added] = byKey.try_emplace(FoldedCase(tag), uses.size());
      if (added) uses.push_back({});
      Use& use = uses[place->second];
      use.tag = std::move(tag);
      use.week += thisWeek ? 1 : 0;
      ++use.all;
      use.latest = index;
    }
  }
  std::sort(uses.begin(), uses.end(), [](const Use& a, const Use& b) {
    return std::tie(b.week, b.all, b.latest) < std::tie(a.week, a.all, a.latest);
  });
  std::vector<std::u16string> tags;
  tags.reserve(uses.size());
  for (Use& use : uses) tags.push_back(std::move(use.tag));
  return tags;
}

std::vector<std::u16string> ReadOfferedTags(platform::IFiles& files, platform::IClock& clock) {
  std::optional<std::string> bytes = files.Read(kJournalFile);
  if (!bytes) return {};
  platform::LocalTime now = clock.Local(clock.NowMs());
  return OfferedTags(JournalIndex(std::move(*bytes)), DaysFromCivil(now.year, now.month, now.day));
}

std::vector<std::u16string> NarrowedTags(const std::vector<std::u16string>& tags, std::u16string_view typed) {
  std::u16string folded = FoldedCase(typed);
  std::vector<std::u16string> narrowed;
  for (const std::u16string& tag : tags) {
    if (tag.size() > folded.size() + 1 && FoldedCase(std::u16string_view(tag).substr(1, folded.size())) == folded)
      narrowed.push_back(tag);
  }
  return narrowed;
}

std::optional<TagBeingTyped> TagAtCaret(std::u16string_view text, std::size_t caret) {
  if (caret == 0 || caret > text.size()) return std::nullopt;
  std::size_t start = text.rfind(u'#', caret - 1);
  if (start == std::u16string_view::npos) return std::nullopt;
  char16_t before = start > 0 ? text[start - 1] : u' ';
  if (!TagSoFar(before, text.substr(start, caret - start))) return std::nullopt;
  std::size_t end = caret;
  while (end < text.size() && TagSoFar(before, text.substr(start, end + 1 - start))) ++end;
  return TagBeingTyped{start, caret, end};
}

TagCompletion::TagCompletion(platform::ITextBox& box, platform::ISuggestionList& list, TagCompletionServices services)
    : box_(box), list_(list), s_(std::move(services)) {
  list_.OnPicked([this](std::int32_t index) {
    if (open_ && index >= 0 && static_cast<std::size_t>(index) < shown_.size()) PutIn(static_cast<std::size_t>(index));
  });
}

void TagCompletion::TextChanged(bool typed) {
  if (puttingIn_) return;
  std::optional<TagBeingTyped> at;
  std::u16string text;
  if (typed) {
    Step([&] {
      text = box_.Text();
      if (box_.SelectionLength() == 0) at = TagAtCaret(text, static_cast<std::size_t>(box_.SelectionStart()));
    });
  }
  bool kept = false;  // a journal that cannot be asked about offers nothing
  if (at && s_.journalKept) Step([&] { kept = s_.journalKept(); });
  if (!kept) {
    Close();
    return;
  }
  if (!tags_) {
    tags_.emplace();
    if (s_.readTags) Step([&] { tags_ = s_.readTags(); });
  }
  shown_ = NarrowedTags(*tags_, std::u16string_view(text).substr(at->start + 1, at->caret - at->start - 1));
  if (shown_.empty()) {
    Close();
    return;
  }
  chosen_ = 0;
  open_ = true;
  Step([&] { list_.Show(shown_, 0, static_cast<std::int32_t>(at->start)); });
}

bool TagCompletion::KeyDown(std::int16_t keyCode) {
  if (!open_) return false;
  switch (keyCode) {
    case platform::kKeyDown:
    case platform::kKeyUp:
      if (keyCode == platform::kKeyDown && chosen_ + 1 < shown_.size()) ++chosen_;
      if (keyCode == platform::kKeyUp && chosen_ > 0) --chosen_;
      Step([&] { list_.Choose(static_cast<std::int32_t>(chosen_)); });
      return true;
    case platform::kKeyTab:
      PutIn(chosen_);
      return true;
    case 0x21:  // Page Up, Page Down, End, Home, Left, Right: the caret leaves the tag
    case 0x22:
    case 0x23:
    case 0x24:
    case 0x25:
    case 0x27:
      Close();
      return false;
    default:
      return false;
  }
}

bool TagCompletion::KeyPress(std::int16_t charCode) {
  if (!open_) return false;
  switch (charCode) {
    case u'\r':
      PutIn(chosen_);
      return true;
    case 27:  // Esc
      Close();
      return true;
    case u'\t':
      return true;  // taken as its key went down
    default:
      return false;
  }
}

void TagCompletion::PutIn(std::size_t index) {
  std::u16string tag = shown_.at(index);
  Close();
  Step([&] {
    std::u16string text = box_.Text();
    std::optional<TagBeingTyped> at = TagAtCaret(text, static_cast<std::size_t>(box_.SelectionStart()));
    if (!at) return;
    text.replace(at->start, at->end - at->start, tag);
    if (s_.fits && !s_.fits(text)) return;  // past the limit: what was typed stays
    puttingIn_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{puttingIn_};
    box_.SetText(text);  // the box tells the change: the characters left count the tag
    box_.SetSelection(static_cast<std::int32_t>(at->start + tag.size()), 0);
  });
}

void TagCompletion::Close() {
  if (!std::exchange(open_, false)) return;
  shown_.clear();
  Step([&] { list_.Hide(); });
}

void TagCompletion::Reset() {
  Close();
  tags_.reset();
}

}  // namespace quillet
