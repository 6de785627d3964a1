#pragma once
#include "platform/registry.h"

namespace quillet::platform::win32 {

// The registry over advapi32's 8-bit-text entry points.
class Win32Registry : public IRegistry {
 public:
  std::int32_t OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                         RegHandle& key) override;
  std::int32_t CreateKey(RegHandle root, const std::string& subKey, RegHandle& key) override;
  std::int32_t QueryValueEx(RegHandle key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                            std::uint32_t& length) override;
  std::int32_t SetValueEx(RegHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t count) override;
  std::int32_t DeleteValue(RegHandle key, const std::string& name) override;
  std::int32_t CloseKey(RegHandle key) override;
  std::int32_t EnumKey(RegHandle key, std::uint32_t index, std::string& name) override;
  std::int32_t DeleteKey(RegHandle root, const std::string& subKey) override;
};

}  // namespace quillet::platform::win32
