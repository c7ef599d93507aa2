#pragma once

#include "DC6Frame.h"
#include "Palette.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillet {

// Where each palette index is used, counted as a save writes the frames.
struct IndexUsage {
    std::array<std::uint64_t, 256> pixels{}; // pixels of each index in all frames
    std::array<std::uint32_t, 256> frames{}; // frames using each index
    std::vector<IndexSet> perFrame;          // the indices each frame uses
};

// The frames' pixels read out with `palTransform`, counted without copying
// any matrix: each frame's stored indices are counted, then the counts go
// where its re-indexing sends them. Frames without pixels count nothing.
IndexUsage countIndexUsage(const FrameList& frames, std::int16_t palTransform);

} // namespace quillet
