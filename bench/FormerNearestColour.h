#pragma once

// The nearest-colour matcher that true-colour import used before cells with
// pruned candidate blocks and threads, kept only to compare against: per
// region of 8 x 8 x 8 colours the entries sorted by their least distance,
// measured one at a time until none can tie, behind a cache of answers.

#include "sprite/Palette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace quillet::former {

class NearestColour {
public:
    NearestColour(const Palette& dest, int firstEntry) : m_firstEntry(firstEntry) {
        for (std::size_t j = 0; j < 256; ++j) {
            const bool allowed = static_cast<int>(j) >= firstEntry;
            m_red[j] = allowed ? dest[3 * j] : kExcluded;
            m_green[j] = allowed ? dest[3 * j + 1] : kExcluded;
            m_blue[j] = allowed ? dest[3 * j + 2] : kExcluded;
        }
    }

    std::uint8_t operator()(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        if (m_cache.empty()) {
            m_cache.assign(std::size_t{1} << kCacheBits, kEmptySlot);
            m_regionStart.assign(kRegions, kUnbuilt);
            m_regionCount.assign(kRegions, 0);
        }
        const std::uint32_t colour = std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
        const std::uint32_t key = (colour * 0x9E3779u) & 0xFFFFFFu;
        const std::uint32_t slot = key >> (24 - kCacheBits);
        const auto tag = static_cast<std::uint16_t>((key & ((1u << (24 - kCacheBits)) - 1)) << 8);
        const std::uint16_t cached = m_cache[slot];
        if (cached != kEmptySlot && (cached & 0xFF00) == tag)
            return static_cast<std::uint8_t>(cached);

        const std::uint32_t region =
            (std::uint32_t{r} >> 3) << 10 | (std::uint32_t{g} >> 3) << 5 | (std::uint32_t{b} >> 3);
        if (m_regionStart[region] == kUnbuilt)
            buildRegion(region);
        const std::uint32_t* candidate = m_candidates.data() + m_regionStart[region];
        const std::uint32_t* end = candidate + m_regionCount[region];
        std::uint32_t best = UINT32_MAX;
        for (; candidate != end && (*candidate >> 8) <= (best >> 8); ++candidate) {
            const std::uint32_t j = *candidate & 0xFF;
            best = std::min(best, distance(j, r, g, b) << 8 | j);
        }
        m_cache[slot] = static_cast<std::uint16_t>(tag | (best & 0xFF));
        return static_cast<std::uint8_t>(best);
    }

    // As the former import went through a picture: one lookup per change of colour.
    void match(const std::uint32_t* colours, std::size_t count, std::uint8_t* out) {
        std::uint32_t last = 0;
        std::uint8_t lastIndex = (*this)(0, 0, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t colour = colours[i] & 0xFFFFFF;
            if (colour != last) {
                last = colour;
                lastIndex = (*this)(static_cast<std::uint8_t>(colour >> 16),
                                    static_cast<std::uint8_t>(colour >> 8),
                                    static_cast<std::uint8_t>(colour));
            }
            out[i] = lastIndex;
        }
    }

private:
    static constexpr std::uint16_t kExcluded = 1000;
    static constexpr std::uint32_t kRegions = 1u << 15;
    static constexpr std::uint32_t kUnbuilt = UINT32_MAX;
    static constexpr int kCacheBits = 18;
    static constexpr std::uint16_t kEmptySlot = 0xFFFF;

    static std::uint32_t diff(std::uint32_t x, std::uint32_t y) { return x > y ? x - y : y - x; }
    std::uint32_t distance(std::size_t j, std::uint32_t r, std::uint32_t g, std::uint32_t b) const {
        return diff(m_red[j], r) + diff(m_green[j], g) + diff(m_blue[j], b);
    }

    void buildRegion(std::uint32_t region) {
        const std::uint32_t low[3] = {(region >> 10 & 31) << 3, (region >> 5 & 31) << 3,
                                      (region & 31) << 3};
        const auto bounds = [&](std::uint32_t v, std::uint32_t lo, std::uint32_t& least,
                                std::uint32_t& most) {
            const std::uint32_t hi = lo + 7;
            least += v < lo ? lo - v : v > hi ? v - hi : 0;
            most += std::max(diff(v, lo), diff(v, hi));
        };
        std::array<std::uint32_t, 256> least{};
        std::uint32_t bound = UINT32_MAX;
        for (int j = m_firstEntry; j < 256; ++j) {
            std::uint32_t most = 0;
            bounds(m_red[j], low[0], least[j], most);
            bounds(m_green[j], low[1], least[j], most);
            bounds(m_blue[j], low[2], least[j], most);
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

    std::array<std::uint16_t, 256> m_red{}, m_green{}, m_blue{};
    int m_firstEntry;
    std::vector<std::uint32_t> m_regionStart;
    std::vector<std::uint16_t> m_regionCount;
    std::vector<std::uint32_t> m_candidates;
    std::vector<std::uint16_t> m_cache;
};

} // namespace quillet::former
