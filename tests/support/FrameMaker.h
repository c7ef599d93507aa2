#pragma once

// Frames for the drawing tests: a size, offsets and a pixel per position.

#include "sprite/DC6Frame.h"
#include "support/SpriteTestSupport.h"

#include <functional>

namespace quillet::testing {

// Never index 0, different in every pixel of a small frame.
inline std::uint8_t solidPixel(int column, int row) {
    return static_cast<std::uint8_t>(1 + (column * 13 + row * 7) % 250);
}

// Pixel (column, stored row) is `pixel(column, row)`; the new palette is
// distinctPalette().
inline FramePtr frameOf(int width, int height, int x = 0, int y = 0,
                        const std::function<std::uint8_t(int, int)>& pixel = solidPixel) {
    Bytes pixels(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels[static_cast<std::size_t>(row) * width + column] = pixel(column, row);
    FramePtr frame = makeFrame(width, height, pixels, x, y);
    frame->setNewPalette(distinctPalette());
    return frame;
}

} // namespace quillet::testing
