#pragma once

#include "sprite/DC6Frame.h"

#include <cstdint>

namespace quillet::imaging {

// Where frames stand relative to the sprite's anchor point. A frame's
// bottom-left corner lies at (x offset, y offset) from the anchor, y growing
// downward, so its top-left pixel is at (x offset, y offset - height).
// 64-bit so that any 32-bit offset and size add up without overflow.
struct PlacedBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    std::int64_t right() const { return left + width; }
    std::int64_t bottom() const { return top + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PlacedBox&) const = default;
};

// The frame's box in anchor coordinates.
PlacedBox placedBox(const DC6Frame& frame);

// The smallest box holding every frame's box; empty for an empty list. With
// `withAnchor` it also holds the anchor point (0, 0) itself.
PlacedBox unionBox(const FrameList& frames, bool withAnchor = false);

} // namespace quillet::imaging
