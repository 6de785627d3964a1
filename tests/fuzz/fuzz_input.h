#pragma once
// Turns a fuzzer's bytes into the values the targets need.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  std::uint8_t Byte() { return empty() ? 0 : data_[position_++]; }
  // A text of 16-bit characters, two bytes each, up to a length given by the next byte
  // (or the rest of the input with `rest`).
  std::u16string Text16(bool rest = false) {
    std::size_t length = rest ? (size_ - position_) / 2 : Byte();
    std::u16string text;
    for (std::size_t i = 0; i < length && position_ + 1 < size_; ++i) {
      text.push_back(static_cast<char16_t>(data_[position_] | (data_[position_ + 1] << 8)));
      position_ += 2;
    }
    return text;
  }
  // Bytes up to a length given by the next two bytes.
  std::string Bytes() {
    std::size_t length = Byte() | (Byte() << 8);
    std::string bytes;
    while (bytes.size() < length && !empty()) bytes.push_back(static_cast<char>(Byte()));
    return bytes;
  }
  std::string Rest() {
    std::string bytes(reinterpret_cast<const char*>(data_ + position_), size_ - position_);
    position_ = size_;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace quillet::fuzz
