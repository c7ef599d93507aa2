#pragma once

#include "imaging/PictureImport.h"

namespace quillet::imaging::detail {

// Appends the picture's tiles to `frames`: bands of up to 256 rows from the
// top down, tiles of up to 256 columns left to right (the whole picture as
// one frame without options.tile); a tile's row 0 is its lowest row.
void cutTiles(const IndexedPicture& pic, const ImportOptions& options, FrameList& frames);

// The frame of the picture's pixels from (left, top) on, of that size (inside
// the picture), with the picture's colour table as its original palette.
FramePtr cutFrame(const IndexedPicture& pic, int left, int top, int width, int height,
                  const Palette& documentPalette);

} // namespace quillet::imaging::detail
