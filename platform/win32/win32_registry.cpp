#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <vector>

namespace quillet::platform::win32 {
namespace {

// Predefined roots are 32-bit values that Windows sign-extends into a handle.
HKEY AsKey(RegHandle handle) {
  if (handle >= 0x80000000u && handle <= 0x800000FFu) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<DWORD>(handle))));
  }
  return reinterpret_cast<HKEY>(handle);
}

RegHandle AsHandle(HKEY key) { return reinterpret_cast<RegHandle>(key); }

}  // namespace

std::int32_t Win32Registry::OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                                      std::uint32_t access, RegHandle& key) {
  HKEY opened = nullptr;
  LONG status = RegOpenKeyExA(AsKey(root), subKey.c_str(), options, access, &opened);
  if (status == ERROR_SUCCESS) key = AsHandle(opened);
  return status;
}

std::int32_t Win32Registry::CreateKey(RegHandle root, const std::string& subKey, RegHandle& key) {
  HKEY created = nullptr;
  LONG status = RegCreateKeyA(AsKey(root), subKey.c_str(), &created);
  if (status == ERROR_SUCCESS) key = AsHandle(created);
  return status;
}

std::int32_t Win32Registry::QueryValueEx(RegHandle key, const std::string& name, std::uint32_t& type,
                                         std::uint8_t* data, std::uint32_t& length) {
  DWORD valueType = type;
  DWORD size = length;
  LONG status = RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &valueType, data, &size);
  type = valueType;
  length = size;
  return status;
}

std::int32_t Win32Registry::SetValueEx(RegHandle key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t count) {
  // RegSetValueExA stores one byte more, the NUL, when the byte after the counted string data
  // is a NUL. Handing it a copy whose next byte is not a NUL stores exactly `count` bytes.
  std::vector<BYTE> copy(data, data + count);
  copy.push_back('x');
  return RegSetValueExA(AsKey(key), name.c_str(), 0, type, copy.data(), count);
}

std::int32_t Win32Registry::DeleteValue(RegHandle key, const std::string& name) {
  return RegDeleteValueA(AsKey(key), name.c_str());
}

std::int32_t Win32Registry::CloseKey(RegHandle key) { return RegCloseKey(AsKey(key)); }

std::int32_t Win32Registry::EnumKey(RegHandle key, std::uint32_t index, std::string& name) {
  char buffer[256] = {};  // a key's name has at most 255 characters
  DWORD size = sizeof buffer;
  LONG status = RegEnumKeyExA(AsKey(key), index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name.assign(buffer, size);
  return status;
}

std::int32_t Win32Registry::DeleteKey(RegHandle root, const std::string& subKey) {
  return RegDeleteKeyA(AsKey(root), subKey.c_str());
}

}  // namespace quillet::platform::win32
