#pragma once
// The platform under test: the fake on Linux, the real Windows services under Wine. The same
// contract tests run against both.
#include <memory>

#include "platform/registry.h"

namespace quillet::contract {

std::unique_ptr<platform::IRegistry> MakeRegistry();

// Stores `bytes` under HKEY_CURRENT_USER\<subKey> with the given type, bypassing the interface
// (for values the program itself never writes).
void PutRawValue(platform::IRegistry& registry, const std::string& subKey, const std::string& name, std::uint32_t type,
                 const std::string& bytes);

}  // namespace quillet::contract
