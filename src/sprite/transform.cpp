#include "transform.h"

#include <cstdlib>

namespace quillet {

MapTable transform::Map(const Palette& src, const Palette& dest) const {
    MapTable table{};
    for (std::size_t i = 0; i < 256; ++i) {
        const int r = src[3 * i], g = src[3 * i + 1], b = src[3 * i + 2];
        int bestDistance = 1000; // above the largest possible distance, 765
        std::size_t best = 0;
        for (std::size_t j = 0; j < 256; ++j) {
            const int d = std::abs(dest[3 * j] - r) + std::abs(dest[3 * j + 1] - g) +
                          std::abs(dest[3 * j + 2] - b);
            // Strictly less: among equal distances the lowest index stays.
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
        }
        table[i] = static_cast<std::uint8_t>(best);
    }
    return table;
}

} // namespace quillet
