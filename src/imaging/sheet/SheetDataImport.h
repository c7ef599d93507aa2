#pragma once

#include "SheetData.h"
#include "imaging/PictureImport.h"

#include <QString>
#include <optional>
#include <string>

namespace quillet::imaging {

// The data file at `path` (at most kMaxSheetDataBytes), read as readSheetJson reads it.
SheetData readSheetDataFile(const std::string& path);

// The picture the data names, found from the data file's folder. Throws
// QuilletError when the data names none.
QString sheetPicturePath(const QString& dataPath, const SheetData& data);

// Throws QuilletError naming the first frame whose rectangle does not lie on
// the picture, or when the frames would hold more pixels than a sprite may.
void checkSheetFrames(const IndexedPicture& sheet, const SheetData& data);

// The anchor in a frame's cell without one in the data: the bottom centre.
SheetPoint defaultSheetAnchor(const SheetDataFrame& frame);

// One frame per entry of the data, in its order, cut from its rectangle of
// the picture (checked first, as above). Offsets put the anchor point where
// the data's anchor slice says, else at `anchor` in every cell, else at the
// bottom centre of each cell: x offset = spriteSourceSize.x - anchor x,
// y offset = spriteSourceSize.y + spriteSourceSize.h - anchor y.
FrameList cutSheetFrames(const IndexedPicture& sheet, const SheetData& data,
                         const std::optional<SheetPoint>& anchor, const Palette& documentPalette);

} // namespace quillet::imaging
