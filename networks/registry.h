#pragma once
// Every kind of network the program knows, in the order the account dialog lists them. Adding a
// kind: a folder under networks/ with its Network, and one line in registry.cpp.
#include <span>
#include <string_view>

#include "networks/network.h"

namespace quillet {

// The kinds, first the one an account without an "Api" value is.
std::span<const Network* const> Networks();
// The kind a stored "Api" value chooses (without regard to case); the first for any other value.
const Network& NetworkNamed(std::u16string_view api);
// The kind that signs in through the browser (the first whose fields show "Sign in...").
const Network& NetworkSigningIn();
// The kind an account's values choose.
const Network& NetworkOf(SettingsStore& account);
// Lists one kind more, after the program's own (once, however often it is called), until it is
// removed: a kind that lives elsewhere, like the tests' own.
void AddNetwork(const Network& network);
void RemoveNetwork(const Network& network);

}  // namespace quillet
