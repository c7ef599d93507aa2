#include "Commands.h"
#include "imaging/PictureImport.h"
#include "imaging/sheet/SheetDataImport.h"
#include "palette/PaletteFile.h"
#include "paths/NativePath.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

namespace quillet::cli {

namespace {

// How pictures are matched into the document palette, as the editor imports them.
imaging::ImportOptions importOptions(const Options& o, const Palette& palette) {
    imaging::ImportOptions options{palette, o.dither};
    options.protectedEntries = o.protectedEntries;
    return options;
}

// A sheet's frames where its data puts them, its picture matched into the
// palette as Add Frames from Sheet does; a failure names the file at fault.
FrameList readSheetWithData(const std::string& input, const Options& o, const Palette& palette,
                            int& directions) {
    imaging::SheetData data;
    std::string picture;
    try {
        data = imaging::readSheetDataFile(input);
        picture = nativePath(imaging::sheetPicturePath(pathFromNative(input), data));
        directions = imaging::sheetDirections(data);
    } catch (const QuilletError& e) {
        throw WorkError{input + ": " + e.what()};
    }
    imaging::IndexedPicture sheet;
    try {
        sheet = imaging::readSheetPicture(picture, importOptions(o, palette));
    } catch (const QuilletError& e) {
        throw WorkError{picture + ": " + e.what()};
    }
    FrameList frames;
    try {
        frames = imaging::cutSheetFrames(sheet, data, std::nullopt, palette);
    } catch (const QuilletError& e) {
        throw WorkError{input + ": " + e.what()};
    }
    adoptImportedFrames(frames, palette, o.protectedEntries);
    return frames;
}

// A sprite's frames come in as the editor's Open gives them, a picture's as
// its Add Frame does (or Add Frames from Sheet, with a grid).
FrameList readInput(const std::string& input, const Options& o, const Palette& palette,
                    int& directions) {
    if (hasExtension(input, ".dc6")) {
        DC6Headers headers;
        FrameList frames = loadSprite(input, headers);
        directions = headers.directions;
        adoptOpenedFrames(frames, palette);
        return frames;
    }
    if (hasExtension(input, ".json"))
        return readSheetWithData(input, o, palette, directions);
    FrameList frames;
    try {
        const imaging::ImportOptions options = importOptions(o, palette);
        frames = o.grid ? imaging::LoadSheet(input, *o.grid, o.trim, options)
                        : imaging::LoadImage(input, options);
    } catch (const QuilletError& e) {
        throw WorkError{input + ": " + e.what()};
    }
    adoptImportedFrames(frames, palette, o.protectedEntries);
    return frames;
}

} // namespace

int build(const Options& o) {
    const std::string& out = o.positional[0];
    const Palette palette = documentPalette(o);

    FrameList document;
    int directions = 1;
    Progress progress("reading inputs");
    const std::size_t inputs = o.positional.size() - 1;
    for (std::size_t i = 1; i <= inputs; ++i) {
        const std::string& input = o.positional[i];
        FrameList frames = readInput(input, o, palette, directions);
        if (document.size() + frames.size() > static_cast<std::size_t>(limits::kMaxFrames))
            throw WorkError{input + ": the document would exceed " +
                            std::to_string(limits::kMaxFrames) + " frames"};
        for (auto& frame : frames) {
            // Trimmed sheet cells carry their own offsets; --offset moves them all.
            if (o.offset) {
                frame->set_X_offset(frame->get_X_offset() + o.offset->first);
                frame->set_Y_offset(frame->get_Y_offset() + o.offset->second);
            }
            document.push_back(std::move(frame));
        }
        progress(static_cast<int>(i), static_cast<int>(inputs));
    }
    // Only a lone sprite or sheet data input lends the output its directions.
    if (o.directions)
        directions = *o.directions;
    else if (inputs != 1 ||
             !(hasExtension(o.positional[1], ".dc6") || hasExtension(o.positional[1], ".json")))
        directions = 1;
    if (document.size() % static_cast<std::size_t>(directions) != 0)
        throw UsageError{std::to_string(document.size()) + " frames do not divide into " +
                         std::to_string(directions) + " directions"};
    try {
        DC6FileIO().SaveDC6(out, document, o.transform ? 1 : 0, {}, directions);
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    return kOk;
}

} // namespace quillet::cli
