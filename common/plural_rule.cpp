#include "common/plural_rule.h"

#include <cctype>

namespace quillet {
namespace {

// Reads and evaluates in one pass, by precedence from the lowest: each function reads its level
// and returns its value. Both branches of ?: are read (they have no effects); the chosen one counts.
class PluralExpression {
 public:
  PluralExpression(std::string_view text, unsigned long n) : text_(text), n_(n) {}

  std::optional<unsigned long> Whole() {
    unsigned long value = Conditional();
    SkipSpaces();
    if (failed_ || at_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  unsigned long Conditional() {
    unsigned long condition = Or();
    if (!Take("?")) return condition;
    unsigned long chosen = Conditional();
    if (!Take(":")) return Fail();
    unsigned long other = Conditional();
    return condition ? chosen : other;
  }
  unsigned long Or() {
    unsigned long value = And();
    while (Take("||")) value = (And() != 0) || value;
    return value;
  }
  unsigned long And() {
    unsigned long value = Equality();
    while (Take("&&")) value = (Equality() != 0) && value;
    return value;
  }
  unsigned long Equality() {
    unsigned long value = Relation();
    for (;;) {
      if (Take("==")) value = value == Relation();
      else if (Take("!=")) value = value != Relation();
      else return value;
    }
  }
  unsigned long Relation() {
    unsigned long value = Sum();
    for (;;) {
      if (Take("<=")) value = value <= Sum();
      else if (Take(">=")) value = value >= Sum();
      else if (Take("<")) value = value < Sum();
      else if (Take(">")) value = value > Sum();
      else return value;
    }
  }
  unsigned long Sum() {
    unsigned long value = Product();
    for (;;) {
      if (Take("+")) value += Product();
      else if (Take("-")) value -= Product();
      else return value;
    }
  }
  unsigned long Product() {
    unsigned long value = Unary();
    for (;;) {
      if (Take("*")) {
        value *= Unary();
      } else if (Take("/") || Take("%")) {
        bool remainder = text_[at_ - 1] == '%';
        unsigned long divisor = Unary();
        if (divisor == 0) return Fail();
        value = remainder ? value % divisor : value / divisor;
      } else {
        return value;
      }
    }
  }
  unsigned long Unary() {
    if (Take("!")) return !Unary();
    if (Take("(")) {
      unsigned long value = Conditional();
      return Take(")") ? value : Fail();
    }
    if (Take("n")) return n_;
    SkipSpaces();
    if (at_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) return Fail();
    unsigned long value = 0;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
      value = value * 10 + static_cast<unsigned long>(text_[at_++] - '0');
    return value;
  }

  // Takes the token when it comes next ("<" not when it is the start of "<=", nor "!" of "!=").
  bool Take(std::string_view token) {
    SkipSpaces();
    if (text_.substr(at_, token.size()) != token) return false;
    std::size_t after = at_ + token.size();
    bool partOfLonger = (token == "<" || token == ">" || token == "!") && after < text_.size() && text_[after] == '=';
    if (partOfLonger) return false;
    at_ = after;
    return true;
  }
  void SkipSpaces() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  unsigned long Fail() {
    failed_ = true;
    at_ = text_.size();
    return 0;
  }

  std::string_view text_;
  unsigned long n_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<unsigned long> PluralIndex(std::string_view rule, unsigned long n) {
  return PluralExpression(rule, n).Whole();
}

}  // namespace quillet
