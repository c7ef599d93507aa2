#pragma once

#include <array>
#include <bitset>
#include <cstdint>

namespace quillet {

// 256 entries of red, green, blue; entry i at bytes 3i, 3i+1, 3i+2.
inline constexpr std::size_t kPaletteBytes = 768;
using Palette = std::array<std::uint8_t, kPaletteBytes>;

// Entry i is the index in a destination palette chosen for entry i of a source palette.
using MapTable = std::array<std::uint8_t, 256>;

// A set of palette entries, bit i for entry i: those matching must leave out
// (the protected ones), those a frame uses.
using IndexSet = std::bitset<256>;

} // namespace quillet
