// BMP, GIF and JPEG bytes through the importer Add Frame uses.
#include "imaging/PictureImport.h"
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
    // Colour reduction of a noisy picture of a million pixels takes longer
    // than the fuzzer's one second; the size checks themselves are exercised
    // by the tests, so runs here stay at a quarter million pixels.
    const quillet::imaging::ImportLimits limits{quillet::imaging::kMaxPictureSide,
                                                std::int64_t{1} << 18};
    try {
        quillet::imaging::LoadImageFromMemory({data, size}, limits);
    } catch (const quillet::QuilletError&) {
    }
    return 0;
}
