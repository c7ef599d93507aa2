// Palette files: raw ones are exactly 768 bytes; text palettes (JASC-PAL,
// GIMP) are accepted or refused with a reason, never anything else.
#include "palette/PaletteFile.h"
#include "sprite/Error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool text = quillet::isTextPalette({data, size});
    try {
        const quillet::Palette pal = quillet::parsePaletteBytes({data, size});
        if (!text && (size != 768 || !std::equal(pal.begin(), pal.end(), data)))
            std::abort();
    } catch (const quillet::PaletteSizeError&) {
        if (text || size == 768)
            std::abort();
    } catch (const quillet::QuilletError&) {
        if (!text)
            std::abort();
    }
    return 0;
}
