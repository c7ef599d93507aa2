// BMP, GIF and JPEG bytes through the importer Add Frame uses.
#include "imaging/PictureImport.h"
#include "sprite/Error.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv); // image format plugins need an application
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        quillet::imaging::LoadImageFromMemory({data, size});
    } catch (const quillet::QuilletError&) {
    }
    return 0;
}
