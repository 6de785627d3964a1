#pragma once
// An in-memory registry with Windows' rules: key and value names without regard to case,
// several levels created at once, the query's buffer behaviour, and data stored exactly as
// counted (a NUL only where the data holds one).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quillet::platform::fake {

class FakeRegistry : public IRegistry {
 public:
  FakeRegistry();
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

  // Test side. Paths are "HKEY_CURRENT_USER\\Software\\...".
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  void Put(const std::string& path, const std::string& name, std::uint32_t type, const std::string& bytes);
  const Value* Find(const std::string& path, const std::string& name) const;
  bool KeyExists(const std::string& path) const;
  // Refuses every open and create of the key and its subkeys with "access denied".
  void Deny(const std::string& path);
  // Every key and value as `other` holds them, as a new run of the program finds the registry an
  // earlier one left (no key may be open).
  void CopyFrom(const FakeRegistry& other);
  std::size_t OpenKeys() const { return open_.size(); }
  int setCalls = 0;

 private:
  struct Key {
    std::string name;
    std::map<std::string, Value> values;                  // by folded name
    std::map<std::string, std::unique_ptr<Key>> subkeys;  // by folded name
    bool denied = false;
    bool writable = true;
  };
  struct Open {
    Key* key;
    std::uint32_t access;
  };
  static std::unique_ptr<Key> Copy(const Key& key);
  Key* Root(RegHandle root);
  const Key* Lookup(const std::string& path) const;
  std::int32_t Walk(Key* from, const std::string& subKey, bool create, Key*& found);
  RegHandle Register(Key* key, std::uint32_t access);

  std::map<RegHandle, std::unique_ptr<Key>> roots_;
  std::map<RegHandle, Open> open_;
  std::vector<std::unique_ptr<Key>> removed_;  // deleted keys that open handles may still name
  RegHandle nextHandle_ = 0x1000;
};

}  // namespace quillet::platform::fake
