// The real Windows services, for the contract tests under Wine.
#include <windows.h>

#include "platform/win32/win32_registry.h"
#include "tests/contract/contract_platform.h"

namespace quillet::contract {

std::unique_ptr<platform::IRegistry> MakeRegistry() { return std::make_unique<platform::win32::Win32Registry>(); }

void PutRawValue(platform::IRegistry&, const std::string& subKey, const std::string& name, std::uint32_t type,
                 const std::string& bytes) {
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, subKey.c_str(), &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

}  // namespace quillet::contract
