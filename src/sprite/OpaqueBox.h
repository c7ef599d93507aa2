#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

// A box of pixels, columns from the left and rows from the top; empty when
// it holds none.
struct PixelBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelBox&) const = default;
};

// The smallest box holding every pixel other than index 0 among `width` x
// `height` pixels whose row y (from the top) starts at first + y * stride;
// a negative stride reads rows stored bottom up, as a frame's are. Empty when
// every pixel is 0. A row is read only up to its first and from its last
// non-zero pixel, so sprites on wide transparent borders cost little.
PixelBox opaqueBox(const std::uint8_t* first, std::ptrdiff_t stride, int width, int height);

} // namespace quillet
