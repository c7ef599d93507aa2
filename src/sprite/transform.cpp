#include "transform.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLET_MAP_SSE2 1
#endif

namespace quillet {

namespace {

// 24-bit colour above 8 bits of index: sorting these puts equal colours
// together, lowest index first.
std::uint32_t colourKey(const Palette& pal, std::size_t i) {
    return std::uint32_t{pal[3 * i]} << 24 | std::uint32_t{pal[3 * i + 1]} << 16 |
           std::uint32_t{pal[3 * i + 2]} << 8 | static_cast<std::uint32_t>(i);
}

// The destination's components in separate planes of 16-bit lanes.
struct Planes {
    alignas(16) std::uint16_t red[256];
    alignas(16) std::uint16_t green[256];
    alignas(16) std::uint16_t blue[256];
};

#ifdef QUILLET_MAP_SSE2

std::uint8_t nearest(const Planes& dest, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    const __m128i sr = _mm_set1_epi16(static_cast<short>(r));
    const __m128i sg = _mm_set1_epi16(static_cast<short>(g));
    const __m128i sb = _mm_set1_epi16(static_cast<short>(b));
    // |x - y| of unsigned lanes: one of the two saturated differences is 0.
    const auto absDiff = [](__m128i x, __m128i y) {
        return _mm_or_si128(_mm_subs_epu16(x, y), _mm_subs_epu16(y, x));
    };
    __m128i distance[32];
    __m128i best = _mm_set1_epi16(1000); // above the largest possible distance, 765
    for (int k = 0; k < 32; ++k) {
        const auto* red = reinterpret_cast<const __m128i*>(dest.red) + k;
        const auto* green = reinterpret_cast<const __m128i*>(dest.green) + k;
        const auto* blue = reinterpret_cast<const __m128i*>(dest.blue) + k;
        distance[k] = _mm_add_epi16(
            _mm_add_epi16(absDiff(_mm_load_si128(red), sr), absDiff(_mm_load_si128(green), sg)),
            absDiff(_mm_load_si128(blue), sb));
        best = _mm_min_epi16(best, distance[k]); // distances stay far below 2^15
    }
    // Spread the smallest lane to all lanes, then take the first entry holding it.
    best = _mm_min_epi16(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
    best = _mm_min_epi16(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
    best = _mm_min_epi16(best, _mm_shufflelo_epi16(_mm_shufflehi_epi16(best, 0xB1), 0xB1));
    for (int k = 0; k < 32; ++k) {
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(distance[k], best));
        if (mask != 0) {
            int lane = 0;
            while ((mask & (1 << (2 * lane))) == 0)
                ++lane;
            return static_cast<std::uint8_t>(8 * k + lane);
        }
    }
    return 0; // not reached: some lane holds the minimum
}

#else

std::uint8_t nearest(const Planes& dest, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    // Distance above index in one word: the smallest word is the nearest
    // colour, and among equal distances the lowest index.
    std::uint32_t best = UINT32_MAX;
    for (std::uint32_t j = 0; j < 256; ++j) {
        const std::uint32_t dr = dest.red[j] > r ? dest.red[j] - r : r - dest.red[j];
        const std::uint32_t dg = dest.green[j] > g ? dest.green[j] - g : g - dest.green[j];
        const std::uint32_t db = dest.blue[j] > b ? dest.blue[j] - b : b - dest.blue[j];
        best = std::min(best, (dr + dg + db) << 8 | j);
    }
    return static_cast<std::uint8_t>(best & 0xFF);
}

#endif

} // namespace

MapTable transform::Map(const Palette& src, const Palette& dest) const {
    // Nearest colour by the sum of absolute differences; ties go to the lowest
    // destination index, entry 0 included. An exact match always wins (distance
    // 0, lowest index first), so those are found by search and only the rest
    // are measured against all 256 entries.
    std::array<std::uint32_t, 256> exact;
    Planes planes;
    for (std::size_t j = 0; j < 256; ++j) {
        exact[j] = colourKey(dest, j);
        planes.red[j] = dest[3 * j];
        planes.green[j] = dest[3 * j + 1];
        planes.blue[j] = dest[3 * j + 2];
    }
    std::sort(exact.begin(), exact.end());

    MapTable table{};
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint32_t key = colourKey(src, i) & 0xFFFFFF00u;
        const auto hit = std::lower_bound(exact.begin(), exact.end(), key);
        if (hit != exact.end() && (*hit & 0xFFFFFF00u) == key)
            table[i] = static_cast<std::uint8_t>(*hit & 0xFF);
        else
            table[i] = nearest(planes, src[3 * i], src[3 * i + 1], src[3 * i + 2]);
    }
    return table;
}

} // namespace quillet
