#include "sprite/Error.h"
#include "sprite/transform.h"
#include "support/SpriteTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace quillet {
namespace {

using testing::hex;
using testing::makeFrame;

TEST(IntegerConversion, KnownValues) {
    const struct {
        const char* bytes;
        std::int32_t value;
    } cases[] = {
        {"2C 01 00 00", 300},       {"FE FF FF FF", -2},        {"FF FF FF FF", -1},
        {"00 00 00 80", INT32_MIN}, {"FF FF FF 7F", INT32_MAX}, {"FD FF FF FF", -3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strToLong(hex(c.bytes)), c.value) << c.bytes;
        EXPECT_EQ(longToStr(c.value), hex(c.bytes)) << c.value;
    }
    EXPECT_EQ(strToLong(hex("2C 01 00 00 99")), 300); // a fifth byte is ignored
    EXPECT_THROW(strToLong(hex("2C 01 00")), QuilletError);
}

TEST(DC6Frame, SetPixelDataResetsOffsetsAndPalettes) {
    auto frame = makeFrame(2, 1, {1, 2}, 10, -5);
    frame->seOriginalPalette(testing::distinctPalette());
    frame->setNewPalette(testing::distinctPalette());

    frame->setPixelData({7, 8, 9, 10, 11, 12, 99}, 3, 2); // extra elements are ignored
    EXPECT_EQ(frame->get_X_offset(), 0);
    EXPECT_EQ(frame->get_Y_offset(), 0);
    EXPECT_EQ(frame->getOrigPalette(), Palette{});
    EXPECT_EQ(frame->getNewPalette(), Palette{});
    EXPECT_EQ(frame->getPixelData(0), (Bytes{7, 8, 9, 10, 11, 12}));
}

TEST(DC6Frame, RefusedPixelDataLeavesTheFrameUnchanged) {
    const struct {
        Bytes pixels;
        std::int16_t width, height;
    } cases[] = {
        {{1}, 0, 1},       {{1}, 1, 0},        {{1, 2, 3, 4, 5, 6}, -2, -3},
        {{1, 2, 3}, 2, 2}, {{}, 32767, 32767}, // beyond the frame pixel limit
    };
    for (const auto& c : cases) {
        auto frame = makeFrame(2, 1, {1, 2}, 10, -5);
        frame->setNewPalette(testing::distinctPalette());
        EXPECT_THROW(frame->setPixelData(c.pixels, c.width, c.height), QuilletError);
        EXPECT_EQ(frame->get_X_size(), 2);
        EXPECT_EQ(frame->get_X_offset(), 10);
        EXPECT_EQ(frame->getNewPalette(), testing::distinctPalette());
        EXPECT_EQ(frame->getPixelData(0), (Bytes{1, 2}));
    }
}

TEST(DC6Frame, WithoutPixelsEveryReadOutFails) {
    DC6Frame frame;
    EXPECT_FALSE(frame.hasPixels());
    EXPECT_THROW(frame.getPixelData(0), QuilletError);
    EXPECT_THROW(frame.getFrameData(0), QuilletError);
    EXPECT_THROW(frame.getFrameHeader(0, 0), QuilletError);
}

// Every read-out that maps pixels (preview, export, save) must agree.
TEST(DC6Frame, PixelDataIsMappedIntoTheNewPalette) {
    Palette orig{}, fresh{};
    testing::setColour(orig, 1, 200, 0, 0);
    testing::setColour(orig, 2, 0, 0, 190);
    testing::setColour(fresh, 0, 0, 0, 0);
    testing::setColour(fresh, 7, 0, 0, 200);
    testing::setColour(fresh, 9, 210, 0, 0);
    // Index 7 repeats entry 0's colour and index 9 repeats entry 3's.
    Palette repeats = testing::distinctPalette();
    testing::setColour(repeats, 7, repeats[0], repeats[1], repeats[2]);
    testing::setColour(repeats, 9, repeats[9], repeats[10], repeats[11]);
    // An imported colour table holding entry 0's colour at index 2.
    Palette imported = testing::distinctPalette();
    testing::setColour(imported, 2, repeats[0], repeats[1], repeats[2]);

    const struct {
        const char* name;
        Palette orig, fresh;
        Bytes pixels, mapped;
    } cases[] = {
        {"mapped by nearest colour", orig, fresh, {1, 2, 0}, {9, 7, 0}},
        {"equal distinct palettes",
         testing::distinctPalette(),
         testing::distinctPalette(),
         {1, 2, 0},
         {1, 2, 0}},
        {"equal palettes with repeated colours keep every index",
         repeats,
         repeats,
         {7, 9, 3, 0, 200},
         {7, 9, 3, 0, 200}},
        {"an imported copy of entry 0's colour turns transparent",
         imported,
         repeats,
         {2, 3, 0, 200},
         {0, 3, 0, 200}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto frame = makeFrame(static_cast<int>(c.pixels.size()), 1, c.pixels);
        frame->seOriginalPalette(c.orig);
        frame->setNewPalette(c.fresh);
        EXPECT_EQ(frame->getPixelData(1), c.mapped);
        EXPECT_EQ(frame->getPixelData(-1), c.mapped); // any non-zero flag is on
        EXPECT_EQ(frame->getPixelData(0), c.pixels);  // the frame itself is not changed

        DC6Frame saved;
        saved.setDC6Data(testing::blockOf(*frame, 1));
        EXPECT_EQ(saved.getPixelData(0), c.mapped);
    }
}

TEST(transform, NearestColourBySumOfDifferencesLowestIndexWins) {
    const Palette distinct = testing::distinctPalette();
    const MapTable identity = transform{}.Map(distinct, distinct);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(identity[i], i);

    Palette blackTwice = distinct;
    testing::setColour(blackTwice, 0, 0, 0, 0);
    testing::setColour(blackTwice, 200, 0, 0, 0);
    const MapTable merged = transform{}.Map(blackTwice, blackTwice);
    EXPECT_EQ(merged[0], 0);
    EXPECT_EQ(merged[200], 0);

    // Everything far away except the entries under test.
    Palette src{}, dest{};
    dest.fill(255);
    testing::setColour(src, 1, 100, 100, 100);
    testing::setColour(dest, 5, 110, 100, 100);
    testing::setColour(dest, 9, 100, 90, 100);
    testing::setColour(src, 2, 0, 0, 0);
    testing::setColour(dest, 20, 30, 0, 0);
    testing::setColour(dest, 21, 12, 12, 12);
    const MapTable table = transform{}.Map(src, dest);
    EXPECT_EQ(table[1], 5);  // equal distances: the lower index
    EXPECT_EQ(table[2], 20); // 30 beats 36, though (12,12,12) is nearer in a straight line
}

// The matcher has an exact-colour shortcut and a vector path; both must agree
// with the plain definition, ties included. Narrow colour ranges make ties and
// duplicate entries common.
TEST(transform, AgreesWithPlainNearestColourSearch) {
    std::mt19937 random(7);
    for (int range : {2, 4, 16, 256}) {
        for (int round = 0; round < 20; ++round) {
            Palette src{}, dest{};
            for (std::size_t i = 0; i < src.size(); ++i) {
                src[i] = static_cast<std::uint8_t>(random() % range * (255 / (range - 1)));
                dest[i] = static_cast<std::uint8_t>(random() % range * (255 / (range - 1)));
            }
            const MapTable table = transform{}.Map(src, dest);
            // Single colours, transparent entry left out, through the
            // per-region lists (asked twice: the second answer is cached).
            NearestColour nearest(dest, 1);
            // The plain definition: the first entry from `from` at the least distance.
            const auto plainNearest = [&](int i, int from) {
                int best = 1000, bestIndex = 0;
                for (int j = from; j < 256; ++j) {
                    const int d = std::abs(dest[3 * j] - src[3 * i]) +
                                  std::abs(dest[3 * j + 1] - src[3 * i + 1]) +
                                  std::abs(dest[3 * j + 2] - src[3 * i + 2]);
                    if (d < best) {
                        best = d;
                        bestIndex = j;
                    }
                }
                return bestIndex;
            };
            for (int i = 0; i < 256; ++i) {
                const int bestIndex = plainNearest(i, 1);
                for (int ask = 0; ask < 2; ++ask)
                    ASSERT_EQ(nearest(src[3 * i], src[3 * i + 1], src[3 * i + 2]), bestIndex)
                        << "range " << range << " entry " << i;
            }
            for (int i = 0; i < 256; ++i)
                ASSERT_EQ(table[i], plainNearest(i, 0)) << "range " << range << " entry " << i;
        }
    }
}

} // namespace
} // namespace quillet
