// The fake platform, for the contract tests on Linux.
#include "platform/fake/fake_registry.h"
#include "tests/contract/contract_platform.h"

namespace quillet::contract {

std::unique_ptr<platform::IRegistry> MakeRegistry() { return std::make_unique<platform::fake::FakeRegistry>(); }

void PutRawValue(platform::IRegistry& registry, const std::string& subKey, const std::string& name, std::uint32_t type,
                 const std::string& bytes) {
  static_cast<platform::fake::FakeRegistry&>(registry).Put("HKEY_CURRENT_USER\\" + subKey, name, type, bytes);
}

}  // namespace quillet::contract
