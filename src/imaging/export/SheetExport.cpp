#include "SheetExport.h"

#include "FileReplace.h"
#include "imaging/PictureImport.h"
#include "imaging/formats/PngFormat.h"
#include "imaging/view/FramePlacement.h"
#include "quillet/Version.h"
#include "sprite/Error.h"
#include "sprite/OpaqueBox.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace quillet::imaging {

namespace {

// What of a frame goes on the sheet: `part` of its pixels (rows from the
// top), standing at `box` from the anchor.
struct FramePart {
    PlacedBox box;
    PixelBox part;
};

Bytes drawnPixels(const DC6Frame& frame, std::int16_t palTransform) {
    Bytes pixels = frame.getPixelData(palTransform);
    const std::uint64_t width = static_cast<std::uint64_t>(frame.get_X_size());
    if (width == 0 || pixels.size() / width < static_cast<std::uint64_t>(frame.get_Y_size()))
        throw QuilletError("its pixels are fewer than its size");
    return pixels;
}

FramePart partOf(const DC6Frame& frame, std::int16_t palTransform, bool trim) {
    const PlacedBox whole = placedBox(frame);
    const int width = frame.get_X_size(), height = frame.get_Y_size();
    if (!trim)
        return {whole, {0, 0, width, height}};
    const Bytes pixels = drawnPixels(frame, palTransform);
    PixelBox part =
        opaqueBox(pixels.data() + std::ptrdiff_t{height - 1} * width, -width, width, height);
    // A frame without a pixel keeps its bottom-left one, and so its place.
    if (part.empty())
        part = {0, height - 1, 1, 1};
    return {{whole.left + part.left, whole.top + part.top, part.width, part.height}, part};
}

// The frame's `part` turned top row first, its top-left pixel at (left, top).
void placeFrame(Bytes& canvas, std::int64_t canvasWidth, std::int64_t left, std::int64_t top,
                const DC6Frame& frame, const Bytes& pixels, const PixelBox& part) {
    const std::int64_t width = frame.get_X_size();
    const std::int64_t height = frame.get_Y_size();
    for (std::int64_t row = 0; row < part.height; ++row)
        std::memcpy(canvas.data() + (top + row) * canvasWidth + left,
                    pixels.data() + (height - 1 - part.top - row) * width + part.left,
                    static_cast<std::size_t>(part.width));
}

std::string frameNumber(std::int64_t i) {
    return sheetFrameLabel(static_cast<std::size_t>(i), {});
}

} // namespace

SheetFiles makeSheet(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
                     const SheetExportOptions& options) {
    if (frames.empty())
        throw QuilletError("there are no frames to write");
    const auto count = static_cast<std::int64_t>(frames.size());
    std::int64_t columns = options.columns;
    const bool inDirections = options.directions >= 1 && count % options.directions == 0;
    if (options.rowPerDirection) {
        if (!inDirections)
            throw QuilletError(std::to_string(count) + " frames do not divide into " +
                               std::to_string(options.directions) + " directions");
        columns = count / options.directions;
    }
    if (columns < 1)
        throw QuilletError("a sheet needs at least one column, not " + std::to_string(columns));

    // The cell holds every frame's part and the anchor point.
    std::vector<FramePart> parts;
    parts.reserve(frames.size());
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        if (!frames[i])
            throw QuilletError(frameNumber(i) + " is missing");
        try {
            parts.push_back(partOf(*frames[i], palTransform, options.trim));
        } catch (const QuilletError& e) {
            throw QuilletError(frameNumber(i) + ": " + e.what());
        }
        const PlacedBox& box = parts.back().box;
        left = std::min(left, box.left);
        top = std::min(top, box.top);
        right = std::max(right, box.right());
        bottom = std::max(bottom, box.bottom());
    }
    const PlacedBox cell{left, top, right - left, bottom - top};
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

    SheetFiles out;
    SheetData& data = out.data;
    data.frames.reserve(frames.size());
    const int duration =
        (1000 + options.framesPerSecond / 2) / std::max(options.framesPerSecond, 1);
    Bytes canvas(static_cast<std::size_t>(width * height), 0);
    for (std::int64_t i = 0; i < count; ++i) {
        const DC6Frame& frame = *frames[i];
        const FramePart& p = parts[static_cast<std::size_t>(i)];
        const std::int64_t x = (i % columns) * cell.width + p.box.left - cell.left;
        const std::int64_t y = (i / columns) * cell.height + p.box.top - cell.top;
        try {
            placeFrame(canvas, width, x, y, frame, drawnPixels(frame, palTransform), p.part);
        } catch (const QuilletError& e) {
            throw QuilletError(frameNumber(i) + ": " + e.what());
        }
        // Every value fits: the sheet is at most 16384 pixels a side.
        const auto n = [](std::int64_t v) { return static_cast<int>(v); };
        SheetDataFrame& f = data.frames.emplace_back();
        f.filename = options.name + " " + std::to_string(i + 1);
        f.frame = {n(x), n(y), p.part.width, p.part.height};
        f.spriteSourceSize = {n(p.box.left - cell.left), n(p.box.top - cell.top), p.part.width,
                              p.part.height};
        f.sourceWidth = n(cell.width);
        f.sourceHeight = n(cell.height);
        f.trimmed = p.part.width < cell.width || p.part.height < cell.height;
        f.duration = duration;
    }
    const SheetLayout layout{QSize(static_cast<int>(cell.width), static_cast<int>(cell.height)),
                             static_cast<int>(columns), static_cast<int>(rows),
                             QPoint(static_cast<int>(-cell.left), static_cast<int>(-cell.top))};
    data.app = "Quillet";
    data.version = std::to_string(version::major) + "." + std::to_string(version::minor) + "." +
                   std::to_string(version::revision);
    data.image = options.image;
    data.width = static_cast<int>(width);
    data.height = static_cast<int>(height);
    if (inDirections) {
        const int per = static_cast<int>(count / options.directions);
        for (int d = 0; d < options.directions; ++d)
            data.frameTags.push_back(
                {"direction " + std::to_string(d + 1), d * per, (d + 1) * per - 1});
    }
    data.anchor.push_back({0,
                           {0, 0, layout.cell.width(), layout.cell.height()},
                           SheetPoint{layout.anchor.x(), layout.anchor.y()}});
    out.png = encodeIndexedPng({width, height, canvas, false}, palette);
    out.layout = layout;
    return out;
}

SheetLayout exportSheet(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
                        int columns, const QString& path) {
    SheetExportOptions options;
    options.columns = columns;
    SheetFiles sheet = makeSheet(frames, palTransform, palette, options);
    replaceFile(path, sheet.png);
    return sheet.layout;
}

} // namespace quillet::imaging
