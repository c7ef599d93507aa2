#include "Commands.h"
#include "imaging/export/FileReplace.h"
#include "imaging/export/GifExport.h"
#include "imaging/export/SheetExport.h"
#include "palette/PaletteFile.h"
#include "paths/NativePath.h"
#include "sprite/Error.h"

#include <QFileInfo>
#include <cstdio>

namespace quillet::cli {

namespace {

// A one-file export keeps the name given when it already ends in the extension.
std::string singleFileName(const std::string& name, const std::string& extension) {
    return hasExtension(name, extension) ? name : name + extension;
}

int exportSheet(const FrameList& frames, std::int16_t transform, const Palette& palette,
                int directions, const Options& o) {
    const std::string out = singleFileName(o.positional[1], ".png");
    const std::string dataOut = out.substr(0, out.size() - 4) + ".json";
    const QFileInfo png(pathFromNative(out));
    imaging::SheetExportOptions options;
    options.columns = o.sheetColumns.value_or(1);
    options.rowPerDirection = o.sheetByDirection;
    options.directions = directions;
    options.trim = o.trim;
    options.name = png.completeBaseName().toStdString();
    options.image = png.fileName().toStdString();
    options.framesPerSecond = imaging::kDefaultFramesPerSecond;
    imaging::SheetFiles sheet;
    try {
        sheet = imaging::makeSheet(frames, transform, palette, options);
        imaging::replaceFile(png.filePath(), sheet.png);
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    if (o.data) {
        try {
            imaging::replaceFile(pathFromNative(dataOut), imaging::bytesOf(imaging::writeSheetJson(
                                                              sheet.data, o.dataFormat)));
        } catch (const QuilletError& e) {
            throw WorkError{dataOut + ": " + e.what()};
        }
    }
    // What a later import needs to cut the sheet the same way.
    const imaging::SheetLayout& layout = sheet.layout;
    const auto count = static_cast<long long>(frames.size());
    std::printf("%s: %lld frame%s in %d column%s x %d row%s of %dx%d-pixel cells, anchor at %d,%d "
                "in each cell\n",
                out.c_str(), count, plural(count), layout.columns, plural(layout.columns),
                layout.rows, plural(layout.rows), layout.cell.width(), layout.cell.height(),
                layout.anchor.x(), layout.anchor.y());
    if (o.data)
        std::printf("%s: where each frame lies, the anchor and the directions\n", dataOut.c_str());
    return kOk;
}

int exportGif(const FrameList& frames, std::int16_t transform, const Palette& palette,
              const Options& o) {
    const std::string out = singleFileName(o.positional[1], ".gif");
    try {
        imaging::exportGif(frames, transform, palette,
                           o.framesPerSecond.value_or(imaging::kDefaultFramesPerSecond),
                           pathFromNative(out));
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    return kOk;
}

} // namespace

int exportFrames(const Options& o) {
    if ((o.trim || o.data) && !o.sheetColumns && !o.sheetByDirection)
        throw UsageError{"--trim and --data go with --sheet or --sheet-by-direction"};
    DC6Headers headers;
    const FrameList frames = loadSprite(o.positional[0], headers);
    const Palette palette = documentPalette(o);
    adoptOpenedFrames(frames, palette);
    const std::int16_t transform = o.transform ? 1 : 0;
    if (o.sheetColumns || o.sheetByDirection)
        return exportSheet(frames, transform, palette, headers.directions, o);
    if (o.gif)
        return exportGif(frames, transform, palette, o);

    const imaging::ExportFormat format = o.format.value_or(imaging::ExportFormat::Bmp);
    Progress progress(format == imaging::ExportFormat::Png ? "writing PNGs" : "writing bitmaps");
    const imaging::ExportReport report =
        imaging::exportFrames(frames, transform, pathFromNative(o.positional[1]), format,
                              [&progress](int done, int total) {
                                  progress(done, total);
                                  return true;
                              });
    if (report.failed > 0)
        throw WorkError{
            std::to_string(report.failed) + " of " + std::to_string(frames.size()) +
            " frames could not be written; first: " + report.firstFailure.toStdString()};
    return kOk;
}

} // namespace quillet::cli
