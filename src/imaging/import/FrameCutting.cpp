#include "FrameCutting.h"

#include "DecodeTools.h"
#include "sprite/Limits.h"
#include "sprite/OpaqueBox.h"

#include <algorithm>
#include <cstring>

namespace quillet::imaging {

namespace {

constexpr int kTileSide = 256;

FramePtr makeFrame(Bytes pixels, int width, int height, const IndexedPicture& pic,
                   const Palette& documentPalette) {
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(std::move(pixels), static_cast<std::int16_t>(width),
                        static_cast<std::int16_t>(height));
    frame->seOriginalPalette(pic.palette);
    frame->setNewPalette(documentPalette);
    return frame;
}

// The rows `top` to `top + height` - 1 of columns `left` on, bottom row first.
Bytes copyRows(const IndexedPicture& pic, int left, int top, int width, int height) {
    Bytes pixels(static_cast<std::size_t>(width) * height);
    for (int k = 0; k < height; ++k)
        std::memcpy(pixels.data() + static_cast<std::size_t>(k) * width,
                    pic.row(top + height - 1 - k) + left, static_cast<std::size_t>(width));
    return pixels;
}

// The box of non-zero pixels of a cell, empty when there are none. The
// dialog that cuts a sheet finds it for every cell at every number typed.
QRect boxOf(const IndexedPicture& pic, const QRect& cell) {
    if (cell.isEmpty())
        return QRect();
    const std::uint8_t* first = pic.row(cell.top()) + cell.left();
    const std::ptrdiff_t stride =
        cell.height() > 1 ? pic.row(cell.top() + 1) - pic.row(cell.top()) : 0;
    const PixelBox box = opaqueBox(first, stride, cell.width(), cell.height());
    return box.empty() ? QRect()
                       : QRect(cell.left() + box.left, cell.top() + box.top, box.width, box.height);
}

} // namespace

namespace detail {

FramePtr cutFrame(const IndexedPicture& pic, int left, int top, int width, int height,
                  const Palette& documentPalette) {
    return makeFrame(copyRows(pic, left, top, width, height), width, height, pic, documentPalette);
}

void cutTiles(const IndexedPicture& pic, const ImportOptions& options, FrameList& frames) {
    const int side = options.tile ? kTileSide : std::max(pic.width, pic.height);
    const std::int64_t across = (pic.width + side - 1) / side;
    const std::int64_t down = (pic.height + side - 1) / side;
    const auto total = static_cast<std::int64_t>(frames.size()) + across * down;
    if (total > limits::kMaxFrames)
        fail("picture size " + sizeText(pic.width, pic.height) + " would make " +
             std::to_string(total) + " frames, more than a document holds");

    std::int64_t cut = 0;
    for (int top = 0; top < pic.height; top += side) {
        const int th = std::min(side, pic.height - top);
        for (int x = 0; x < pic.width; x += side) {
            const int tw = std::min(side, pic.width - x);
            frames.push_back(cutFrame(pic, x, top, tw, th, options.documentPalette));
            reportProgress(options.progress, ++cut, across * down);
        }
    }
}

} // namespace detail

// The cells of a grid: as many as fit the picture when their size is given,
// else the size that the given columns and rows divide the picture into.
SheetCells findSheetCells(const IndexedPicture& sheet, const SheetGrid& grid) {
    using detail::fail;
    using detail::sizeText;
    const std::int64_t margin = grid.margin;
    const std::int64_t spacing = grid.spacing;
    if (margin < 0 || spacing < 0)
        fail("sheet margin " + std::to_string(margin) + " and spacing " + std::to_string(spacing) +
             " cannot be negative");
    std::int64_t cw = grid.cellWidth, ch = grid.cellHeight;
    std::int64_t columns = 0, rows = 0;
    if (cw > 0 && ch > 0) {
        // A margin on the left and top suffices; a right or bottom margin
        // or leftover pixels that hold no whole cell are passed over.
        const auto fitting = [&](std::int64_t side, std::int64_t cell) {
            return side - margin < cell ? 0 : (side - margin - cell) / (cell + spacing) + 1;
        };
        columns = fitting(sheet.width, cw);
        rows = fitting(sheet.height, ch);
    } else if (grid.columns > 0 && grid.rows > 0) {
        columns = grid.columns;
        rows = grid.rows;
        cw = (sheet.width - 2 * margin - (columns - 1) * spacing) / columns;
        ch = (sheet.height - 2 * margin - (rows - 1) * spacing) / rows;
    } else {
        fail("a sheet grid needs a cell size or columns and rows");
    }
    if (cw < 1 || ch < 1 || columns < 1 || rows < 1) {
        // Columns and rows that leave no pixel to a cell are named as given.
        std::string what = "cells of " + sizeText(cw, ch);
        if (grid.cellWidth < 1 || grid.cellHeight < 1) {
            what = cw < 1 ? std::to_string(columns) + " columns" : "";
            if (ch < 1)
                what += (what.empty() ? "" : " and ") + std::to_string(rows) + " rows";
        }
        fail("the grid cannot be laid: " + what + " (margin " + std::to_string(margin) +
             ", spacing " + std::to_string(spacing) + ") do not fit a picture of " +
             sizeText(sheet.width, sheet.height));
    }
    if (cw > limits::kMaxFrameSide || ch > limits::kMaxFrameSide ||
        cw * ch > limits::kMaxFramePixels)
        fail("sheet cells of " + sizeText(cw, ch) + " exceed the frame limits");
    // Every cell could hold a frame.
    if (columns * rows > limits::kMaxFrames)
        fail("the grid has " + std::to_string(columns * rows) + " cells, more than the " +
             std::to_string(limits::kMaxFrames) + " frames a document holds");

    SheetCells found{static_cast<int>(cw),
                     static_cast<int>(ch),
                     static_cast<int>(columns),
                     static_cast<int>(rows),
                     {}};
    found.cells.reserve(static_cast<std::size_t>(columns * rows));
    for (int row = 0; row < found.rows; ++row)
        for (int column = 0; column < found.columns; ++column) {
            const QRect rect(grid.margin + column * (found.cellWidth + grid.spacing),
                             grid.margin + row * (found.cellHeight + grid.spacing), found.cellWidth,
                             found.cellHeight);
            found.cells.push_back({rect, boxOf(sheet, rect)});
        }
    return found;
}

// With `trim`, offsets keep each pixel where it was relative to the cell's
// bottom-left corner.
FrameList cutSheet(const IndexedPicture& sheet, const SheetCells& cells, bool trim,
                   const Palette& documentPalette) {
    const QRect whole(0, 0, sheet.width, sheet.height);
    FrameList frames;
    for (const SheetCell& cell : cells.cells) {
        if (!whole.contains(cell.rect) || !(cell.empty() || cell.rect.contains(cell.box)))
            detail::fail("the sheet's cells do not lie on its picture");
        if (cell.empty())
            continue;
        const QRect part = trim ? cell.box : cell.rect;
        FramePtr frame = detail::cutFrame(sheet, part.left(), part.top(), part.width(),
                                          part.height(), documentPalette);
        if (trim) {
            frame->set_X_offset(part.left() - cell.rect.left());
            frame->set_Y_offset(part.bottom() - cell.rect.bottom());
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace quillet::imaging
