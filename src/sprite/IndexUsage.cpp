#include "IndexUsage.h"

namespace quillet {

namespace {

// Four tables side by side: a run of one index does not wait on one counter.
std::array<std::uint32_t, 256> histogram(ByteView pixels) {
    std::array<std::array<std::uint32_t, 256>, 4> lanes{};
    std::size_t i = 0;
    for (; i + 4 <= pixels.size(); i += 4) {
        ++lanes[0][pixels[i]];
        ++lanes[1][pixels[i + 1]];
        ++lanes[2][pixels[i + 2]];
        ++lanes[3][pixels[i + 3]];
    }
    for (; i < pixels.size(); ++i)
        ++lanes[0][pixels[i]];
    for (std::size_t v = 0; v < 256; ++v)
        lanes[0][v] += lanes[1][v] + lanes[2][v] + lanes[3][v];
    return lanes[0];
}

} // namespace

IndexUsage countIndexUsage(const FrameList& frames, std::int16_t palTransform) {
    IndexUsage usage;
    usage.perFrame.resize(frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const DC6Frame& frame = *frames[f];
        if (!frame.hasPixels())
            continue;
        const std::array<std::uint32_t, 256> counts = histogram(frame.pixels());
        const MapTable table = frame.mappingTable(palTransform);
        IndexSet& used = usage.perFrame[f];
        for (std::size_t stored = 0; stored < 256; ++stored) {
            if (counts[stored] == 0)
                continue;
            usage.pixels[table[stored]] += counts[stored];
            used[table[stored]] = true;
        }
        for (std::size_t index = 0; index < 256; ++index)
            usage.frames[index] += used[index] ? 1 : 0;
    }
    return usage;
}

} // namespace quillet
