#include "common/catalog.h"

#include <cstdint>

#include "common/plural_rule.h"
#include "common/utf8.h"

namespace quillet {
namespace {

constexpr std::uint32_t kMoMagic = 0x950412de;

// The .mo file's words, in the byte order its magic number shows.
class MoReader {
 public:
  explicit MoReader(std::string_view bytes) : bytes_(bytes) {}

  bool Valid() {
    if (bytes_.size() < 28) return false;
    if (Word(0) != kMoMagic) {
      swapped_ = true;
      if (Word(0) != kMoMagic) return false;
    }
    return true;
  }
  std::uint32_t Count() const { return Word(8); }
  // The index'th original (table at 12) or translation (table at 16); nullopt when outside.
  std::optional<std::string_view> Original(std::uint32_t index) const { return Entry(Word(12), index); }
  std::optional<std::string_view> Translation(std::uint32_t index) const { return Entry(Word(16), index); }

 private:
  std::optional<std::string_view> Entry(std::uint32_t table, std::uint32_t index) const {
    std::uint64_t place = table + 8ull * index;
    if (place + 8 > bytes_.size()) return std::nullopt;
    std::uint64_t length = Word(place), offset = Word(place + 4);
    if (offset + length >= bytes_.size()) return std::nullopt;  // the terminating NUL is inside too
    return bytes_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));  // both checked above
  }
  std::uint32_t Word(std::uint64_t at) const {
    if (at + 4 > bytes_.size()) return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      auto byte = static_cast<std::uint8_t>(bytes_[static_cast<std::size_t>(at) + (swapped_ ? i : 3 - i)]);
      value = value << 8 | byte;
    }
    return value;
  }

  std::string_view bytes_;
  bool swapped_ = false;
};

// The NUL-separated parts of an entry (a plural's forms).
std::vector<std::u16string> Parts(std::string_view entry) {
  std::vector<std::u16string> parts;
  for (;;) {
    std::size_t end = entry.find('\0');
    parts.push_back(utf8::ToUtf16(entry.substr(0, end)));
    if (end == std::string_view::npos) return parts;
    entry.remove_prefix(end + 1);
  }
}

// The value of "Field: value" in the header, trimmed; empty when absent.
std::string_view HeaderField(std::string_view header, std::string_view field) {
  for (std::size_t at = 0; at < header.size();) {
    std::size_t end = header.find('\n', at);
    std::string_view line = header.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    if (line.size() > field.size() && line.substr(0, field.size()) == field && line[field.size()] == ':') {
      std::string_view value = line.substr(field.size() + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.remove_suffix(1);
      return value;
    }
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return {};
}

}  // namespace

std::optional<Catalog> Catalog::FromMo(std::string_view bytes) {
  MoReader mo(bytes);
  if (!mo.Valid()) return std::nullopt;
  Catalog catalog;
  for (std::uint32_t i = 0; i < mo.Count(); ++i) {
    std::optional<std::string_view> original = mo.Original(i), translation = mo.Translation(i);
    if (!original || !translation) return std::nullopt;
    if (original->empty()) {
      catalog.ReadHeader(*translation);
      continue;
    }
    std::u16string english = Parts(*original).front();
    catalog.texts_[english] = Parts(*translation);
  }
  return catalog;
}

void Catalog::ReadHeader(std::string_view header) {
  std::string tag(HeaderField(header, "Language"));
  for (char& c : tag) {
    if (c == '_') c = '-';
  }
  if (!tag.empty()) tag_ = tag;
  if (std::string_view name = HeaderField(header, "X-Language-Name"); !name.empty()) name_ = utf8::ToUtf16(name);
  std::string_view forms = HeaderField(header, "Plural-Forms");
  if (std::size_t rule = forms.find("plural="); rule != std::string_view::npos) {
    std::string_view expression = forms.substr(rule + 7);
    if (std::size_t end = expression.find(';'); end != std::string_view::npos) expression = expression.substr(0, end);
    pluralRule_ = expression;
  }
  rightToLeft_ = HeaderField(header, "X-Text-Direction") == "right-to-left";
  partial_ = HeaderField(header, "X-Partial") == "yes";
}

std::u16string Catalog::Tr(std::u16string_view english) const {
  auto found = texts_.find(std::u16string(english));
  if (found == texts_.end() || found->second.front().empty()) return std::u16string(english);
  return found->second.front();
}

std::u16string Catalog::TrPlural(std::u16string_view one, std::u16string_view other, unsigned long n) const {
  auto found = texts_.find(std::u16string(one));
  if (found == texts_.end()) return std::u16string(n == 1 ? one : other);
  std::optional<unsigned long> form = PluralIndex(pluralRule_, n);
  const std::vector<std::u16string>& forms = found->second;
  if (!form || *form >= forms.size() || forms[*form].empty()) return std::u16string(n == 1 ? one : other);
  return forms[*form];
}

namespace {

// The values that make `filled` from the template, in the order of their numbers; nullopt when it
// is not made from it. Each placeholder takes the shortest run up to the template's next words.
std::optional<std::vector<std::u16string>> ValuesIn(std::u16string_view pattern, std::u16string_view filled) {
  std::vector<std::pair<int, std::u16string>> values;
  std::size_t at = 0, i = 0;
  while (i < pattern.size()) {
    bool placeholder = pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] >= u'1' && pattern[i + 1] <= u'9';
    if (!placeholder) {
      if (at >= filled.size() || filled[at] != pattern[i]) return std::nullopt;
      ++at, ++i;
      continue;
    }
    int number = pattern[i + 1] - u'0';
    i += 2;
    std::size_t nextPlaceholder = pattern.find(u'%', i);
    std::u16string_view words = pattern.substr(i, nextPlaceholder == std::u16string_view::npos ? nextPlaceholder : nextPlaceholder - i);
    std::size_t end = words.empty() ? filled.size() : filled.find(words, at);
    if (end == std::u16string_view::npos || end == at) return std::nullopt;
    values.emplace_back(number, std::u16string(filled.substr(at, end - at)));
    at = end;
  }
  if (at != filled.size()) return std::nullopt;
  std::vector<std::u16string> ordered(values.size());
  for (auto& [number, value] : values) {
    if (number < 1 || static_cast<std::size_t>(number) > ordered.size()) return std::nullopt;
    ordered[number - 1] = std::move(value);
  }
  return ordered;
}

}  // namespace

std::u16string Catalog::TrFilled(std::u16string_view filled) const { return TrFilled(filled, 0); }

std::u16string Catalog::TrFilled(std::u16string_view filled, int depth) const {
  if (auto found = texts_.find(std::u16string(filled)); found != texts_.end() && !found->second.front().empty())
    return found->second.front();
  const std::pair<const std::u16string, std::vector<std::u16string>>* best = nullptr;
  std::vector<std::u16string> bestValues;
  for (const auto& entry : texts_) {
    if (entry.first.find(u'%') == std::u16string::npos || entry.second.front().empty()) continue;
    std::optional<std::vector<std::u16string>> values = ValuesIn(entry.first, filled);
    // The template with the most words of its own is the most particular.
    if (values && (best == nullptr || entry.first.size() > best->first.size())) {
      best = &entry;
      bestValues = std::move(*values);
    }
  }
  if (best == nullptr) return std::u16string(filled);
  std::vector<std::u16string> translated;
  // The values nested deeper than a reason is ever made stay as they are: the time and the stack
  // taken grow with the text's length only, whatever the text.
  for (std::u16string& value : bestValues)
    translated.push_back(depth < kDeepestReason ? TrFilled(value, depth + 1) : std::move(value));
  return FillInValues(best->second.front(), std::vector<std::u16string_view>(translated.begin(), translated.end()));
}

std::u16string FillIn(std::u16string_view text, std::initializer_list<std::u16string_view> values) {
  return FillInValues(text, std::vector<std::u16string_view>(values));
}

std::u16string FillInValues(std::u16string_view text, const std::vector<std::u16string_view>& values) {
  std::u16string filled;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (text[i] == u'%' && next == u'%') {
      filled += u'%';
      ++i;
    } else if (text[i] == u'%' && next >= u'1' && next <= u'9' && static_cast<std::size_t>(next - u'1') < values.size()) {
      filled += values[next - u'1'];
      ++i;
    } else {
      filled += text[i];
    }
  }
  return filled;
}

}  // namespace quillet
