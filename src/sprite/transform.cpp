#include "transform.h"

#include <algorithm>
#include <cstdint>

namespace quillet {

namespace {

// 24-bit colour above 8 bits of index: sorting these puts equal colours
// together, lowest index first.
std::uint32_t colourKey(const Palette& pal, std::size_t i) {
    return std::uint32_t{pal[3 * i]} << 24 | std::uint32_t{pal[3 * i + 1]} << 16 |
           std::uint32_t{pal[3 * i + 2]} << 8 | static_cast<std::uint32_t>(i);
}

} // namespace

MapTable transform::Map(const Palette& src, const Palette& dest, const IndexSet& excluded) const {
    // Nearest colour by the sum of absolute differences; ties go to the lowest
    // destination index, entry 0 included. An exact match always wins (distance
    // 0, lowest index first), so those are found by search and only the rest
    // are measured against all 256 entries.
    // With nothing left to choose, nothing is left out.
    const IndexSet left = excluded.all() ? IndexSet() : excluded;
    std::array<std::uint32_t, 256> exact;
    std::size_t entries = 0;
    for (std::size_t j = 0; j < 256; ++j)
        if (!left[j])
            exact[entries++] = colourKey(dest, j);
    const NearestColour nearestOf(dest, left);
    std::sort(exact.begin(), exact.begin() + static_cast<std::ptrdiff_t>(entries));
    const auto end = exact.begin() + static_cast<std::ptrdiff_t>(entries);

    MapTable table{};
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint32_t key = colourKey(src, i) & 0xFFFFFF00u;
        const auto hit = std::lower_bound(exact.begin(), end, key);
        if (hit != end && (*hit & 0xFFFFFF00u) == key)
            table[i] = static_cast<std::uint8_t>(*hit & 0xFF);
        else
            table[i] = nearestOf.scan(src[3 * i], src[3 * i + 1], src[3 * i + 2]);
    }
    return table;
}

} // namespace quillet
