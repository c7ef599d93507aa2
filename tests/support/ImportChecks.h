#pragma once

// What the picture import tests share: the palette they import into, and
// the frames they expect back.

#include "imaging/PictureImport.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace quillet::testing {

// Narrow components make equal distances, and duplicate entries, common.
inline Palette documentPalette() {
    std::mt19937 rng(11);
    Palette pal{};
    for (std::size_t i = 3; i < pal.size(); ++i)
        pal[i] = static_cast<std::uint8_t>(rng() % 6 * 51);
    return pal;
}

inline FrameList load(ByteView data, const Palette& doc = documentPalette(), bool dither = false) {
    return imaging::LoadImageFromMemory(data, {doc, dither});
}

// `topDown` holds the picture's values with its top row first; a frame's row 0 is its bottom row.
inline void expectSingleFrame(const FrameList& frames, int w, int h,
                              const std::vector<std::uint32_t>& topDown) {
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0]->get_X_size(), w);
    ASSERT_EQ(frames[0]->get_Y_size(), h);
    const Bytes pixels = frames[0]->getPixelData(0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(pixels[static_cast<std::size_t>(h - 1 - y) * w + x], topDown[y * w + x])
                << "x " << x << ", y from top " << y;
}

// The plain definition over entries 1 to 255; index 0 below half opacity.
inline std::uint8_t plainNearest(const Palette& pal, std::uint32_t argb, bool alpha) {
    return alpha && (argb >> 24) < 128 ? 0 : quillet::testing::plainNearest(pal, argb, IndexSet(1));
}

} // namespace quillet::testing
