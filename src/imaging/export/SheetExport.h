#pragma once

#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>

namespace quillet::imaging {

// How a sprite sheet was laid out, for reading it back with the same grid.
struct SheetLayout {
    QSize cell;
    int columns = 0;
    int rows = 0;
    QPoint anchor; // the anchor point in every cell, from the cell's top-left
};

// Writes every frame into one palette PNG, left to right and top down in
// `columns` columns of equal cells. Each cell is the union of all frames'
// boxes and the anchor, and each frame stands in its cell where its offsets
// put it, so the anchor is at the same spot in every cell. Index 0 is
// transparent and fills the rest. Throws QuilletError (no frames, columns
// below 1, a sheet larger than a picture may be).
SheetLayout exportSheet(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
                        int columns, const QString& path);

} // namespace quillet::imaging
