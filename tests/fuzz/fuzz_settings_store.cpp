// The settings store over a registry holding arbitrary bytes under arbitrary paths and names.
#include <cstdlib>

#include "common/codepage.h"
#include "platform/fake/fake_registry.h"
#include "settings/registry_path.h"
#include "settings/settings_store.h"
#include "tests/fuzz/fuzz_input.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  platform::fake::FakeRegistry registry;
  SettingsStore settings(registry);
  settings.SetAppTitle(input.Byte() % 8 == 0 ? u"" : u"Quillet");

  // A few stored values: either under the application key or under a path of the input's.
  for (int i = input.Byte() % 4; i >= 0 && !input.empty(); --i) {
    std::string path =
        input.Byte() % 2 == 0 ? "HKEY_CURRENT_USER\\Software\\Velmora\\Quillet" : "HKEY_CURRENT_USER\\" + input.Bytes();
    std::string name = input.Bytes();
    std::uint32_t type = input.Byte() % 12;
    registry.Put(path, name, type, input.Bytes());
  }
  std::u16string path = input.Text16();
  std::u16string name = input.Text16();

  std::u16string split = path;
  platform::RegHandle root = registry_path::SplitKeyPath(split);
  bool refused = path.substr(0, 5) != u"HKEY_" || (!path.empty() && path.back() == u'\\');
  if (refused && (root != 0 || split != path)) std::abort();
  if (root != 0 && path.size() > split.size() && path.substr(path.size() - split.size()) != split) std::abort();

  auto read = registry_path::ReadKeyValue(registry, path, name);
  if (read && read->size() > 254) std::abort();
  if (refused && read) std::abort();  // a refused path reads as nothing
  std::u16string value = settings.Get(name, u"default");
  if (value.empty() || value == u"Error" || value.size() > 254) std::abort();

  registry_path::WriteKeyValue(registry, path, name, input.Text16());
  settings.Save(name, input.Text16());
  if (registry.OpenKeys() != 0) std::abort();  // every key opened is closed
  return 0;
}
