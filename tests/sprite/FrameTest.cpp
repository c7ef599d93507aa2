#include "sprite/Error.h"
#include "sprite/transform.h"
#include "support/SpriteTestSupport.h"

#include <algorithm>
#include <array>
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

// Every way of matching agrees with the plain definition. Narrow component
// ranges make duplicate and equidistant entries common, clusters make cells
// with many candidates; pictures repeat colours in runs, carry junk in the
// top byte.
TEST(transform, AgreesWithPlainNearestColourSearch) {
    std::mt19937 random(7);
    const auto randomPalette = [&](int kind) {
        Palette pal{};
        const int range = std::array{2, 4, 16, 256, 0}[static_cast<std::size_t>(kind)];
        std::uint8_t centre[3] = {};
        for (std::size_t i = 0; i < pal.size(); ++i) {
            if (range > 0) {
                pal[i] = static_cast<std::uint8_t>(random() % range * (255 / (range - 1)));
                continue;
            }
            if (i % 48 == 0)
                for (auto& c : centre)
                    c = static_cast<std::uint8_t>(random());
            pal[i] = static_cast<std::uint8_t>(
                std::clamp<int>(centre[i % 3] + random() % 9 - 4, 0, 255));
        }
        return pal;
    };
    for (int kind = 0; kind < 5; ++kind) {
        for (int round = 0; round < 8; ++round) {
            const Palette src = randomPalette(kind), dest = randomPalette(kind);
            // Index 0 left out, as true colour is matched, or a protected
            // range and scattered entries as well.
            IndexSet excluded(round % 2);
            if (round >= 4)
                for (std::size_t j = 240; j < 256; j += round % 3 + 1)
                    excluded[j] = excluded[random() % 256] = true;
            const bool large = round == 0 && kind % 4 == 0; // shared among threads
            const int width = large ? 260 : 40, height = large ? 260 : 30;
            std::vector<std::uint32_t> picture;
            while (picture.size() < static_cast<std::size_t>(width) * height) {
                const std::size_t j = 3 * (random() % 256);
                std::uint32_t colour = random();
                if (random() % 2 == 0) // on or near an entry
                    colour = std::uint32_t{src[j]} << 16 | std::uint32_t{src[j + 1]} << 8 |
                             (src[j + 2] ^ random() % 4);
                picture.insert(
                    picture.end(),
                    std::min<std::size_t>(random() % 4 + 1, width * height - picture.size()),
                    colour);
            }
            Bytes shared(picture.size());
            NearestColour nearest(dest, excluded);
            matchColours(
                nearest,
                [&](int y, std::uint32_t* scratch) {
                    // Odd rows through the scratch row, even rows in place.
                    const std::uint32_t* row = picture.data() + std::size_t(y) * width;
                    return y % 2 ? std::copy_n(row, width, scratch) - width : row;
                },
                width, height, shared.data(), static_cast<std::size_t>(width));
            for (std::size_t i = 0; i < picture.size(); ++i) {
                const std::uint8_t want = testing::plainNearest(dest, picture[i], excluded);
                ASSERT_EQ(shared[i], want)
                    << "kind " << kind << " round " << round << " pixel " << i;
                ASSERT_EQ(nearest(static_cast<std::uint8_t>(picture[i] >> 16),
                                  static_cast<std::uint8_t>(picture[i] >> 8),
                                  static_cast<std::uint8_t>(picture[i])),
                          want);
            }
            const MapTable table = transform{}.Map(src, dest, excluded);
            for (std::size_t i = 0; i < 256; ++i)
                ASSERT_EQ(table[i], testing::plainNearest(dest,
                                                          std::uint32_t{src[3 * i]} << 16 |
                                                              std::uint32_t{src[3 * i + 1]} << 8 |
                                                              src[3 * i + 2],
                                                          excluded))
                    << "kind " << kind << " entry " << i;
        }
    }
}

} // namespace
} // namespace quillet
