#pragma once
// Unpacking one block in LZ4's block format (no frame, no checksum): the format the build packs
// the message catalogs in (tools/messages.py), small to carry and quick to unpack.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// The `size` bytes the block holds; nullopt when it is damaged, cut short, or holds another size.
std::optional<std::string> UnpackLz4Block(std::string_view block, std::size_t size);

}  // namespace quillet
