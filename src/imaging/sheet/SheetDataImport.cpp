#include "SheetDataImport.h"

#include "imaging/import/FrameCutting.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"
#include "sprite/SafeFile.h"

#include <QDir>
#include <QFileInfo>

namespace quillet::imaging {

SheetData readSheetDataFile(const std::string& path) {
    return readSheetJson(readWholeFile(path, kMaxSheetDataBytes));
}

QString sheetPicturePath(const QString& dataPath, const SheetData& data) {
    if (data.image.empty())
        throw QuilletError("meta.image is missing: the data names no picture");
    return QFileInfo(dataPath).dir().filePath(QString::fromStdString(data.image));
}

void checkSheetFrames(const IndexedPicture& sheet, const SheetData& data) {
    std::int64_t pixels = 0;
    for (std::size_t i = 0; i < data.frames.size(); ++i) {
        const SheetRect& r = data.frames[i].frame;
        const auto fail = [&](const std::string& what) {
            throw QuilletError(sheetFrameLabel(i, data.frames[i].filename) + ": frame " +
                               std::to_string(r.x) + ", " + std::to_string(r.y) + ", " +
                               std::to_string(r.w) + " x " + std::to_string(r.h) + " " + what);
        };
        if (std::int64_t{r.x} + r.w > sheet.width || std::int64_t{r.y} + r.h > sheet.height)
            fail("reaches past the picture of " + std::to_string(sheet.width) + " x " +
                 std::to_string(sheet.height));
        if (std::int64_t{r.w} * r.h > limits::kMaxFramePixels)
            fail("exceeds the limit of " + std::to_string(limits::kMaxFramePixels) +
                 " pixels a frame");
        // Frames may share their pixels in the picture; their copies may not
        // outgrow what a sprite holds.
        pixels += std::int64_t{r.w} * r.h;
        if (pixels > limits::kMaxFilePixels)
            throw QuilletError("the frames hold more than the " +
                               std::to_string(limits::kMaxFilePixels) +
                               " pixels a sprite may hold");
    }
}

SheetPoint defaultSheetAnchor(const SheetDataFrame& frame) {
    return {frame.sourceWidth / 2, frame.sourceHeight};
}

FrameList cutSheetFrames(const IndexedPicture& sheet, const SheetData& data,
                         const std::optional<SheetPoint>& anchor, const Palette& documentPalette) {
    checkSheetFrames(sheet, data);
    FrameList frames;
    frames.reserve(data.frames.size());
    for (std::size_t i = 0; i < data.frames.size(); ++i) {
        const SheetDataFrame& f = data.frames[i];
        const SheetPoint at = sheetAnchor(data, i).value_or(anchor.value_or(defaultSheetAnchor(f)));
        FramePtr frame =
            detail::cutFrame(sheet, f.frame.x, f.frame.y, f.frame.w, f.frame.h, documentPalette);
        frame->set_X_offset(f.spriteSourceSize.x - at.x);
        frame->set_Y_offset(f.spriteSourceSize.y + f.spriteSourceSize.h - at.y);
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace quillet::imaging
