#pragma once
// The COM apartment of the calling thread (single-threaded), entered on first need and left when
// its owner goes. COM lives in ole32, loaded at the first Enter: a program that never needs COM
// never loads it.
namespace quillet::platform::win32 {

class ComApartment {
 public:
  ComApartment() = default;
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();

  // Enters it once; false when COM cannot be had. An apartment of another kind that the thread
  // is already in serves as well (true, and nothing to leave).
  bool Enter();

 private:
  bool entered_ = false, leave_ = false;
};

}  // namespace quillet::platform::win32
