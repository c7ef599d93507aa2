// A sprite sheet's JSON data: the reader gives a model or refuses it with a
// reason, never anything else; a model it gives is written and read back the
// same in either layout, and its frames are cut from a small picture or
// refused for reaching past it.
#include "imaging/sheet/SheetDataImport.h"
#include "sprite/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet::imaging;
    SheetData sheet;
    try {
        sheet = readSheetJson({data, size});
    } catch (const quillet::QuilletError&) {
        return 0;
    }
    const SheetJsonLayout layout = size % 2 ? SheetJsonLayout::Hash : SheetJsonLayout::Array;
    SheetData again = readSheetJson(bytesOf(writeSheetJson(sheet, layout)));
    // Who wrote it is not read back.
    again.app = sheet.app;
    again.version = sheet.version;
    if (!(again == sheet))
        std::abort();

    IndexedPicture picture;
    picture.width = picture.height = 16;
    picture.pixels.assign(256, 7);
    try {
        if (cutSheetFrames(picture, sheet, std::nullopt, {}).size() != sheet.frames.size())
            std::abort();
    } catch (const quillet::QuilletError&) {
    }
    return 0;
}
