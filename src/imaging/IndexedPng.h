#pragma once

#include "sprite/Bytes.h"
#include "sprite/Palette.h"

#include <cstdint>

namespace quillet::imaging {

// An 8-bit picture of palette indices: `height` rows of `width` bytes, top
// row first, or bottom row first when `bottomUp` (a frame's own order).
struct IndexedRows {
    std::int64_t width = 0;
    std::int64_t height = 0;
    ByteView indices;
    bool bottomUp = false;
};

// The picture as an 8-bit palette PNG: the whole palette as its colour table,
// index 0 fully transparent (a one-entry tRNS chunk), every other entry opaque.
// Throws QuilletError for an empty or short picture or a failing encoder.
Bytes encodeIndexedPng(const IndexedRows& picture, const Palette& palette);

} // namespace quillet::imaging
