#pragma once
// The CRC-32 of zip and PNG (polynomial 0xEDB88320, reflected, starting and ending inverted).
#include <cstdint>
#include <string_view>

namespace quillet {

std::uint32_t Crc32(std::string_view bytes);

}  // namespace quillet
