// Palette files: only exactly 768 bytes may be accepted.
#include "palette/PaletteFile.h"
#include "sprite/Error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const quillet::Palette pal = quillet::parsePaletteBytes({data, size});
        if (size != 768 || !std::equal(pal.begin(), pal.end(), data))
            std::abort();
    } catch (const quillet::QuilletError&) {
        if (size == 768)
            std::abort();
    }
    return 0;
}
