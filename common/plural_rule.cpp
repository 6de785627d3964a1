#include "common/plural_rule.h"

#include <cctype>

namespace quillet {
namespace {

// Reads and evaluates in one pass, by precedence from the lowest: each function reads its level
// and returns its value. As in C, only the branch taken counts: both of ?: are read, and the right
// side of && and ||, but a division by zero where it is not evaluated is no failure. Nesting
// deeper than any rule needs is refused, so that no rule can exhaust the stack.
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
  static constexpr int kDeepest = 100;

  // One level deeper while it lives; the expression fails beyond kDeepest.
  class Level {
   public:
    explicit Level(PluralExpression& expression) : expression_(expression) {
      if (++expression_.depth_ > kDeepest) expression_.Fail();
    }
    ~Level() { --expression_.depth_; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

   private:
    PluralExpression& expression_;
  };

  // Reads a part of the expression that counts only when `evaluated` (and the part around it does).
  template <class Read>
  unsigned long ReadEvaluatedIf(bool evaluated, Read read) {
    bool outer = evaluated_;
    evaluated_ = outer && evaluated;
    unsigned long value = read();
    evaluated_ = outer;
    return value;
  }

  unsigned long Conditional() {
    Level level(*this);
    unsigned long condition = Or();
    if (!Take("?")) return condition;
    unsigned long chosen = ReadEvaluatedIf(condition != 0, [this] { return Conditional(); });
    if (!Take(":")) return Fail();
    unsigned long other = ReadEvaluatedIf(condition == 0, [this] { return Conditional(); });
    return condition ? chosen : other;
  }
  unsigned long Or() {
    unsigned long value = And();
    while (Take("||")) {
      unsigned long right = ReadEvaluatedIf(value == 0, [this] { return And(); });
      value = value != 0 || right != 0;
    }
    return value;
  }
  unsigned long And() {
    unsigned long value = Equality();
    while (Take("&&")) {
      unsigned long right = ReadEvaluatedIf(value != 0, [this] { return Equality(); });
      value = value != 0 && right != 0;
    }
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
        if (divisor == 0 && evaluated_) return Fail();
        value = divisor == 0 ? 0 : remainder ? value % divisor : value / divisor;
      } else {
        return value;
      }
    }
  }
  unsigned long Unary() {
    Level level(*this);
    if (failed_) return 0;
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
  bool evaluated_ = true;  // the part being read counts
  int depth_ = 0;
};

}  // namespace

std::optional<unsigned long> PluralIndex(std::string_view rule, unsigned long n) {
  return PluralExpression(rule, n).Whole();
}

}  // namespace quillet
