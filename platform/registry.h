#pragma once
// The registry as the settings store uses it: the 8-bit-text entry points, their status codes
// (0 = success) and their buffer rules. Implemented over advapi32 on Windows and in memory on
// the fake platform; one set of contract tests holds both to the same behaviour.
#include <cstdint>
#include <string>
#include <utility>

namespace quillet::platform {

using RegHandle = std::uintptr_t;  // a root handle or an open key; 0 is none

inline constexpr std::uint32_t kKeyRead = 0x20019;   // KEY_READ
inline constexpr std::uint32_t kKeyWrite = 0x20006;  // KEY_WRITE
inline constexpr std::uint32_t kRegSz = 1;           // REG_SZ
inline constexpr std::uint32_t kRegBinary = 3;       // REG_BINARY
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::int32_t kErrorNoMoreItems = 259;

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // Opens an existing subkey ("" is the root itself) with the given access mask.
  virtual std::int32_t OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                                 RegHandle& key) = 0;
  // Opens the subkey, creating every missing level.
  virtual std::int32_t CreateKey(RegHandle root, const std::string& subKey, RegHandle& key) = 0;
  // Copies the value's data to the start of `data` (room for `length` bytes) and adds a NUL
  // after string data when there is room for one. Data longer than `length` fails with
  // kErrorMoreData. `type` receives the stored type; `length` the data's size.
  virtual std::int32_t QueryValueEx(RegHandle key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                                    std::uint32_t& length) = 0;
  // Stores exactly `count` bytes of `data` under the name, with the given type.
  virtual std::int32_t SetValueEx(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                                  std::uint32_t count) = 0;
  // Removes the value; a value that is not there gives kErrorFileNotFound.
  virtual std::int32_t DeleteValue(RegHandle key, const std::string& name) = 0;
  virtual std::int32_t CloseKey(RegHandle key) = 0;
  // The name of the open key's `index`-th subkey (from 0); past the last one kErrorNoMoreItems.
  // The key must be open with read access.
  virtual std::int32_t EnumKey(RegHandle key, std::uint32_t index, std::string& name) = 0;
  // Removes the subkey and its values; a subkey that has subkeys of its own is not removed
  // (as Windows' RegDeleteKey); a missing one gives kErrorFileNotFound.
  virtual std::int32_t DeleteKey(RegHandle root, const std::string& subKey) = 0;
};

// An open key, closed exactly once: by Close() or at the end of its owner's scope.
class RegKey {
 public:
  RegKey() = default;
  RegKey(IRegistry& registry, RegHandle key) : registry_(&registry), key_(key) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept
      : registry_(std::exchange(other.registry_, nullptr)), key_(std::exchange(other.key_, 0)) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Close();
      registry_ = std::exchange(other.registry_, nullptr);
      key_ = std::exchange(other.key_, 0);
    }
    return *this;
  }
  ~RegKey() { Close(); }

  RegHandle get() const { return key_; }
  explicit operator bool() const { return key_ != 0; }
  void Close() noexcept {
    if (registry_ != nullptr && key_ != 0) registry_->CloseKey(key_);
    key_ = 0;
  }

 private:
  IRegistry* registry_ = nullptr;
  RegHandle key_ = 0;
};

}  // namespace quillet::platform
