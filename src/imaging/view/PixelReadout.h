#pragma once

#include "FrameView.h"
#include "sprite/PixelOps.h"

#include <QPoint>
#include <QString>
#include <bitset>
#include <cstdint>
#include <optional>

namespace quillet::imaging {

// The pixel of a view's current frame that lies under a point of the preview.
struct PixelReadout {
    int x = 0; // column in the frame, from the left
    int y = 0; // row in the frame, from the top row as picture editors count
    // From the anchor point, y growing downward: the frame's bottom-left
    // corner stands at its offsets.
    std::int64_t anchorX = 0;
    std::int64_t anchorY = 0;
    std::uint8_t index = 0; // as drawn
    QRgb colour = 0;        // in the palette the frame is drawn in
};

// The pixel under `point` of `view` shown enlarged `zoom` times, `point`
// counted from the picture's top-left corner; nothing where the current
// frame is not (background, the rest of an aligned view, outside the picture).
std::optional<PixelReadout> pixelAt(const ViewImage& view, int zoom, QPoint point);

// The same pixel as pixelAt names, as a column and stored row of the frame's
// matrix, wherever `point` is: the tools draw lines that leave the frame.
// Points further than 2^24 pixels out are pulled in to that distance, where
// nothing is drawn either.
pixels::Point framePointAt(const ViewImage& view, int zoom, QPoint point);
// Where the frame's pixels of `box` stand in `view.image`, as far as they are
// in it; the way back from framePointAt.
QRect viewRectOf(const ViewImage& view, const pixels::Rect& box);

// "x 12, y 40 | anchor -36, -4 | index 137 #a05030"
QString readoutText(const PixelReadout& pixel);
// "index 137 #a05030"
QString entryText(std::uint8_t index, QRgb colour);

// Which palette entries `indices` use.
std::bitset<256> usedIndices(const Bytes& indices);

} // namespace quillet::imaging
