#include "posting/tag_completion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "common/civil_date.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "journal/journal.h"

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

// Whether a row begins at `at`: its time, then a comma (the reader's rule).
bool JournalRowBeginsAt(std::string_view bytes, std::size_t at) {
  constexpr std::size_t kTimeLength = 19;
  return bytes.size() > at + kTimeLength && bytes[at + kTimeLength] == ',' && ParseJournalTime(bytes.substr(at, kTimeLength));
}

// Where the next line break or quote is from `from` on (the bytes' end when none): eight bytes at
// a time, then byte by byte in the eight that hold it. The C runtime's search goes a byte at a
// time on some systems, and the file is walked whole.
std::size_t NextBreakOrQuote(std::string_view bytes, std::size_t from) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  for (; from + 8 <= bytes.size(); from += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + from, 8);
    std::uint64_t breaks = word ^ (kOnes * '\n'), quotes = word ^ (kOnes * '"');
    // Whether a byte of either is zero (exact: a byte borrows only from below a zero one).
    if ((((breaks - kOnes) & ~breaks) | ((quotes - kOnes) & ~quotes)) & kHighs) break;
  }
  while (from < bytes.size() && bytes[from] != '\n' && bytes[from] != '"') ++from;
  return from;
}

// Each record of the journal's bytes, as its reader finds them (a record ends at the first line
// break after an even count of quotes; one whose quote never closes, before the file ends or the
// next line begins a row of its own, ends with its first line and is no row): its first field
// (the time) and its second (the line, still as written: quoted when it holds a comma, a quote or
// a line break). Records without a third field are no rows.
template <class Fn>
void ForEachRecord(std::string_view bytes, Fn&& take) {
  std::size_t at = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (at < bytes.size()) {
    std::size_t end = 0;
    bool oddQuotes = false, broken = false;
    for (std::size_t next = at;; ++next) {
      next = NextBreakOrQuote(bytes, next);
      if (next == bytes.size()) {
        broken = oddQuotes;
        end = broken ? std::min(bytes.find('\n', at), bytes.size()) : bytes.size();
        break;
      }
      if (bytes[next] == '"') {
        oddQuotes = !oddQuotes;
      } else if (!oddQuotes) {
        end = next;
        break;
      } else if (JournalRowBeginsAt(bytes, next + 1)) {
        broken = true;
        end = bytes.find('\n', at);
        break;
      }
    }
    std::string_view record = bytes.substr(at, end - at);
    at = end + 1;
    if (broken) continue;
    std::size_t comma = record.find(',');
    if (comma == std::string_view::npos) continue;
    std::size_t second = comma + 1, secondEnd = second;
    if (secondEnd < record.size() && record[secondEnd] == '"') {
      ++secondEnd;
      while ((secondEnd = record.find('"', secondEnd)) != std::string_view::npos && secondEnd + 1 < record.size() &&
             record[secondEnd + 1] == '"')
        secondEnd += 2;
      if (secondEnd == std::string_view::npos) continue;
      ++secondEnd;
    } else {
      secondEnd = std::min(record.find(',', second), record.size());
    }
    if (secondEnd >= record.size() || record[secondEnd] != ',') continue;
    take(record.substr(0, comma), record.substr(second, secondEnd - second));
  }
}

// Whether a byte can go on a tag: an ASCII letter, digit or "_", or any byte of a character
// beyond ASCII (the reader's rule then decides on the character, see TagsAt).
bool MayGoOnTag(char byte) {
  auto b = static_cast<unsigned char>(byte);
  return b >= 0x80 || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_';
}

}  // namespace

std::vector<std::u16string> OfferedTags(std::string_view journal, std::int64_t today) {
  struct Use {
    std::size_t spelling = 0;  // the piece it was last written in (`pieces`)
    int week = 0, all = 0;
    JournalTime latest;  // when it was last used
  };
  std::vector<Use> uses;
  std::unordered_map<std::u16string, std::size_t> useOf;  // by the tag, case aside
  // Each piece of a line around a "#" (the character before it, the "#" and what may follow it),
  // read once however often it recurs: the tag it is by the reader's rule (TagsOf), as a use.
  struct Piece {
    std::optional<std::size_t> use;
    std::u16string tag;
  };
  std::vector<Piece> pieces;
  std::unordered_map<std::string_view, std::size_t> pieceOf;
  std::vector<std::size_t> inLine;  // the uses of the line being read, each once
  std::string_view lastTime, lastLine;
  ForEachRecord(journal, [&](std::string_view timeText, std::string_view line) {
    // An answer sent to several accounts is a record for each, one after the other: counted once.
    std::size_t hash = line.find('#');
    bool again = hash != std::string_view::npos && timeText == lastTime && line == lastLine;
    lastTime = timeText;
    lastLine = line;
    if (again || hash == std::string_view::npos) return;
    std::optional<JournalTime> time = ParseJournalTime(timeText);
    if (!time) return;
    bool thisWeek = time->day <= today && time->day > today - kOfferedWeekDays;
    // A quoted line's quotes are no characters of it: its first one is the line's start, and a
    // doubled one within is a quote, which no tag goes on with or begins after.
    std::size_t first = line.starts_with('"') ? 1 : 0;
    inLine.clear();
    for (; hash != std::string_view::npos; hash = line.find('#', hash + 1)) {
      std::size_t from = hash;
      if (from > first) {
        --from;
        while (from > first && (static_cast<unsigned char>(line[from]) & 0xC0) == 0x80) --from;  // its first byte
      }
      std::size_t to = hash + 1;
      while (to < line.size() && MayGoOnTag(line[to])) ++to;
      std::string_view around = line.substr(from, to - from);
      auto [place, added] = pieceOf.try_emplace(around, pieces.size());
      if (added) {
        Piece piece;
        std::vector<std::u16string> found = TagsOf(utf8::ToUtf16(std::string(around)));
        if (!found.empty() && found.front().size() > 1) {
          auto [known, fresh] = useOf.try_emplace(FoldedCase(found.front()), uses.size());
          if (fresh) uses.push_back({});
          piece.use = known->second;
          piece.tag = std::move(found.front());
        }
        pieces.push_back(std::move(piece));
      }
      const Piece& piece = pieces[place->second];
      if (!piece.use || std::find(inLine.begin(), inLine.end(), *piece.use) != inLine.end()) continue;
      inLine.push_back(*piece.use);
      Use& use = uses[*piece.use];
      if (use.all == 0 || use.latest <= *time) {
        use.spelling = place->second;
        use.latest = *time;
      }
      use.week += thisWeek ? 1 : 0;
      ++use.all;
    }
  });
  std::sort(uses.begin(), uses.end(), [](const Use& a, const Use& b) {
    return std::tie(b.week, b.all, b.latest) < std::tie(a.week, a.all, a.latest);
  });
  std::vector<std::u16string> tags;
  tags.reserve(uses.size());
  for (const Use& use : uses) tags.push_back(pieces[use.spelling].tag);
  return tags;
}

std::vector<std::u16string> ReadOfferedTags(platform::IFiles& files, platform::IClock& clock) {
  // Walked in place: a journal of years is megabytes, which need not be copied for one look.
  std::unique_ptr<platform::IFileBytes> journal = files.Map(kJournalFile);
  if (!journal) return {};
  platform::LocalTime now = clock.Local(clock.NowMs());
  return OfferedTags(journal->Bytes(), DaysFromCivil(now.year, now.month, now.day));
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
