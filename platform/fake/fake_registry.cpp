#include "platform/fake/fake_registry.h"

#include <algorithm>
#include <cstring>

namespace quillet::platform::fake {
namespace {

constexpr std::int32_t kErrorBadPathname = 161;

std::string Fold(const std::string& name) {
  std::string folded = name;
  for (char& ch : folded) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return folded;
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char ch : path) {
    if (ch == '\\') {
      parts.push_back(current);
      current.clear();
    } else {
      current.push_back(ch);
    }
  }
  parts.push_back(current);
  return parts;
}

bool IsStringType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

}  // namespace

FakeRegistry::FakeRegistry() {
  for (RegHandle root = 0x80000000; root <= 0x80000003; ++root) {
    roots_[root] = std::make_unique<Key>();
    roots_[root]->name = kRootNames[root - 0x80000000];
  }
  // Present on every Windows installation.
  Key* run = nullptr;
  Walk(Root(0x80000001), "Software\\Microsoft\\Windows\\CurrentVersion\\Run", true, run);
}

std::unique_ptr<FakeRegistry::Key> FakeRegistry::Copy(const Key& key) {
  auto copy = std::make_unique<Key>();
  copy->name = key.name;
  copy->values = key.values;
  copy->denied = key.denied;
  copy->writable = key.writable;
  for (const auto& [name, subkey] : key.subkeys) copy->subkeys[name] = Copy(*subkey);
  return copy;
}

void FakeRegistry::CopyFrom(const FakeRegistry& other) {
  for (const auto& [handle, root] : other.roots_) roots_[handle] = Copy(*root);
}

FakeRegistry::Key* FakeRegistry::Root(RegHandle root) {
  auto found = roots_.find(root);
  if (found != roots_.end()) return found->second.get();
  auto open = open_.find(root);
  return open == open_.end() ? nullptr : open->second.key;
}

std::int32_t FakeRegistry::Walk(Key* from, const std::string& subKey, bool create, Key*& found) {
  Key* key = from;
  if (key->denied) return kErrorAccessDenied;
  if (!subKey.empty()) {
    for (const std::string& part : Components(subKey)) {
      if (part.empty()) return kErrorBadPathname;  // "a\\\\b" or a leading backslash
      auto next = key->subkeys.find(Fold(part));
      if (next == key->subkeys.end()) {
        if (!create) return kErrorFileNotFound;
        auto made = std::make_unique<Key>();
        made->name = part;
        next = key->subkeys.emplace(Fold(part), std::move(made)).first;
      }
      key = next->second.get();
      if (key->denied) return kErrorAccessDenied;
    }
  }
  found = key;
  return kErrorSuccess;
}

RegHandle FakeRegistry::Register(Key* key, std::uint32_t access) {
  RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = {key, access};
  return handle;
}

std::int32_t FakeRegistry::OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t /*options*/,
                                     std::uint32_t access, RegHandle& key) {
  Key* from = Root(root);
  if (from == nullptr) return kErrorInvalidHandle;
  Key* found = nullptr;
  std::int32_t status = Walk(from, subKey, false, found);
  if (status != kErrorSuccess) return status;
  key = Register(found, access);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CreateKey(RegHandle root, const std::string& subKey, RegHandle& key) {
  Key* from = Root(root);
  if (from == nullptr) return kErrorInvalidHandle;
  Key* found = nullptr;
  std::int32_t status = Walk(from, subKey, true, found);
  if (status != kErrorSuccess) return status;
  key = Register(found, kKeyRead | kKeyWrite);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::QueryValueEx(RegHandle key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                                        std::uint32_t& length) {
  auto open = open_.find(key);
  if (open == open_.end()) return kErrorInvalidHandle;
  if ((open->second.access & 0x0001) == 0) return kErrorAccessDenied;  // KEY_QUERY_VALUE
  auto found = open->second.key->values.find(Fold(name));
  if (found == open->second.key->values.end()) return kErrorFileNotFound;
  const Value& value = found->second;
  auto size = static_cast<std::uint32_t>(value.data.size());
  type = value.type;
  if (data == nullptr) {
    length = size;
    return kErrorSuccess;
  }
  if (size > length) {
    length = size;
    return kErrorMoreData;
  }
  std::copy(value.data.begin(), value.data.end(), data);
  // Non-empty string data without its NUL gets one where there is room; empty data gets none.
  if (IsStringType(value.type) && size > 0 && size < length && value.data.back() != 0) data[size] = 0;
  length = size;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::SetValueEx(RegHandle key, const std::string& name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t count) {
  ++setCalls;
  auto open = open_.find(key);
  if (open == open_.end()) return kErrorInvalidHandle;
  if ((open->second.access & 0x0002) == 0) return kErrorAccessDenied;  // KEY_SET_VALUE
  auto& slot = open->second.key->values[Fold(name)];
  slot.type = type;
  slot.data.assign(data, data + count);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteValue(RegHandle key, const std::string& name) {
  auto open = open_.find(key);
  if (open == open_.end()) return kErrorInvalidHandle;
  if ((open->second.access & 0x0002) == 0) return kErrorAccessDenied;  // KEY_SET_VALUE
  return open->second.key->values.erase(Fold(name)) == 1 ? kErrorSuccess : kErrorFileNotFound;
}

std::int32_t FakeRegistry::CloseKey(RegHandle key) {
  if (roots_.count(key) != 0) return kErrorSuccess;
  return open_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

std::int32_t FakeRegistry::EnumKey(RegHandle key, std::uint32_t index, std::string& name) {
  auto open = open_.find(key);
  Key* from = open != open_.end() ? open->second.key : nullptr;
  if (from == nullptr) {
    auto root = roots_.find(key);
    if (root == roots_.end()) return kErrorInvalidHandle;
    from = root->second.get();
  } else if ((open->second.access & 0x0008) == 0) {
    return kErrorAccessDenied;  // KEY_ENUMERATE_SUB_KEYS
  }
  if (index >= from->subkeys.size()) return kErrorNoMoreItems;
  auto at = from->subkeys.begin();
  std::advance(at, index);
  name = at->second->name;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteKey(RegHandle root, const std::string& subKey) {
  Key* from = Root(root);
  if (from == nullptr) return kErrorInvalidHandle;
  auto cut = subKey.rfind('\\');
  Key* parent = nullptr;
  std::int32_t status = Walk(from, cut == std::string::npos ? "" : subKey.substr(0, cut), false, parent);
  if (status != kErrorSuccess) return status;
  std::string last = cut == std::string::npos ? subKey : subKey.substr(cut + 1);
  if (last.empty()) return kErrorBadPathname;
  auto found = parent->subkeys.find(Fold(last));
  if (found == parent->subkeys.end()) return kErrorFileNotFound;
  if (found->second->denied) return kErrorAccessDenied;
  if (!found->second->subkeys.empty()) return kErrorAccessDenied;  // Windows removes leaves only
  removed_.push_back(std::move(found->second));  // handles still open to it stay valid until closed
  parent->subkeys.erase(found);
  return kErrorSuccess;
}

const FakeRegistry::Key* FakeRegistry::Lookup(const std::string& path) const {
  auto parts = Components(path);
  const Key* key = nullptr;
  for (const auto& [handle, root] : roots_) {
    if (root->name == parts.front()) key = root.get();
  }
  for (std::size_t i = 1; key != nullptr && i < parts.size(); ++i) {
    auto next = key->subkeys.find(Fold(parts[i]));
    key = next == key->subkeys.end() ? nullptr : next->second.get();
  }
  return key;
}

void FakeRegistry::Put(const std::string& path, const std::string& name, std::uint32_t type, const std::string& bytes) {
  auto parts = Components(path);
  auto rootName = parts.front();
  for (auto& [handle, root] : roots_) {
    if (root->name != rootName) continue;
    Key* key = nullptr;
    if (Walk(root.get(), path.size() > rootName.size() ? path.substr(rootName.size() + 1) : "", true, key) !=
        kErrorSuccess) {
      return;  // a path Windows would refuse holds nothing
    }
    key->values[Fold(name)] = {type, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
  }
}

const FakeRegistry::Value* FakeRegistry::Find(const std::string& path, const std::string& name) const {
  const Key* key = Lookup(path);
  if (key == nullptr) return nullptr;
  auto found = key->values.find(Fold(name));
  return found == key->values.end() ? nullptr : &found->second;
}

bool FakeRegistry::KeyExists(const std::string& path) const { return Lookup(path) != nullptr; }

void FakeRegistry::Deny(const std::string& path) {
  auto parts = Components(path);
  for (auto& [handle, root] : roots_) {
    if (root->name != parts.front()) continue;
    Key* key = nullptr;
    if (Walk(root.get(), path.size() > parts.front().size() ? path.substr(parts.front().size() + 1) : "", true, key) ==
        kErrorSuccess) {
      key->denied = true;
    }
  }
}

}  // namespace quillet::platform::fake
