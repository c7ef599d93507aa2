#include "PictureMaker.h"
#include "imaging/PictureImport.h"
#include "support/ImportChecks.h"

#include <gtest/gtest.h>
#include <random>

using namespace quillet;
using namespace quillet::testing;

TEST(IndexedBmp, KeepsIndicesAndColourTable) {
    struct Case {
        int bits;
        int width;
        bool topDown;
        int headerSize;
        bool darkFirst; // 1-bit only: Qt reorders a dark-first table
    };
    const Case cases[] = {
        {1, 100, false, 40, true}, {1, 101, true, 40, false}, {1, 9, false, 12, true},
        {1, 33, false, 40, false}, {4, 100, false, 40, true}, {4, 101, true, 40, true},
        {4, 3, false, 12, true},   {8, 100, false, 40, true}, {8, 101, false, 40, true},
        {8, 101, true, 40, true},  {8, 5, false, 12, true},
    };
    std::mt19937 rng(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.bits << " bits, width " << c.width << (c.topDown ? ", top-down" : "")
                     << ", header " << c.headerSize);
        BmpRecipe recipe;
        recipe.width = c.width;
        recipe.height = 7;
        recipe.bits = c.bits;
        recipe.topDown = c.topDown;
        recipe.headerSize = c.headerSize;
        if (c.bits == 1)
            recipe.table = c.darkFirst ? std::vector<std::uint32_t>{0x102030, 0xF0E0D0}
                                       : std::vector<std::uint32_t>{0xF0E0D0, 0x102030};
        else
            recipe.table = distinctColours(std::size_t{1} << c.bits, rng);
        recipe.pixels = randomValues(std::size_t(recipe.width) * recipe.height, 1u << c.bits, rng);

        FrameList frames;
        ASSERT_NO_THROW(frames = load(makeBmp(recipe)));
        expectSingleFrame(frames, recipe.width, recipe.height, recipe.pixels);
        EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(recipe.table));
    }
}

TEST(IndexedBmp, IndicesPastAShortTableAreKept) {
    BmpRecipe recipe;
    recipe.width = 16;
    recipe.height = 16;
    recipe.table = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    for (std::uint32_t i = 0; i < 256; ++i)
        recipe.pixels.push_back(i);

    const FrameList frames = load(makeBmp(recipe));
    expectSingleFrame(frames, 16, 16, recipe.pixels);
    EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(recipe.table));
}

TEST(IndexedBmp, RunLengthCodedRowsDecodeAndSkippedPixelsStayZero) {
    struct Case {
        const char* name;
        int bits;
        int width;
        int height;
        Bytes stream;
        std::vector<std::uint32_t> topDown;
    };
    const Case cases[] = {
        {"RLE8: runs, absolute, end of line, delta, early end",
         8,
         6,
         4,
         {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 2, 9, 0, 2, 2, 1, 2, 5, 0, 1},
         {0, 0, 0, 0, 0, 0, //
          0, 0, 0, 0, 5, 5, //
          9, 9, 0, 0, 0, 0, //
          7, 7, 7, 1, 2, 3}},
        {"RLE4: nibble runs and an absolute run",
         4,
         5,
         2,
         {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1},
         {3, 4, 5, 0, 0, //
          1, 2, 1, 2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpRecipe recipe;
        recipe.width = c.width;
        recipe.height = c.height;
        recipe.bits = c.bits;
        recipe.compression = c.bits == 8 ? 1 : 2;
        for (std::uint32_t i = 0; i < (1u << c.bits); ++i)
            recipe.table.push_back(i * 0x010101);
        recipe.rawData = c.stream;
        expectSingleFrame(load(makeBmp(recipe)), c.width, c.height, c.topDown);
    }
}

TEST(Gif, KeepsIndicesAndTheTableThatApplies) {
    struct Case {
        const char* name;
        bool interlace;
        std::size_t globalSize;
        std::size_t localSize; // 0: none
        bool stripGlobal = false;
    };
    const Case cases[] = {
        {"global table", false, 256, 0},
        {"interlaced", true, 256, 0},
        {"local table over a global one", false, 2, 16},
        {"local table only", true, 0, 64},
        {"no table at all: the document palette's indices", false, 256, 0, true},
    };
    std::mt19937 rng(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifRecipe recipe;
        recipe.screenWidth = 37;
        recipe.screenHeight = 13;
        recipe.globalTable = distinctColours(c.globalSize, rng);
        GifImage image;
        image.width = 37;
        image.height = 13;
        image.interlace = c.interlace;
        image.localTable = distinctColours(c.localSize, rng);
        const auto& table = c.localSize ? image.localTable : recipe.globalTable;
        const auto values = randomValues(37 * 13, static_cast<std::uint32_t>(table.size()), rng);
        image.indices.assign(values.begin(), values.end());
        recipe.images = {image};

        Bytes gif = makeGif(recipe);
        Palette doc = documentPalette();
        if (c.stripGlobal) {
            // giflib writes no image without a table: it is cut out afterwards.
            gif[10] &= 0x7F;
            gif.erase(gif.begin() + 13, gif.begin() + 13 + 3 * std::ptrdiff_t(c.globalSize));
            doc = paletteOf(distinctColours(256, rng));
        }
        const FrameList frames = load(gif, doc);
        expectSingleFrame(frames, 37, 13, values);
        EXPECT_EQ(frames[0]->getOrigPalette(), c.stripGlobal ? doc : paletteOf(table));
    }
}

TEST(Gif, StillImagePlacedOnTheScreenOverTheBackground) {
    GifRecipe recipe;
    recipe.screenWidth = 10;
    recipe.screenHeight = 8;
    recipe.background = 3;
    recipe.globalTable = {0, 0x111111, 0x222222, 0x333333};
    GifImage first;
    first.left = 5;
    first.top = 2;
    first.width = 4;
    first.height = 3;
    first.indices = {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2};
    recipe.images = {first};

    std::vector<std::uint32_t> expected(80, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            expected[(2 + y) * 10 + 5 + x] = first.indices[y * 4 + x];
    expectSingleFrame(load(makeGif(recipe)), 10, 8, expected);
}

TEST(Gif, ImageReachingPastTheScreenKeepsItsOwnSize) {
    GifRecipe recipe;
    recipe.screenWidth = 2;
    recipe.screenHeight = 2;
    recipe.globalTable = {0, 0xFFFFFF};
    GifImage image;
    image.left = 1;
    image.width = 5;
    image.height = 4;
    image.indices = {0, 1, 1, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0};
    recipe.images = {image};
    expectSingleFrame(load(makeGif(recipe)), 5, 4,
                      std::vector<std::uint32_t>(image.indices.begin(), image.indices.end()));
}

TEST(Gif, IndicesPastTheColourTableAreKept) {
    GifRecipe recipe;
    recipe.screenWidth = 16;
    recipe.screenHeight = 16;
    std::mt19937 rng(4);
    recipe.globalTable = distinctColours(256, rng);
    GifImage image;
    image.width = 16;
    image.height = 16;
    for (int i = 0; i < 256; ++i)
        image.indices.push_back(static_cast<std::uint8_t>(i));
    recipe.images = {image};
    Bytes gif = makeGif(recipe);
    // Shrink the global table to 2 entries; the image data still codes 8-bit indices.
    ASSERT_EQ(gif[10] & 0x87, 0x87);
    gif[10] = static_cast<std::uint8_t>((gif[10] & ~0x07) | 0x00);
    gif.erase(gif.begin() + 13 + 2 * 3, gif.begin() + 13 + 256 * 3);

    const FrameList frames = load(gif);
    expectSingleFrame(frames, 16, 16,
                      std::vector<std::uint32_t>(image.indices.begin(), image.indices.end()));
    EXPECT_EQ(frames[0]->getOrigPalette(),
              paletteOf({recipe.globalTable[0], recipe.globalTable[1]}));
}

TEST(AnimatedGif, EveryImageComposedWithItsDisposal) {
    struct Case {
        const char* name;
        std::vector<GifImage> images;
        std::vector<std::string> frames; // the composed canvas after each image
    };
    const Case cases[] = {
        {"kept",
         {gifImage(0, 0, "1111/1111/1111", 1), gifImage(1, 1, "22", 1), gifImage(0, 0, "4")},
         {"1111/1111/1111", "1111/1221/1111", "4111/1221/1111"}},
        {"restored to the background",
         {gifImage(0, 0, "11/11", 2), gifImage(2, 1, "22/22")},
         {"1133/1133/3333", "3333/3322/3322"}},
        {"restored to the previous canvas",
         {gifImage(0, 0, "1111/1111/1111", 1), gifImage(1, 0, "22/22", 3), gifImage(3, 2, "4")},
         {"1111/1111/1111", "1221/1221/1111", "1111/1111/1114"}},
        {"transparent index shows what lies beneath",
         {gifImage(0, 0, "1111/1111/1111"), gifImage(0, 0, "5252/2525/5555", 0, 5)},
         {"1111/1111/1111", "1212/2121/1111"}},
        {"clipped at the canvas",
         {gifImage(0, 0, "1111/1111/1111"), gifImage(2, 2, "222/222"), gifImage(9, 9, "4")},
         {"1111/1111/1111", "1111/1111/1122", "1111/1111/1122"}},
        {"first image off the screen sets the canvas",
         {gifImage(3, 2, "111/111/111"), gifImage(4, 3, "22/22")},
         {"111/111/111", "111/122/122"}},
    };
    std::mt19937 rng(9);
    const std::vector<std::uint32_t> table = distinctColours(8, rng);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifRecipe recipe;
        recipe.screenWidth = 4;
        recipe.screenHeight = 3;
        recipe.background = 3;
        recipe.globalTable = table;
        recipe.images = c.images;
        const FrameList frames = load(makeGif(recipe));
        ASSERT_EQ(frames.size(), c.frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            SCOPED_TRACE(i + 1);
            const auto expected = digits(c.frames[i]);
            const int w = static_cast<int>(c.frames[i].find('/'));
            expectSingleFrame({frames[i]}, w, static_cast<int>(expected.size()) / w, expected);
            EXPECT_EQ(frames[i]->getOrigPalette(), paletteOf(table));
        }
    }
}

TEST(AnimatedGif, AnotherColourTableTurnsTheRestToTrueColour) {
    GifRecipe recipe;
    recipe.screenWidth = 2;
    recipe.screenHeight = 1;
    recipe.globalTable = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    GifImage second = gifImage(1, 0, "1");
    second.localTable = {0x000000, 0x336699};
    recipe.images = {gifImage(0, 0, "23"), second};
    const Palette doc = documentPalette();
    const FrameList frames = load(makeGif(recipe), doc);
    ASSERT_EQ(frames.size(), 2u);
    expectSingleFrame({frames[0]}, 2, 1, {2, 3});
    EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(recipe.globalTable));
    expectSingleFrame({frames[1]}, 2, 1,
                      {plainNearest(doc, 0xFF00FF00, false), plainNearest(doc, 0xFF336699, false)});
    EXPECT_EQ(frames[1]->getOrigPalette(), doc);
}

TEST(Png, PalettedPicturesKeepIndicesAndTableTranslucentEntriesBecome0) {
    struct Case {
        int depth;
        bool interlace;
        std::size_t colours;
        std::vector<std::uint8_t> alpha; // tRNS
    };
    const Case cases[] = {
        {1, false, 2, {}},          {2, true, 4, {}},
        {4, false, 16, {255, 127}}, {8, false, 256, {128, 0, 255, 127}},
        {8, true, 200, {}},         {4, true, 5, {}},
    };
    std::mt19937 rng(12);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.depth << " bits, " << c.colours << " colours");
        PngRecipe r;
        r.bitDepth = c.depth;
        r.interlace = c.interlace;
        r.width = 19;
        r.height = 11;
        r.table = distinctColours(c.colours, rng);
        r.tableAlpha = c.alpha;
        r.pixels = randomValues(19 * 11, std::min(1u << c.depth, 256u), rng);
        if (c.colours < (1u << c.depth))
            for (auto& p : r.pixels)
                p %= c.colours; // libpng's writer checks indices against the table
        std::vector<std::uint32_t> expected = r.pixels;
        for (auto& p : expected)
            if (p < c.alpha.size() && c.alpha[p] < 128)
                p = 0;
        const FrameList frames = load(makePng(r));
        expectSingleFrame(frames, 19, 11, expected);
        EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(r.table));
    }
}
