#include "common/json_lookup.h"

#include "common/utf8.h"

#include <cstdint>
#include <vector>

namespace quillet::json {
namespace {

constexpr int kMaxDepth = 64;

// A single-pass reader over the document. Each Parse... function reads one value starting at
// pos_ and, when `want` is set, keeps it; a syntax error stops everything.
class Reader {
 public:
  // `eachElement`: the document is an array, and the path is looked up in each of its elements.
  Reader(std::string_view text, std::vector<std::string_view> path, bool eachElement = false)
      : text_(text), path_(std::move(path)), base_(eachElement ? 1 : 0) {}

  std::optional<std::string> Run() {
    if (!ParseValue(0, true)) return std::nullopt;
    SkipBlanks();
    if (pos_ != text_.size()) return std::nullopt;
    return found_;
  }

  std::optional<std::string_view> RunText() {
    if (!ParseValue(0, true)) return std::nullopt;
    SkipBlanks();
    if (pos_ != text_.size()) return std::nullopt;
    return foundText_;
  }

  std::optional<std::vector<std::string_view>> RunElements() {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '[') return std::nullopt;
    ++pos_;
    std::vector<std::string_view> each;
    if (!Take(']')) {
      do {
        SkipBlanks();
        std::size_t start = pos_;
        if (!ParseValue(1, false)) return std::nullopt;
        each.push_back(text_.substr(start, pos_ - start));
      } while (Take(','));
      if (!Take(']')) return std::nullopt;
    }
    SkipBlanks();
    if (pos_ != text_.size()) return std::nullopt;
    return each;
  }

  std::vector<std::string> RunEach() {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '[') return {};
    ++pos_;
    std::vector<std::string> each;
    if (!Take(']')) {
      do {
        found_.reset();
        if (!ParseValue(1, true)) return {};
        if (found_) each.push_back(std::move(*found_));
      } while (Take(','));
      if (!Take(']')) return {};
    }
    SkipBlanks();
    if (pos_ != text_.size()) return {};
    return each;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }
  bool Take(char ch) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == ch) {
      ++pos_;
      return true;
    }
    return false;
  }

  // `onPath`: the value sits at the first `depth` names of the path.
  bool ParseValue(std::size_t depth, bool onPath) {
    if (depth > kMaxDepth) return false;
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    bool wanted = onPath && depth == base_ + path_.size();
    std::size_t start = pos_;
    if (!ParseValueAt(depth, onPath, wanted)) return false;
    if (wanted) foundText_ = text_.substr(start, pos_ - start);
    return true;
  }

  bool ParseValueAt(std::size_t depth, bool onPath, bool wanted) {
    char ch = text_[pos_];
    if (ch == '{') return ParseObject(depth, onPath && depth < base_ + path_.size());
    if (ch == '[') return ParseArray(depth);
    if (ch == '"') {
      std::string value;
      if (!ParseString(value)) return false;
      if (wanted) found_ = std::move(value);
      return true;
    }
    if (ch == '-' || (ch >= '0' && ch <= '9')) return ParseNumber(wanted);
    for (std::string_view word : {"true", "false", "null"}) {
      if (text_.substr(pos_, word.size()) == word) {
        pos_ += word.size();
        return true;
      }
    }
    return false;
  }

  bool ParseObject(std::size_t depth, bool descend) {
    ++pos_;
    if (Take('}')) return true;
    do {
      SkipBlanks();
      std::string name;
      if (pos_ >= text_.size() || text_[pos_] != '"' || !ParseString(name)) return false;
      if (!Take(':')) return false;
      if (!ParseValue(depth + 1, descend && name == path_[depth - base_])) return false;
    } while (Take(','));
    return Take('}');
  }

  bool ParseArray(std::size_t depth) {
    ++pos_;
    if (Take(']')) return true;
    do {
      if (!ParseValue(depth + 1, false)) return false;
    } while (Take(','));
    return Take(']');
  }

  bool ParseNumber(bool wanted) {
    std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    auto digits = [&] {
      std::size_t from = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ > from;
    };
    if (!digits()) return false;
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (!digits()) return false;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (!digits()) return false;
    }
    if (wanted) found_ = std::string(text_.substr(start, pos_ - start));
    return true;
  }

  bool ParseHex4(std::uint32_t& unit) {
    if (pos_ + 4 > text_.size()) return false;
    unit = 0;
    for (int n = 0; n < 4; ++n) {
      char h = text_[pos_++];
      unit <<= 4;
      if (h >= '0' && h <= '9')
        unit |= static_cast<std::uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f')
        unit |= static_cast<std::uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        unit |= static_cast<std::uint32_t>(h - 'A' + 10);
      else
        return false;
    }
    return true;
  }

  bool ParseString(std::string& out) {
    ++pos_;  // the opening quote
    while (pos_ < text_.size()) {
      char ch = text_[pos_++];
      if (ch == '"') return true;
      if (static_cast<unsigned char>(ch) < 0x20) return false;
      if (ch != '\\') {
        out.push_back(ch);
        continue;
      }
      if (pos_ >= text_.size()) return false;
      char escape = text_[pos_++];
      switch (escape) {
        case '"':
        case '\\':
        case '/':
          out.push_back(escape);
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'u': {
          std::uint32_t unit = 0;
          if (!ParseHex4(unit)) return false;
          if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            std::size_t back = pos_;
            pos_ += 2;
            std::uint32_t low = 0;
            if (ParseHex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
              unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            } else {
              pos_ = back;
            }
          }
          if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;  // a lone half of a pair
          utf8::Append(out, unit);
          break;
        }
        default:
          return false;
      }
    }
    return false;  // no closing quote
  }

  std::string_view text_;
  std::vector<std::string_view> path_;
  std::size_t base_;  // the depth at which the path begins
  std::size_t pos_ = 0;
  std::optional<std::string> found_;
  std::optional<std::string_view> foundText_;
};

}  // namespace

std::optional<std::string> Lookup(std::string_view document, std::initializer_list<std::string_view> path) {
  return Reader(document, std::vector<std::string_view>(path)).Run();
}

std::optional<std::string_view> ValueText(std::string_view document, std::initializer_list<std::string_view> path) {
  return Reader(document, std::vector<std::string_view>(path)).RunText();
}

std::optional<std::vector<std::string_view>> Elements(std::string_view document) {
  return Reader(document, {}).RunElements();
}

std::vector<std::string> LookupEach(std::string_view document, std::initializer_list<std::string_view> path) {
  return Reader(document, std::vector<std::string_view>(path), true).RunEach();
}

}  // namespace quillet::json
