#pragma once

#include "sprite/Bytes.h"

#include <cstdint>

namespace quillet::imaging {

// An 8-bit picture of palette indices: `height` rows of `width` bytes, top
// row first, or bottom row first when `bottomUp` (a frame's own order).
struct IndexedRows {
    std::int64_t width = 0;
    std::int64_t height = 0;
    ByteView indices;
    bool bottomUp = false;

    // Row `y` counted from the top, however the rows are stored.
    const std::uint8_t* topRow(std::int64_t y) const {
        const std::int64_t stored = bottomUp ? height - 1 - y : y;
        return indices.data() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(width);
    }
};

} // namespace quillet::imaging
