// Callback keeps std::function's promises: what is empty, and that each target, in place or on the
// heap, is copied, moved and destroyed exactly as often as its owners say (a shared_ptr captured
// by the target counts its owners; the sanitized build catches a target freed twice or never).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "common/callback.h"

namespace quillet {
namespace {

int Twice(int x) { return 2 * x; }

TEST(Callback, IsEmptyExactlyWhenMadeFromNothing) {
  int (*none)(int) = nullptr;
  int (*twice)(int) = &Twice;
  const struct {
    const char* what;
    Callback<int(int)> callback;
    bool empty;
  } cases[] = {
      {"default", Callback<int(int)>(), true},
      {"nullptr", nullptr, true},
      {"null function pointer", none, true},
      {"empty std::function", std::function<int(int)>(), true},
      {"empty Callback of another signature", Callback<short(long)>(), true},
      {"function pointer", twice, false},
      {"lambda", [](int x) { return x; }, false},
      {"std::function", std::function<int(int)>(&Twice), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!c.callback, c.empty) << c.what;
    EXPECT_EQ(c.callback == nullptr, c.empty) << c.what;
    if (c.empty) {
      EXPECT_THROW(c.callback(1), std::bad_function_call) << c.what;
    }
  }
}

TEST(Callback, OwnsItsTargetAsOftenAsItIsCopied) {
  auto counted = std::make_shared<int>(5);
  std::string tail(40, 'x');  // a target on the heap; [p] alone is kept in place
  auto onHeap = [counted, tail](int x) { return x + *counted + static_cast<int>(tail.size()); };
  int calls = 0;
  auto inPlace = [&calls](int x) { return x + ++calls; };
  Callback<int(int)> a = onHeap;
  EXPECT_EQ(counted.use_count(), 3);  // the lambda, a's copy of it
  Callback<int(int)> b = a;            // copied: one owner more
  EXPECT_EQ(counted.use_count(), 4);
  Callback<int(int)> c = std::move(b);  // moved: no owner more, b empty
  EXPECT_FALSE(b);
  EXPECT_EQ(counted.use_count(), 4);
  EXPECT_EQ(c(1), 1 + 5 + 40);
  c = a;  // assigned a copy over a copy
  EXPECT_EQ(counted.use_count(), 4);
  c = inPlace;  // the copy on the heap is destroyed
  EXPECT_EQ(counted.use_count(), 3);
  EXPECT_EQ(c(1), 2);
  Callback<int(int)> d = c;  // both call the same captured reference
  EXPECT_EQ(d(1), 3);
  Callback<int(int)>& same = c;
  c = std::move(same);  // a move onto itself keeps the target
  EXPECT_EQ(c(0), 3);
  a = nullptr;
  EXPECT_EQ(counted.use_count(), 2);
  Callback<int(int)> e = onHeap;
  a.swap(e);
  EXPECT_FALSE(e);
  EXPECT_EQ(a(0), 45);
}

TEST(Callback, PassesArgumentsAndResultsAsDeclared) {
  Callback<std::string(std::string, int&)> append = [](std::string text, int& count) {
    ++count;
    return text + "!";
  };
  int count = 0;
  EXPECT_EQ(append("a", count), "a!");
  EXPECT_EQ(count, 1);
  struct Counter {
    int value = 0;
    int Add(int by) { return value += by; }
  } counter;
  Callback<long(Counter&, int)> add = &Counter::Add;  // a member function, called as std::invoke does
  EXPECT_EQ(add(counter, 3), 3L);
}

}  // namespace
}  // namespace quillet
