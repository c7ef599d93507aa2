#pragma once

#include "imaging/sheet/SheetData.h"
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

struct SheetExportOptions {
    int columns = 1;
    // One row per direction, its frames left to right, instead of `columns`
    // (the directions must divide the frames).
    bool rowPerDirection = false;
    int directions = 1;
    // Each frame cut to its box of pixels other than index 0 as drawn; the
    // cell is then the union of those boxes and the anchor.
    bool trim = false;
    // For the data: frames are called "NAME 1", "NAME 2", ..., the picture
    // is `image`, each frame lasts 1000 / framesPerSecond ms.
    std::string name;
    std::string image;
    int framesPerSecond = 25;
};

// A sheet made in memory, to be written where its caller names the file.
struct SheetFiles {
    SheetLayout layout;
    Bytes png;
    SheetData data;
};

// Every frame into one palette PNG, left to right and top down in equal
// cells. Each cell is the union of all frames' boxes and the anchor, and each
// frame stands in its cell where its offsets put it, so the anchor is at the
// same spot in every cell. Index 0 is transparent and fills the rest. The
// data says where each frame lies, one tag per direction when they divide
// the frames, and the anchor. Throws QuilletError (no frames, columns below
// 1, directions that do not divide the frames, a sheet larger than a
// picture may be).
SheetFiles makeSheet(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
                     const SheetExportOptions& options);

// The PNG of makeSheet in `columns` columns, written to `path`.
SheetLayout exportSheet(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
                        int columns, const QString& path);

} // namespace quillet::imaging
