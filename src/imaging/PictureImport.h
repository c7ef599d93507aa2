#pragma once

#include "sprite/Bytes.h"
#include "sprite/DC6Frame.h"
#include "sprite/Limits.h"
#include "sprite/Progress.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <string>
#include <vector>

namespace quillet::imaging {

// Pictures larger than this are rejected before their pixels are decoded.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// Caps checked before a picture's pixels exist. The defaults suit the editor;
// callers that must bound time and memory more tightly (fuzzing) lower them.
// For an animated GIF they hold for all its composed images together.
struct ImportLimits {
    int maxSide = kMaxPictureSide;
    std::int64_t maxPixels = kMaxPicturePixels;
};

// The limits narrowed to what one frame may hold, for a picture taken whole
// as one frame (tile = false): one too large is refused before its pixels
// are decoded.
inline ImportLimits oneFrameLimits() {
    ImportLimits frame;
    frame.maxSide = static_cast<int>(std::min<std::int64_t>(frame.maxSide, limits::kMaxFrameSide));
    frame.maxPixels = std::min(frame.maxPixels, limits::kMaxFramePixels);
    return frame;
}

struct ImportOptions {
    // The palette frames are drawn with: true-colour pictures are reduced
    // into it, and every frame gets it as its new palette.
    Palette documentPalette{};
    // True colour through error diffusion onto the document palette instead
    // of the nearest colour of each pixel.
    bool dither = false;
    // Entries of the document palette true colour is never matched into,
    // neither nearest nor dithered. Index 0 is never chosen anyway.
    IndexSet protectedEntries{};
    // What matching leaves out: the protected entries and index 0.
    IndexSet excludedEntries() const { return protectedEntries | IndexSet(1); }
    ImportLimits limits{};
    // False: the whole picture becomes one frame, however large (a frame's
    // own limits then apply).
    bool tile = true;
    // Hears of bands of rows mapped and tiles cut; may cancel (WorkCancelled).
    WorkProgress progress{};
};

// Turns a BMP, GIF, PNG or JPEG picture into frames: tiles of at most
// 256 x 256, bands from the top down, tiles left to right; every image of an
// animated GIF in turn, as composed on its canvas. Paletted pictures keep
// their indices (row 0 = bottom row) and colour table (the original palette);
// a pixel whose PNG palette entry is less than half opaque becomes index 0.
// True-colour pictures get, per pixel, index 0 when less than half opaque,
// else the nearest colour of the document palette among entries 1 to 255,
// which is then their original palette too. Offsets 0; the new palette is
// the document palette. Throws QuilletError.
FrameList LoadImage(const std::string& FileName, const ImportOptions& options);

// The same from bytes in memory (the format is recognised from the content).
FrameList LoadImageFromMemory(ByteView data, const ImportOptions& options);

// A sprite sheet's grid: the cell size, or columns x rows (the cell size then
// follows from the picture's size less a margin on each side and the spacing
// between cells). Cells start `margin` pixels from the left and top edges.
struct SheetGrid {
    int cellWidth = 0, cellHeight = 0;
    int columns = 0, rows = 0;
    int margin = 0, spacing = 0;
};

// One frame per cell, left to right, top to bottom, read from the whole
// picture (the first image of a GIF); cells all index 0 are skipped. With
// `trim` a frame is cut to its box of non-zero pixels and its offsets keep
// every pixel where it was relative to the cell's bottom-left corner (x
// offset = the box's left column, y offset = its bottom edge less the cell
// height, rows counted from the cell's top); else offsets are 0, 0.
FrameList LoadSheet(const std::string& FileName, const SheetGrid& grid, bool trim,
                    const ImportOptions& options);
FrameList LoadSheetFromMemory(ByteView data, const SheetGrid& grid, bool trim,
                              const ImportOptions& options);

// A decoded picture: one palette index a pixel, rows from the top down, and
// the colour table they index. Decoders that make an 8-bit QImage leave the
// indices there; the others fill `pixels`.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    Palette palette{};
    QImage image;
    Bytes pixels;

    const std::uint8_t* row(int y) const {
        return image.isNull() ? pixels.data() + static_cast<std::size_t>(y) * width
                              : image.constScanLine(y);
    }
};

// The same steps one at a time, so a sheet can be shown before it is cut:
// the picture as LoadSheet reads it (true colour reduced as ImportOptions
// say), then its cells, then their frames.
IndexedPicture readSheetPicture(const std::string& FileName, const ImportOptions& options);
IndexedPicture decodeSheetPicture(ByteView data, const ImportOptions& options);

// A cell in picture coordinates; `box` holds its pixels other than index 0
// and is empty when the cell is, which then gives no frame.
struct SheetCell {
    QRect rect;
    QRect box;
    bool empty() const { return box.isEmpty(); }
};

// A grid laid on a picture: every cell, left to right, top to bottom.
struct SheetCells {
    int cellWidth = 0;
    int cellHeight = 0;
    int columns = 0;
    int rows = 0;
    std::vector<SheetCell> cells;
};

// Throws QuilletError when the grid does not fit the picture, its cells
// exceed a frame's limits or they are more than a document holds frames.
SheetCells findSheetCells(const IndexedPicture& sheet, const SheetGrid& grid);
FrameList cutSheet(const IndexedPicture& sheet, const SheetCells& cells, bool trim,
                   const Palette& documentPalette);

// A palette file as "Select palette..." takes it: JASC-PAL or GIMP text, the
// colour table of a paletted BMP, PNG or GIF, or else raw 768 bytes. Throws
// PaletteSizeError for raw data of another length, QuilletError with the
// reason otherwise.
Palette readPaletteAny(const std::string& path);
Palette parsePaletteAny(ByteView bytes);

} // namespace quillet::imaging
