#pragma once

#include "PixelOps.h"

#include <cstdint>

namespace quillet::pixels {

// Indices lifted out of a frame or taken from the clipboard: `width` x
// `height`, row by row in the frame's own order (row 0 at the bottom).
struct Block {
    int width = 0;
    int height = 0;
    Bytes indices;

    bool empty() const { return width <= 0 || height <= 0; }
};

// The pixels of `rect` out of `canvas`, which must hold it.
Block copyBlock(const Canvas& canvas, const Rect& rect);

// Lays `block` onto `canvas` with its first pixel at `at`. What reaches past
// the canvas is cut off, and index 0 leaves the pixel under it, so a block
// pasted anywhere changes no pixel outside itself. Returns the box of the
// canvas it covers (empty when none).
Rect pasteBlock(const Canvas& canvas, const Block& block, Point at);

// Sets the pixels of `rect` inside the canvas to 0; returns that part.
Rect clearRect(const Canvas& canvas, const Rect& rect);

// Pixels added (positive) or taken away (negative) at each side of a frame.
struct Margins {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;

    bool none() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

// The matrix of a `width` x `height` frame (rows bottom up) given `margins`:
// the kept pixels where they were relative to each other, new ones 0. The
// result must be at least one pixel each way. Each kept pixel is copied once.
Bytes withMargins(ByteView pixels, int width, int height, const Margins& margins);

// The margins that cut a frame to its pixels other than index 0; a frame with
// none keeps its bottom-left pixel, so its anchor stays where it was.
Margins trimmedMargins(ByteView pixels, int width, int height);

} // namespace quillet::pixels
