#pragma once
// Unpacking a raw LZMA stream (no container: one byte of properties, lc + 9 * lp + 45 * pb, then
// the range coder's bytes): the format the build packs the message catalogs in
// (tools/messages.py), a quarter smaller than zlib's over the same bytes.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// The first `size` bytes the stream holds (an end marker after them is not read); nullopt when it
// is damaged or cut short, or ends before `size` bytes.
std::optional<std::string> UnpackLzma(std::string_view stream, std::size_t size);

}  // namespace quillet
