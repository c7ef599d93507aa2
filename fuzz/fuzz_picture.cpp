// BMP, GIF, PNG and JPEG bytes through the importer Add Frame uses, and
// through the colour-table reader of "Select palette...".
#include "imaging/PictureImport.h"
#include "palette/PaletteFile.h"
#include "sprite/Error.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv); // image format plugins need an application
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Dithering a noisy picture of a million pixels takes longer than the
    // fuzzer's one second; the size checks themselves are exercised by the
    // tests, so runs here stay at a quarter million pixels.
    quillet::imaging::ImportOptions options;
    options.documentPalette = quillet::builtinPalette();
    options.limits = {quillet::imaging::kMaxPictureSide, std::int64_t{1} << 18};
    // One input in eight takes the dithering path, on smaller pictures:
    // libimagequant's remapping is the slowest step there is.
    options.dither = size > 0 && (data[size - 1] & 7) == 0;
    if (options.dither)
        options.limits.maxPixels = std::int64_t{1} << 14;
    try {
        quillet::imaging::LoadImageFromMemory({data, size}, options);
    } catch (const quillet::QuilletError&) {
    }
    try {
        quillet::imaging::parsePaletteAny({data, size});
    } catch (const quillet::QuilletError&) {
    }
    return 0;
}
