#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillet {

// File contents, frame blocks, headers and pixel streams: one element per byte.
using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

} // namespace quillet
