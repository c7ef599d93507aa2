// Whatever the decoder accepts must survive coding and decoding again unchanged.
#include "sprite/DC6Frame.h"
#include "sprite/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillet::DC6Frame first;
    try {
        first.setDC6Data({data, size});
    } catch (const quillet::QuilletError&) {
        return 0;
    }
    quillet::Bytes block = first.getFrameHeader(0, 0);
    const quillet::Bytes stream = first.getFrameData(0);
    block.insert(block.end(), stream.begin(), stream.end());
    block.insert(block.end(), {0xEE, 0xEE, 0xEE});

    quillet::DC6Frame second;
    second.setDC6Data(block);
    if (second.get_X_size() != first.get_X_size() || second.get_Y_size() != first.get_Y_size() ||
        second.get_X_offset() != first.get_X_offset() ||
        second.get_Y_offset() != first.get_Y_offset() ||
        second.getPixelData(0) != first.getPixelData(0))
        std::abort();
    return 0;
}
