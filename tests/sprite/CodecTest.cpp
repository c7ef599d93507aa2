#include "sprite/Error.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace quillet {
namespace {

using testing::hex;
using testing::makeFrame;
using testing::repeat;
using testing::operator+;

struct CodedRows {
    const char* name;
    int width, height;
    Bytes pixels; // bottom row first
    Bytes stream;
};

TEST(FrameCodec, CodesRowsByteExactAndDecodesThemBack) {
    const CodedRows cases[] = {
        {"mixed", 6, 1, {5, 5, 5, 0, 0, 9}, hex("03 05 05 05 82 01 09 80")},
        {"trailing transparent", 6, 1, {0, 0, 5, 5, 0, 0}, hex("82 02 05 05 80")},
        {"two rows", 4, 2, {3, 0, 0, 0, 0, 0, 0, 4}, hex("01 03 80 83 01 04 80")},
        {"127 opaque", 127, 1, repeat(127, 1), hex("7F") + repeat(127, 1) + hex("80")},
        {"128 opaque", 128, 1, repeat(128, 1), hex("7F") + repeat(127, 1) + hex("01 01 80")},
        {"127 opaque, 1 transparent", 128, 1, repeat(127, 1) + Bytes{0},
         hex("7F") + repeat(127, 1) + hex("80")},
        {"126 transparent, 1 opaque", 127, 1, repeat(126, 0) + Bytes{1}, hex("FE 01 01 80")},
        {"127 transparent, 1 opaque", 128, 1, repeat(127, 0) + Bytes{1}, hex("FF 01 01 80")},
        {"128 transparent, 1 opaque", 129, 1, repeat(128, 0) + Bytes{1}, hex("FF 81 01 01 80")},
        {"300 transparent", 300, 1, repeat(300, 0), hex("FF FF 80")},
        {"127 transparent", 127, 1, repeat(127, 0), hex("80")},
        {"254 transparent, 1 opaque", 255, 1, repeat(254, 0) + Bytes{1}, hex("FF FF 01 01 80")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frame = makeFrame(c.width, c.height, c.pixels, -3, 7);
        EXPECT_EQ(frame->getFrameData(0), c.stream);

        DC6Frame decoded;
        decoded.setDC6Data(testing::blockOf(*frame));
        EXPECT_EQ(decoded.get_X_size(), c.width);
        EXPECT_EQ(decoded.get_Y_size(), c.height);
        EXPECT_EQ(decoded.get_X_offset(), -3);
        EXPECT_EQ(decoded.get_Y_offset(), 7);
        EXPECT_EQ(decoded.getPixelData(0), c.pixels);
    }
}

// Sizes around the 127-pixel run limit and pixel patterns from noise to long
// runs: any run-boundary slip shows up as a difference after decoding.
TEST(FrameCodec, SeededRoundTripOverSizesAndRunPatterns) {
    std::mt19937 random(2024);
    const int widths[] = {1, 2, 3, 126, 127, 128, 129, 253, 254, 255, 256, 381, 600};
    const int heights[] = {1, 2, 5};
    for (int width : widths)
        for (int height : heights)
            for (int pattern = 0; pattern < 5; ++pattern) {
                Bytes pixels(static_cast<std::size_t>(width * height));
                std::size_t i = 0;
                while (i < pixels.size()) {
                    // pattern 0: noise; 1-3: runs of growing length; 4: rarely opaque
                    const std::size_t run =
                        pattern == 0 ? 1 : 1 + random() % (pattern == 1 ? 4 : 300);
                    const bool opaque = pattern == 4 ? random() % 20 == 0 : random() % 2 == 0;
                    for (std::size_t k = 0; k < run && i < pixels.size(); ++k, ++i)
                        pixels[i] = opaque ? static_cast<std::uint8_t>(1 + random() % 255) : 0;
                }
                const auto frame = makeFrame(width, height, pixels);
                DC6Frame decoded;
                decoded.setDC6Data(testing::blockOf(*frame));
                ASSERT_EQ(decoded.getPixelData(0), pixels)
                    << width << " x " << height << " pattern " << pattern;
            }
}

TEST(FrameCodec, HeaderPointsPastTheBlockAndRefusesOverflow) {
    const auto frame = makeFrame(48, 1, repeat(48, 3), 5, -1); // a stream of 50 bytes
    EXPECT_EQ(frame->getFrameHeader(1000, 0), hex("00 00 00 00  30 00 00 00  01 00 00 00 "
                                                  "05 00 00 00  FF FF FF FF  00 00 00 00 "
                                                  "3D 04 00 00  32 00 00 00"));
    EXPECT_NO_THROW(frame->getFrameHeader(INT32_MAX - 85, 0));
    EXPECT_THROW(frame->getFrameHeader(INT32_MAX - 84, 0), QuilletError);
}

TEST(FrameCodec, WithTransformAColourNearestToEntryZeroIsSavedTransparent) {
    Palette orig = testing::distinctPalette(), fresh = testing::distinctPalette();
    testing::setColour(fresh, 0, 1, 2, 3);
    testing::setColour(orig, 4, 1, 2, 3);
    const auto frame = makeFrame(3, 1, {4, 5, 4});
    frame->seOriginalPalette(orig);
    frame->setNewPalette(fresh);
    EXPECT_EQ(frame->getFrameData(1), hex("81 01 05 80"));
    EXPECT_EQ(frame->getFrameData(0), hex("03 04 05 04 80"));
}

Bytes firstBytes(Bytes bytes, std::size_t count) {
    bytes.resize(count);
    return bytes;
}

Bytes blockHeader(std::int32_t width, std::int32_t height) {
    return hex("00 00 00 00") + longToStr(width) + longToStr(height) +
           hex("FD FF FF FF 02 00 00 00") + repeat(12, 0);
}

TEST(FrameCodec, DecodesShortAndOddStreamsAsDefined) {
    const struct {
        const char* name;
        Bytes block;
        int width;
        Bytes pixels;
    } cases[] = {
        {"header fields only", firstBytes(blockHeader(2, 2), 20), 2, {0, 0, 0, 0}},
        {"36 bytes hold no code", blockHeader(2, 1) + hex("01 05 80 EE"), 2, {0, 0}},
        {"codes after the last row",
         blockHeader(2, 1) + hex("01 05 80 01 07 80 EE EE EE"),
         2,
         {5, 0}},
        {"empty literal", blockHeader(2, 1) + hex("00 81 01 04 80 EE EE EE"), 2, {0, 4}},
        // Pixels past the row end are dropped without consuming their bytes.
        {"literal past row end",
         blockHeader(3, 2) + hex("05 01 02 03 04 05 80 80 EE EE EE"),
         3,
         {1, 2, 3, 0, 0, 5}},
        {"transparent run past row end",
         blockHeader(2, 2) + hex("85 80 01 06 80 EE EE EE"),
         2,
         {0, 0, 6, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DC6Frame frame;
        frame.setDC6Data(c.block);
        EXPECT_EQ(frame.get_X_size(), c.width);
        EXPECT_EQ(frame.get_X_offset(), -3);
        EXPECT_EQ(frame.get_Y_offset(), 2);
        EXPECT_EQ(frame.getPixelData(0), c.pixels);
    }
}

TEST(FrameCodec, RefusedBlockLeavesTheFrameUnchanged) {
    const struct {
        const char* name;
        Bytes block;
    } cases[] = {
        {"shorter than 20 bytes", firstBytes(blockHeader(1, 1), 19)},
        {"zero width", blockHeader(0, 5) + hex("80 EE EE EE")},
        {"both sides negative", blockHeader(-2, -3) + hex("80 EE EE EE")},
        {"beyond the pixel limit", blockHeader(4097, 4096) + hex("80 EE EE EE")},
        {"side beyond 16 bits", blockHeader(1, 32768) + hex("80 EE EE EE")},
        {"product beyond 32 bits", blockHeader(INT32_MAX, 2) + hex("80 EE EE EE")},
        {"literal past block end", blockHeader(200, 1) + hex("7F 01 02 03 04 05")},
        {"store past the matrix", blockHeader(1, 3) + hex("05 09 01 07 80 80 EE EE EE")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto frame = makeFrame(2, 1, {1, 2}, 10, -5);
        frame->setNewPalette(testing::distinctPalette());
        EXPECT_THROW(frame->setDC6Data(c.block), QuilletError);
        EXPECT_EQ(frame->get_X_size(), 2);
        EXPECT_EQ(frame->get_Y_size(), 1);
        EXPECT_EQ(frame->get_X_offset(), 10);
        EXPECT_EQ(frame->getPixelData(0), (Bytes{1, 2}));
        EXPECT_EQ(frame->getNewPalette(), testing::distinctPalette());
    }
}

} // namespace
} // namespace quillet
