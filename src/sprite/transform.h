#pragma once

#include "Palette.h"

#include <cstdint>
#include <vector>

namespace quillet {

// Nearest-colour matching between two palettes (sum of absolute component
// differences; ties go to the lowest destination index, index 0 included).
class transform {
public:
    MapTable Map(const Palette& src, const Palette& dest) const;
};

// The same matching for single colours, as many as a true-colour picture
// holds: entries below `firstEntry` are never chosen (1 keeps the transparent
// index out). Not thread-safe: lookups fill a cache.
class NearestColour {
public:
    explicit NearestColour(const Palette& dest, int firstEntry = 0);

    // Measures the colour against every entry.
    std::uint8_t scan(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;
    // The same answer, measured only against the entries that can win in the
    // colour's region of the colour cube (lists built on first use).
    std::uint8_t operator()(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    // The destination's components in separate planes of 16-bit lanes;
    // entries that may not be chosen sit far outside the colour cube.
    struct Planes {
        alignas(16) std::uint16_t red[256];
        alignas(16) std::uint16_t green[256];
        alignas(16) std::uint16_t blue[256];
    };

private:
    void buildRegion(std::uint32_t region);

    Planes m_planes;
    int m_firstEntry;
    // Per region: where its candidates start in m_candidates, or kUnbuilt.
    std::vector<std::uint32_t> m_regionStart;
    std::vector<std::uint16_t> m_regionCount;
    // Candidates of a region, nearest possible distance first: each entry is
    // that bound above the palette index.
    std::vector<std::uint32_t> m_candidates;
    // Recent answers by colour: tag above index, kEmptySlot when unused.
    std::vector<std::uint16_t> m_cache;
};

} // namespace quillet
