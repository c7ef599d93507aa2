// One frame block through the decoder.
#include "sprite/DC6Frame.h"
#include "sprite/Error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillet::DC6Frame frame;
    try {
        frame.setDC6Data({data, size});
    } catch (const quillet::QuilletError&) {
    }
    return 0;
}
