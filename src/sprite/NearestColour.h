#pragma once

#include "Palette.h"
#include "Progress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quillet {

// Nearest colour in a palette for single colours, as many as a true-colour
// picture holds: the least sum of absolute component differences, the lowest
// index among equals. Entries below `firstEntry` are never chosen (1 keeps
// the transparent index out), nor those of `excluded`. Not thread-safe: lookups build the
// candidates of the colour cube's cells on first use, so each thread needs its own.
class NearestColour {
public:
    explicit NearestColour(const Palette& dest, int firstEntry = 0);
    NearestColour(const Palette& dest, const IndexSet& excluded);

    // Measures the colour against every entry.
    std::uint8_t scan(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;
    // The same answer, measured only against the entries that can win in the
    // colour's cell.
    std::uint8_t operator()(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    // `count` colours 0xXXRRGGBB (the top byte is ignored) into as many indices.
    void match(const std::uint32_t* colours, std::size_t count, std::uint8_t* indices);

    // The destination's components in separate planes of 16-bit lanes;
    // entries that may not be chosen sit far outside the colour cube.
    struct Planes {
        alignas(16) std::uint16_t red[256];
        alignas(16) std::uint16_t green[256];
        alignas(16) std::uint16_t blue[256];
    };

    // Two candidates of a cell, one in each half of `colours`: blue, green
    // and red clamped into the cell, then the candidate's least distance to
    // the cell less the cell's smallest, then zeros. The sum of absolute
    // differences to a colour's blue, green, red and zeros is then the
    // candidate's distance to it less that smallest (at most 42); `index`
    // holds the palette index in the first byte of each half.
    struct alignas(16) Pair {
        std::uint8_t colours[16];
        std::uint8_t index[16];
    };

private:
    std::uint32_t buildCell(std::uint32_t cell);

    Planes m_planes;
    // Per cell: its first pair << 8 | its number of pairs; 0 until built.
    std::vector<std::uint32_t> m_cells;
    std::vector<Pair> m_pairs;
};

// Row y of a picture: its colours, 0xXXRRGGBB, written to `scratch` (room
// for a row) or found elsewhere. Called from several threads at once, each
// with a scratch of its own.
using ColourRows = std::function<const std::uint32_t*(int y, std::uint32_t* scratch)>;

// A picture's rows through `matcher`, bands of rows shared among the
// processor's cores; helper threads work on copies of it. Row y's `width`
// indices go to indices + y * indexStride. `progress` hears of rows done,
// from the calling thread only, and may cancel.
void matchColours(NearestColour& matcher, const ColourRows& rows, int width, int height,
                  std::uint8_t* indices, std::size_t indexStride,
                  const WorkProgress& progress = {});

} // namespace quillet
