// Whole DC6 files from memory: every header, direction count, pointer and
// block a file can lie about. Whatever the reader accepts must save and load
// again unchanged, directions included, and save the second time byte for byte
// as the first.
#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool sameFrames(const quillet::FrameList& a, const quillet::FrameList& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i]->get_X_size() != b[i]->get_X_size() || a[i]->get_Y_size() != b[i]->get_Y_size() ||
            a[i]->get_X_offset() != b[i]->get_X_offset() ||
            a[i]->get_Y_offset() != b[i]->get_Y_offset() ||
            a[i]->getPixelData(0) != b[i]->getPixelData(0))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quillet::DC6FileIO;
    int directions = 0;
    quillet::FrameList frames;
    try {
        frames = DC6FileIO::decodeDC6({data, size}, &directions);
    } catch (const quillet::QuilletError&) {
        return 0;
    }
    // Huge frames prove nothing more here and would hold the pixels twice.
    std::int64_t pixels = 0;
    for (const auto& frame : frames)
        pixels += std::int64_t{frame->get_X_size()} * frame->get_Y_size();
    if (pixels > (std::int64_t{1} << 22))
        return 0;

    const quillet::Bytes saved = DC6FileIO::encodeDC6(frames, 0, {}, directions);
    int again = 0;
    const quillet::FrameList reloaded = DC6FileIO::decodeDC6(saved, &again);
    if (again != directions || !sameFrames(frames, reloaded) ||
        DC6FileIO::encodeDC6(reloaded, 0, {}, again) != saved)
        std::abort();
    return 0;
}
