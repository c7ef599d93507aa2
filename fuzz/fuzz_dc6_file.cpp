// Whole DC6 files from memory: every header, pointer and block a file can lie about.
#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        quillet::DC6FileIO::decodeDC6({data, size});
    } catch (const quillet::QuilletError&) {
    }
    return 0;
}
