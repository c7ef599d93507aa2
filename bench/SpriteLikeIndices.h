#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace quillet::bench {

// Noise over runs of a few pixels: sprites are neither flat nor pure noise,
// and noise alone would make the GIF case the decoder's worst.
inline std::vector<std::uint32_t> spriteLikeIndices(int side, std::uint32_t colours) {
    std::mt19937 rng(2048);
    const std::size_t total = static_cast<std::size_t>(side) * side;
    std::vector<std::uint32_t> out;
    out.reserve(total);
    while (out.size() < total) {
        const std::uint32_t v = rng() % colours;
        for (std::uint32_t n = 1 + rng() % 6; n > 0 && out.size() < total; --n)
            out.push_back(v);
    }
    return out;
}

} // namespace quillet::bench
