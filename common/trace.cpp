#include "common/trace.h"

#include <array>
#include <mutex>
#include <optional>
#include <tuple>
#include <utility>

#include "common/failure.h"
#include "common/lock.h"
#include "common/trace_record.h"

namespace quillet {
namespace {

constexpr std::size_t kLongestLine = 400;  // bytes of text in one log line; a longer text is cut

struct TraceLog {
  Lock lock;
  Callback<void(std::string_view)> log;
  std::string last;       // the line written last
  std::size_t again = 0;  // how many times since then it came again, not written
};

TraceLog& Kept() {
  static TraceLog kept;
  return kept;
}

thread_local bool writing = false;  // a log that traces a failure of its own does not come back here

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}
bool StartsWith(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (Lower(text[at + i]) != word[i]) return false;
  return true;
}
bool EndsValue(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '&' || c == ',' || c == ';' || c == '"' ||
         c == '\'' || c == ')' || c == '}';
}

// A value that begins at `at` (after its ':' or '=' and any blanks): where its secret part begins
// and ends. A quoted one ("...", or \"...\" inside another quoted text) runs to its closing quote,
// past blanks and escaped quotes; a bare one to the first character that ends a value.
std::pair<std::size_t, std::size_t> ValueAt(std::string_view text, std::size_t at) {
  bool escaped = at + 1 < text.size() && text[at] == '\\' && (text[at + 1] == '"' || text[at + 1] == '\'');
  if (escaped) ++at;
  if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) {
    std::size_t end = at;
    while (end < text.size() && !EndsValue(text[end])) ++end;
    return {at, end};
  }
  char quote = text[at++];
  std::size_t end = at;
  bool escapedWithin = false;
  while (end < text.size()) {
    // Inside an escaped quotation every character comes as "\x" or itself; read it as the quotation's text.
    std::size_t width = escaped && text[end] == '\\' && end + 1 < text.size() ? 2 : 1;
    char c = text[end + width - 1];
    if (escapedWithin) {
      escapedWithin = false;
    } else if (c == '\\') {
      escapedWithin = true;
    } else if (c == quote) {
      break;
    }
    end += width;
  }
  return {at, end};
}

// A JSON Web Token on its own: "eyJ" (a JSON header in Base64url), then its parts between dots.
std::size_t TokenEnd(std::string_view text, std::size_t at) {
  if (text.compare(at, 3, "eyJ") != 0) return at;
  std::size_t end = at;
  int dots = 0;
  for (; end < text.size() && (IsWordChar(text[end]) || text[end] == '.'); ++end) dots += text[end] == '.' ? 1 : 0;
  return dots >= 2 ? end : at;
}

// Where `failure` was thrown, when it is a Failure and the exception its caller is handling. The
// release build has no run-time type information to ask `failure` its type, so the exception being
// handled is thrown again here, once, and caught by its type.
std::optional<SourcePlace> ThrownAt(const std::exception& failure) noexcept {
  std::exception_ptr handled = std::current_exception();
  if (!handled) return std::nullopt;
  try {
    std::rethrow_exception(handled);
  } catch (const Failure& thrown) {
    if (static_cast<const std::exception*>(&thrown) == &failure) return thrown.where();
  } catch (...) {
    // not a Failure: the runtime's own errors do not know their place
  }
  return std::nullopt;
}

// One line to the log: "where text", or "where (thrown at place) text"; a line that comes again
// at once is counted instead.
void WriteLogLine(std::string_view where, std::string_view thrownAt, std::string_view what) noexcept {
  if (writing) return;
  writing = true;
  try {
    auto& kept = Kept();
    std::lock_guard guard(kept.lock);
    if (kept.log) {
      std::string line(where);
      if (!thrownAt.empty()) line.append(" (thrown at ").append(thrownAt).append(")");
      line += ' ';
      line += WithoutSecrets(what);
      if (line.size() > kLongestLine) {
        std::size_t cut = kLongestLine;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
        line.resize(cut);
        line += "...";
      }
      if (line == kept.last) {
        ++kept.again;  // a failure that repeats every second is one line, and a count
      } else {
        if (kept.again > 0) kept.log("(the line before came " + std::to_string(kept.again) + " times more)");
        kept.again = 0;
        kept.log(line);
        kept.last = std::move(line);
      }
    }
  } catch (...) {
    // the log is a help, never a reason to fail
  }
  writing = false;
}

void TraceFailure(const SourcePlace& caughtAt, const std::optional<SourcePlace>& thrownAt,
                  std::string_view what) noexcept {
  std::string caught, thrown;
  try {
    caught = PlaceOf(caughtAt);
    if (thrownAt) thrown = PlaceOf(*thrownAt);
  } catch (...) {
    RecordSwallowedFailure(caughtAt.function_name(), {}, what);  // no memory for the places
    WriteLogLine(caughtAt.function_name(), {}, what);
    return;
  }
  RecordSwallowedFailure(caught, thrown, what);
  WriteLogLine(caught, thrown, what);
}

}  // namespace

std::string PlaceOf(const SourcePlace& where) {
  std::string_view file = where.file_name();
  std::size_t slash = file.find_last_of("/\\");
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  return std::string(file) + ":" + std::to_string(where.line());
}

void TraceSwallowedFailure(const SourcePlace& caughtAt, const std::exception& failure) noexcept {
  TraceFailure(caughtAt, ThrownAt(failure), failure.what());
}

void TraceSwallowedFailure(const SourcePlace& caughtAt, std::string_view what) noexcept {
  TraceFailure(caughtAt, std::nullopt, what);
}

std::string WithoutSecrets(std::string_view text) {
  // A header whose whole value is secret, a scheme followed by its credentials, names (inside a
  // longer name too: oauth_token, access_token, accessJwt, code_verifier) whose value after ':' or
  // '=' is, names too common in words to hide after every colon (only as a form's "code=..." or
  // JSON's "code": ...), and a token that tells itself by its form.
  constexpr std::array<std::string_view, 2> kWholeValue{"authorization", "cookie"};
  constexpr std::array<std::string_view, 2> kSchemes{"basic", "bearer"};
  constexpr std::array<std::string_view, 8> kNames{"password", "passwd",  "pwd", "token",
                                                   "secret",   "session", "jwt", "verifier"};
  constexpr std::array<std::string_view, 1> kFieldNames{"code"};
  constexpr std::string_view kHidden = "[hidden]";
  std::string out;
  std::size_t i = 0;
  auto skip = [&](std::size_t at, std::string_view chars) {
    while (at < text.size() && chars.find(text[at]) != std::string_view::npos) ++at;
    return at;
  };
  while (i < text.size()) {
    bool atWordStart = i == 0 || !IsWordChar(text[i - 1]);
    std::size_t hideFrom = std::string_view::npos, hideTo = 0, keepTo = 0;
    for (auto word : kWholeValue) {
      if (!StartsWith(text, i, word)) continue;
      std::size_t at = skip(i + word.size(), " \t\"'\\");
      if (at < text.size() && (text[at] == ':' || text[at] == '=')) {
        keepTo = at + 1;
        hideFrom = skip(keepTo, " \t");
        hideTo = text.find_first_of("\r\n", hideFrom);
        if (hideTo == std::string_view::npos) hideTo = text.size();
      }
    }
    for (auto word : kSchemes) {
      if (hideFrom != std::string_view::npos || !atWordStart || !StartsWith(text, i, word)) continue;
      std::size_t at = i + word.size();
      if (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        keepTo = at;
        hideFrom = skip(at, " \t");
        hideTo = hideFrom;
        while (hideTo < text.size() && !EndsValue(text[hideTo])) ++hideTo;
      }
    }
    for (auto word : kNames) {
      if (hideFrom != std::string_view::npos || !StartsWith(text, i, word)) continue;
      std::size_t at = i + word.size();
      while (at < text.size() && IsWordChar(text[at])) ++at;
      at = skip(at, " \t\"'\\");
      if (at < text.size() && (text[at] == ':' || text[at] == '=')) {
        keepTo = at + 1;
        std::tie(hideFrom, hideTo) = ValueAt(text, skip(keepTo, " \t"));
      }
    }
    for (auto word : kFieldNames) {
      if (hideFrom != std::string_view::npos || !atWordStart || !StartsWith(text, i, word)) continue;
      bool quoted = i > 0 && (text[i - 1] == '"' || text[i - 1] == '\'');
      std::size_t at = quoted ? skip(i + word.size(), " \t\"'\\") : i + word.size();
      if (at < text.size() && (text[at] == '=' || (quoted && text[at] == ':'))) {
        keepTo = at + 1;
        std::tie(hideFrom, hideTo) = ValueAt(text, skip(keepTo, " \t"));
      }
    }
    if (hideFrom == std::string_view::npos && atWordStart) {
      keepTo = hideFrom = i;
      hideTo = TokenEnd(text, i);
    }
    if (hideFrom != std::string_view::npos && hideTo > hideFrom) {
      out.append(text.substr(i, keepTo - i)).append(text.substr(keepTo, hideFrom - keepTo)).append(kHidden);
      i = hideTo;
      continue;
    }
    char c = text[i++];
    out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  return out;
}

void SetTraceLog(Callback<void(std::string_view line)> log) {
  auto& kept = Kept();
  std::lock_guard guard(kept.lock);
  kept.log = std::move(log);
  kept.last.clear();
  kept.again = 0;
}

void LogEvent(std::string_view where, std::string_view what) noexcept { WriteLogLine(where, {}, what); }

}  // namespace quillet
