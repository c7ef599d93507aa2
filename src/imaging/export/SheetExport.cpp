#include "SheetExport.h"

#include "FileReplace.h"
#include "imaging/PictureImport.h"
#include "imaging/formats/PngFormat.h"
#include "imaging/view/FramePlacement.h"
#include "sprite/Error.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace quillet::imaging {

namespace {

// The frame's rows turned top row first, with its top-left pixel at (left, top).
void placeFrame(Bytes& canvas, std::int64_t canvasWidth, std::int64_t left, std::int64_t top,
                const DC6Frame& frame, const Bytes& pixels) {
    const std::int64_t width = frame.get_X_size();
    const std::int64_t height = frame.get_Y_size();
    if (static_cast<std::uint64_t>(pixels.size()) / static_cast<std::uint64_t>(width) <
        static_cast<std::uint64_t>(height))
        throw QuilletError("its pixels are fewer than its size");
    for (std::int64_t row = 0; row < height; ++row)
        std::memcpy(canvas.data() + (top + row) * canvasWidth + left,
                    pixels.data() + (height - 1 - row) * width, static_cast<std::size_t>(width));
}

} // namespace

SheetLayout exportSheet(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
                        int columns, const QString& path) {
    if (frames.empty())
        throw QuilletError("there are no frames to write");
    if (columns < 1)
        throw QuilletError("a sheet needs at least one column, not " + std::to_string(columns));
    const PlacedBox cell = unionBox(frames, /*withAnchor=*/true);
    if (cell.empty())
        throw QuilletError("the frames hold no pixels");
    const auto count = static_cast<std::int64_t>(frames.size());
    const std::int64_t rows = (count + columns - 1) / columns;
    // Division keeps the test free of overflow; the cap is the importer's, so
    // every sheet written can be read back.
    if (cell.width > kMaxPictureSide / columns || cell.height > kMaxPictureSide / rows)
        throw QuilletError("cells of " + std::to_string(cell.width) + " x " +
                           std::to_string(cell.height) + " pixels in " + std::to_string(columns) +
                           " columns and " + std::to_string(rows) + " rows exceed the limit of " +
                           std::to_string(kMaxPictureSide) + " pixels on a side");
    const std::int64_t width = cell.width * columns;
    const std::int64_t height = cell.height * rows;

    Bytes canvas(static_cast<std::size_t>(width * height), 0);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::string number = "frame " + std::to_string(i + 1);
        if (!frames[i])
            throw QuilletError(number + " is missing");
        const DC6Frame& frame = *frames[i];
        const PlacedBox box = placedBox(frame);
        if (box.empty())
            continue;
        try {
            placeFrame(canvas, width, (i % columns) * cell.width + box.left - cell.left,
                       (i / columns) * cell.height + box.top - cell.top, frame,
                       frame.getPixelData(palTransform));
        } catch (const QuilletError& e) {
            throw QuilletError(number + ": " + e.what());
        }
    }
    replaceFile(path, encodeIndexedPng({width, height, canvas, false}, palette));
    return {QSize(static_cast<int>(cell.width), static_cast<int>(cell.height)), columns,
            static_cast<int>(rows),
            QPoint(static_cast<int>(-cell.left), static_cast<int>(-cell.top))};
}

} // namespace quillet::imaging
