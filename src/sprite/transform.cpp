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

using Planes = NearestColour::Planes;

// Far enough outside 0..255 that an excluded entry never wins, yet sums of
// three differences still fit the signed 16-bit lanes.
constexpr std::uint16_t kExcluded = 1000;

// The distance of all matching: the sum of absolute component differences.
std::uint32_t distance(const Planes& dest, std::size_t j, std::uint32_t r, std::uint32_t g,
                       std::uint32_t b) {
    const auto diff = [](std::uint32_t x, std::uint32_t y) { return x > y ? x - y : y - x; };
    return diff(dest.red[j], r) + diff(dest.green[j], g) + diff(dest.blue[j], b);
}

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
    for (std::uint32_t j = 0; j < 256; ++j)
        best = std::min(best, distance(dest, j, r, g, b) << 8 | j);
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
    for (std::size_t j = 0; j < 256; ++j)
        exact[j] = colourKey(dest, j);
    const NearestColour nearestOf(dest);
    std::sort(exact.begin(), exact.end());

    MapTable table{};
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint32_t key = colourKey(src, i) & 0xFFFFFF00u;
        const auto hit = std::lower_bound(exact.begin(), exact.end(), key);
        if (hit != exact.end() && (*hit & 0xFFFFFF00u) == key)
            table[i] = static_cast<std::uint8_t>(*hit & 0xFF);
        else
            table[i] = nearestOf.scan(src[3 * i], src[3 * i + 1], src[3 * i + 2]);
    }
    return table;
}

// ---------------------------------------------------------------------------
// Many single colours: the colour cube is cut into regions of 8 x 8 x 8.
// For a region, an entry can only be nearest to some colour in it when its
// least possible distance to the region is at most the smallest greatest
// distance of any entry; those candidates, least possible distance first,
// are measured until the next one cannot even tie.

namespace {

constexpr int kRegionShift = 3;
constexpr std::uint32_t kRegions = 1u << (3 * (8 - kRegionShift));
constexpr std::uint32_t kUnbuilt = UINT32_MAX;
// 2^18 cached colours; a slot holds the colour's remaining 6 bits above its index.
constexpr int kCacheBits = 18;
constexpr std::uint16_t kEmptySlot = 0xFFFF;

std::uint32_t regionOf(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    constexpr int bits = 8 - kRegionShift;
    return (r >> kRegionShift) << (2 * bits) | (g >> kRegionShift) << bits | (b >> kRegionShift);
}

} // namespace

NearestColour::NearestColour(const Palette& dest, int firstEntry)
    : m_firstEntry(std::clamp(firstEntry, 0, 255)) {
    for (std::size_t j = 0; j < 256; ++j) {
        const bool allowed = static_cast<int>(j) >= m_firstEntry;
        m_planes.red[j] = allowed ? dest[3 * j] : kExcluded;
        m_planes.green[j] = allowed ? dest[3 * j + 1] : kExcluded;
        m_planes.blue[j] = allowed ? dest[3 * j + 2] : kExcluded;
    }
}

std::uint8_t NearestColour::scan(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
    return nearest(m_planes, r, g, b);
}

void NearestColour::buildRegion(std::uint32_t region) {
    constexpr int bits = 8 - kRegionShift;
    constexpr std::uint32_t mask = (1u << bits) - 1;
    const std::uint32_t low[3] = {(region >> (2 * bits) & mask) << kRegionShift,
                                  (region >> bits & mask) << kRegionShift,
                                  (region & mask) << kRegionShift};
    const std::uint32_t side = (1u << kRegionShift) - 1;
    // Per axis: the distance from the entry's component to the nearest and
    // the farthest value of the region's range.
    const auto bounds = [&](std::uint32_t v, std::uint32_t lo, std::uint32_t& least,
                            std::uint32_t& most) {
        const std::uint32_t hi = lo + side;
        least += v < lo ? lo - v : v > hi ? v - hi : 0;
        most += std::max(v > lo ? v - lo : lo - v, v > hi ? v - hi : hi - v);
    };
    std::array<std::uint32_t, 256> least{};
    std::uint32_t bound = UINT32_MAX;
    for (int j = m_firstEntry; j < 256; ++j) {
        std::uint32_t most = 0;
        bounds(m_planes.red[j], low[0], least[j], most);
        bounds(m_planes.green[j], low[1], least[j], most);
        bounds(m_planes.blue[j], low[2], least[j], most);
        bound = std::min(bound, most);
    }
    const std::size_t start = m_candidates.size();
    for (int j = m_firstEntry; j < 256; ++j)
        if (least[j] <= bound)
            m_candidates.push_back(least[j] << 8 | static_cast<std::uint32_t>(j));
    std::sort(m_candidates.begin() + static_cast<std::ptrdiff_t>(start), m_candidates.end());
    m_regionStart[region] = static_cast<std::uint32_t>(start);
    m_regionCount[region] = static_cast<std::uint16_t>(m_candidates.size() - start);
}

std::uint8_t NearestColour::operator()(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (m_cache.empty()) {
        m_cache.assign(std::size_t{1} << kCacheBits, kEmptySlot);
        m_regionStart.assign(kRegions, kUnbuilt);
        m_regionCount.assign(kRegions, 0);
    }
    // An odd multiplier is a one-to-one map of 24-bit values that spreads
    // neighbouring colours over the cache.
    const std::uint32_t colour = std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
    const std::uint32_t key = (colour * 0x9E3779u) & 0xFFFFFFu;
    const std::uint32_t slot = key >> (24 - kCacheBits);
    const auto tag = static_cast<std::uint16_t>((key & ((1u << (24 - kCacheBits)) - 1)) << 8);
    const std::uint16_t cached = m_cache[slot];
    if (cached != kEmptySlot && (cached & 0xFF00) == tag)
        return static_cast<std::uint8_t>(cached);

    const std::uint32_t region = regionOf(r, g, b);
    if (m_regionStart[region] == kUnbuilt)
        buildRegion(region);
    const std::uint32_t* candidate = m_candidates.data() + m_regionStart[region];
    const std::uint32_t* end = candidate + m_regionCount[region];
    std::uint32_t best = UINT32_MAX; // distance above index
    for (; candidate != end && (*candidate >> 8) <= (best >> 8); ++candidate) {
        const std::uint32_t j = *candidate & 0xFF;
        best = std::min(best, distance(m_planes, j, r, g, b) << 8 | j);
    }
    m_cache[slot] = static_cast<std::uint16_t>(tag | (best & 0xFF));
    return static_cast<std::uint8_t>(best);
}

} // namespace quillet
