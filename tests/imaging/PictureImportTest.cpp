#include "imaging/PictureImport.h"

#include "PictureMaker.h"
#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "support/SpriteTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillet;
using namespace quillet::testing;

namespace {

// Narrow components make equal distances, and duplicate entries, common.
Palette documentPalette() {
    std::mt19937 rng(11);
    Palette pal{};
    for (std::size_t i = 3; i < pal.size(); ++i)
        pal[i] = static_cast<std::uint8_t>(rng() % 6 * 51);
    return pal;
}

FrameList load(ByteView data, const Palette& doc = documentPalette(), bool dither = false) {
    return imaging::LoadImageFromMemory(data, {doc, dither});
}

std::vector<std::uint32_t> distinctColours(std::size_t n, std::mt19937& rng) {
    std::set<std::uint32_t> seen;
    std::vector<std::uint32_t> out;
    while (out.size() < n) {
        const std::uint32_t c = rng() & 0xFFFFFF;
        if (seen.insert(c).second)
            out.push_back(c);
    }
    return out;
}

std::vector<std::uint32_t> randomValues(std::size_t n, std::uint32_t below, std::mt19937& rng) {
    std::vector<std::uint32_t> out(n);
    for (auto& v : out)
        v = rng() % below;
    return out;
}

Palette paletteOf(const std::vector<std::uint32_t>& table) {
    Palette pal{};
    for (std::size_t i = 0; i < table.size() && i < 256; ++i) {
        pal[3 * i] = static_cast<std::uint8_t>(table[i] >> 16);
        pal[3 * i + 1] = static_cast<std::uint8_t>(table[i] >> 8);
        pal[3 * i + 2] = static_cast<std::uint8_t>(table[i]);
    }
    return pal;
}

std::uint32_t colourAt(const Palette& pal, std::uint8_t index) {
    return std::uint32_t{pal[3 * index]} << 16 | std::uint32_t{pal[3 * index + 1]} << 8 |
           pal[3 * index + 2];
}

// `topDown` holds the picture's values with its top row first; a frame's row 0 is its bottom row.
void expectSingleFrame(const FrameList& frames, int w, int h,
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

int channelDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
    return worst;
}

Bytes encodeWithQt(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality));
    return Bytes(bytes.begin(), bytes.end());
}

} // namespace

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

// The plain definition over entries 1 to 255; index 0 below half opacity.
std::uint8_t plainNearest(const Palette& pal, std::uint32_t argb, bool alpha) {
    return alpha && (argb >> 24) < 128 ? 0 : quillet::testing::plainNearest(pal, argb, 1);
}

// Colours on and between the palette's levels (ties), black (entry 0 is
// black too), and alpha on both sides of one half.
std::vector<std::uint32_t> testColours(std::size_t n, std::mt19937& rng) {
    std::vector<std::uint32_t> out;
    const std::uint32_t alphas[] = {0, 127, 128, 255, 255};
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = 0;
        for (int k = 0; k < 3; ++k)
            c = c << 8 | (rng() % 3 == 0 ? rng() % 256 : rng() % 11 * 51 / 2);
        out.push_back(alphas[rng() % 5] << 24 | (i % 17 == 0 ? 0 : c));
    }
    return out;
}

TEST(TrueColourPictures, OpaquePixelsGetTheNearestEntryFrom1To255) {
    struct Case {
        const char* name;
        bool alpha; // the picture's alpha counts
        std::function<Bytes(int, int, const std::vector<std::uint32_t>&)> make;
    };
    const auto bmp = [](int bits, bool alphaMask, bool topDown = false) {
        return [=](int w, int h, const std::vector<std::uint32_t>& pixels) {
            BmpRecipe r;
            r.bits = bits;
            r.topDown = topDown;
            r.width = w;
            r.height = h;
            r.alphaMask = alphaMask;
            r.pixels = pixels;
            return makeBmp(r);
        };
    };
    const auto png = [](int type, int depth, bool interlace) {
        return [=](int w, int h, const std::vector<std::uint32_t>& pixels) {
            PngRecipe r;
            r.colourType = type;
            r.bitDepth = depth;
            r.interlace = interlace;
            r.width = w;
            r.height = h;
            r.pixels = pixels;
            return makePng(r);
        };
    };
    const Case cases[] = {
        {"24-bit BMP", false, bmp(24, false)},
        {"24-bit BMP stored top-down", false, bmp(24, false, true)},
        {"32-bit BMP without an alpha mask", false, bmp(32, false)},
        {"32-bit BMP with an alpha mask", true, bmp(32, true)},
        {"32-bit BMP with an alpha mask and every alpha 0", false,
         [&](int w, int h, std::vector<std::uint32_t> pixels) {
             for (auto& p : pixels)
                 p &= 0xFFFFFF;
             return bmp(32, true)(w, h, pixels);
         }},
        {"RGB PNG", false, png(PNG_COLOR_TYPE_RGB, 8, false)},
        {"RGBA PNG", true, png(PNG_COLOR_TYPE_RGBA, 8, false)},
        {"16-bit interlaced RGBA PNG", true, png(PNG_COLOR_TYPE_RGBA, 16, true)},
    };
    const Palette doc = documentPalette();
    std::mt19937 rng(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint32_t> colours = testColours(23 * 19, rng);
        const FrameList frames = load(c.make(23, 19, colours), doc);
        std::vector<std::uint32_t> expected;
        for (std::uint32_t colour : colours)
            expected.push_back(plainNearest(doc, colour, c.alpha));
        expectSingleFrame(frames, 23, 19, expected);
        EXPECT_EQ(frames[0]->getOrigPalette(), doc);
        EXPECT_EQ(frames[0]->getNewPalette(), doc);
    }
}

TEST(TrueColourPictures, GreyPngsAndKeyColoursFollowTheSameRules) {
    struct Case {
        const char* name;
        int type;
        int depth;
        std::vector<std::uint32_t> pixels; // as PngRecipe takes them
        std::optional<std::uint32_t> key;
        std::vector<std::uint32_t> asArgb; // what the rule sees
    };
    const Case cases[] = {
        {"grey",
         PNG_COLOR_TYPE_GRAY,
         8,
         {0, 25, 200, 255},
         {},
         {0xFF000000, 0xFF191919, 0xFFC8C8C8, 0xFFFFFFFF}},
        {"2-bit grey",
         PNG_COLOR_TYPE_GRAY,
         2,
         {0, 1, 2, 3},
         {},
         {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
        {"grey and alpha",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         {0x7F000040, 0x80000040, 0xFF0000FF, 0x000000FF},
         {},
         {0x7F404040, 0x80404040, 0xFFFFFFFF, 0x00FFFFFF}},
        {"grey with a key colour",
         PNG_COLOR_TYPE_GRAY,
         8,
         {10, 20, 10, 30},
         10u,
         {0x000A0A0A, 0xFF141414, 0x000A0A0A, 0xFF1E1E1E}},
        {"colour with a key colour",
         PNG_COLOR_TYPE_RGB,
         8,
         {0x102030, 0x102031, 0x102030, 0},
         0x102030u,
         {0x00102030, 0xFF102031, 0x00102030, 0xFF000000}},
    };
    const Palette doc = documentPalette();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PngRecipe r;
        r.colourType = c.type;
        r.bitDepth = c.depth;
        r.width = 2;
        r.height = 2;
        r.pixels = c.pixels;
        r.keyColour = c.key;
        std::vector<std::uint32_t> expected;
        for (std::uint32_t argb : c.asArgb)
            expected.push_back(plainNearest(doc, argb, true));
        expectSingleFrame(load(makePng(r), doc), 2, 2, expected);
    }
}

TEST(TrueColourPictures, DitheringStaysInTheDocumentPaletteAndKeepsTransparency) {
    PngRecipe r;
    r.colourType = PNG_COLOR_TYPE_RGBA;
    r.width = 64;
    r.height = 48;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            r.pixels.push_back((x < 4 ? 0x10u : 0xFFu) << 24 | std::uint32_t(x * 4) << 16 |
                               std::uint32_t(y * 5) << 8 | 0x40);
    const Bytes png = makePng(r);
    Palette doc = builtinPalette();
    const FrameList frames = load(png, doc, true);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]->getOrigPalette(), doc);
    const Bytes pixels = frames[0]->getPixelData(0);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t index = pixels[static_cast<std::size_t>(47 - y) * 64 + x];
            ASSERT_EQ(index == 0, x < 4) << x << ", " << y;
            // Error diffusion may pick a neighbour of the nearest colour, not a far one.
            const std::uint32_t want = r.pixels[static_cast<std::size_t>(y) * 64 + x];
            if (x >= 4) {
                ASSERT_LE(channelDistance(colourAt(doc, index), want), 64) << x << ", " << y;
            }
        }
    EXPECT_EQ(load(png, doc, true)[0]->getPixelData(0), pixels);
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

        const FrameList frames = load(makeGif(recipe));
        expectSingleFrame(frames, 37, 13, values);
        EXPECT_EQ(frames[0]->getOrigPalette(),
                  table.empty() ? documentPalette() : paletteOf(table));
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

TEST(Jpeg, ColourAndGreyPicturesGoTheTrueColourWay) {
    constexpr int kW = 48;
    constexpr int kH = 32;
    const Palette doc = documentPalette();
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_Grayscale8}) {
        SCOPED_TRACE(format);
        QImage source(kW, kH, QImage::Format_RGB32);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                source.setPixel(x, y, qRgb(x * 5, y * 7, (x + y) * 2));
        const Bytes jpeg = encodeWithQt(source.convertToFormat(format), "JPEG", 90);
        const QImage decoded = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG")
                                   .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(decoded.size(), QSize(kW, kH));
        std::vector<std::uint32_t> expected;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                expected.push_back(plainNearest(doc, decoded.pixel(x, y), false));
        expectSingleFrame(load(jpeg, doc), kW, kH, expected);
    }
}

TEST(Tiling, BandsFromTheTopDownTilesLeftToRight) {
    struct Case {
        int width;
        int height;
        std::vector<std::pair<int, int>> tiles;
        bool tile = true;
    };
    const Case cases[] = {
        {300, 600, {{256, 256}, {44, 256}, {256, 256}, {44, 256}, {256, 88}, {44, 88}}},
        {300, 600, {{300, 600}}, false},
        {257, 1, {{257, 1}}, false},
        {256, 256, {{256, 256}}},
        {257, 256, {{256, 256}, {1, 256}}},
        {256, 257, {{256, 256}, {256, 1}}},
        {1, 1, {{1, 1}}},
    };
    const auto value = [](int x, int y) {
        return static_cast<std::uint32_t>((x * 7 + y * 13) & 255);
    };
    std::mt19937 rng(5);
    const std::vector<std::uint32_t> table = distinctColours(256, rng);
    for (const Case& c : cases)
        for (bool gif : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << c.width << " x " << c.height << (gif ? " GIF" : " BMP")
                         << (c.tile ? "" : " whole"));
            std::vector<std::uint32_t> values;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    values.push_back(value(x, y));
            Bytes file;
            if (gif) {
                GifRecipe recipe{c.width, c.height, 0, table, {}};
                recipe.images.push_back(
                    GifImage{0,
                             0,
                             c.width,
                             c.height,
                             false,
                             {},
                             std::vector<std::uint8_t>(values.begin(), values.end())});
                file = makeGif(recipe);
            } else {
                BmpRecipe recipe;
                recipe.width = c.width;
                recipe.height = c.height;
                recipe.table = table;
                recipe.pixels = values;
                file = makeBmp(recipe);
            }

            imaging::ImportOptions options{documentPalette()};
            options.tile = c.tile;
            // Every tile is reported, and the last report is the whole.
            std::int64_t reported = 0;
            options.progress = [&](std::int64_t done, std::int64_t total) {
                reported = done == total ? done : reported;
                return true;
            };
            const FrameList frames = imaging::LoadImageFromMemory(file, options);
            ASSERT_EQ(frames.size(), c.tiles.size());
            EXPECT_EQ(reported, std::ssize(c.tiles));
            int top = 0;
            int left = 0;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const DC6Frame& f = *frames[i];
                const auto [tw, th] = c.tiles[i];
                ASSERT_EQ(f.get_X_size(), tw) << "frame " << i + 1;
                ASSERT_EQ(f.get_Y_size(), th) << "frame " << i + 1;
                EXPECT_EQ(f.get_X_offset(), 0);
                EXPECT_EQ(f.get_Y_offset(), 0);
                EXPECT_EQ(f.getOrigPalette(), paletteOf(table));
                EXPECT_EQ(f.getNewPalette(), documentPalette());
                const Bytes pixels = f.getPixelData(0);
                for (int k = 0; k < th; ++k)
                    for (int l = 0; l < tw; ++l)
                        ASSERT_EQ(pixels[k * tw + l], value(left + l, top + th - 1 - k))
                            << "frame " << i + 1 << ", tile row " << k << ", column " << l;
                left += tw;
                if (left == c.width) {
                    left = 0;
                    top += th;
                }
            }
            EXPECT_EQ(top, c.height);
        }
}

// Pictures written as rows of digits, top row first: "0120/3333".
std::vector<std::uint32_t> digits(const std::string& rows) {
    std::vector<std::uint32_t> out;
    for (char c : rows)
        if (c != '/')
            out.push_back(static_cast<std::uint32_t>(c - '0'));
    return out;
}

GifImage gifImage(int left, int top, const std::string& rows, int disposal = -1,
                  int transparent = -1) {
    GifImage image;
    image.left = left;
    image.top = top;
    image.width =
        static_cast<int>(rows.find('/') == std::string::npos ? rows.size() : rows.find('/'));
    const auto values = digits(rows);
    image.height = static_cast<int>(values.size()) / image.width;
    image.indices.assign(values.begin(), values.end());
    image.disposal = disposal;
    image.transparent = transparent;
    return image;
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

TEST(Sheets, CellsBecomeFramesTrimmedToTheirBoxInPlace) {
    // 2 x 2 cells of 4 x 3, margin 1, spacing 2; the margin and the spacing
    // hold 1s so that a cell read from the wrong place shows.
    const std::vector<std::uint32_t> sheet = digits("111111111111/"
                                                    "105001100001/"
                                                    "100601100001/"
                                                    "100001100001/"
                                                    "111111111111/"
                                                    "111111111111/"
                                                    "177771100001/"
                                                    "177771100001/"
                                                    "107771100091/"
                                                    "111111111111");
    struct Expected {
        int column, row, width, height, x, y;
    };
    struct Case {
        const char* name;
        imaging::SheetGrid grid;
        bool trim;
        std::vector<Expected> frames;
    };
    const Case cases[] = {
        {"cell size, trimmed",
         {4, 3, 0, 0, 1, 2},
         true,
         {{0, 0, 2, 2, 1, -1}, {0, 1, 4, 3, 0, 0}, {1, 1, 1, 1, 3, 0}}},
        {"cell size, whole cells",
         {4, 3, 0, 0, 1, 2},
         false,
         {{0, 0, 4, 3, 0, 0}, {0, 1, 4, 3, 0, 0}, {1, 1, 4, 3, 0, 0}}},
        {"columns x rows",
         {0, 0, 2, 2, 1, 2},
         true,
         {{0, 0, 2, 2, 1, -1}, {0, 1, 4, 3, 0, 0}, {1, 1, 1, 1, 3, 0}}},
    };
    PngRecipe r;
    r.width = 12;
    r.height = 10;
    r.table = {0,        0x111111, 0x222222, 0x333333, 0x444444,
               0x555555, 0x666666, 0x777777, 0x888888, 0x999999};
    r.pixels = sheet;
    const Bytes png = makePng(r);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FrameList frames = imaging::LoadSheetFromMemory(png, c.grid, c.trim, {});
        ASSERT_EQ(frames.size(), c.frames.size());
        // The same cells as a dialog would show them before cutting.
        const imaging::SheetCells cells =
            imaging::findSheetCells(imaging::decodeSheetPicture(png, {}), c.grid);
        ASSERT_EQ(cells.cells.size(), 4u);
        EXPECT_TRUE(cells.cells[1].empty());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const Expected& e = c.frames[i];
            const imaging::SheetCell& cell = cells.cells[std::size_t(e.row * 2 + e.column)];
            EXPECT_EQ(cell.rect, QRect(1 + e.column * 6, 1 + e.row * 5, 4, 3));
            if (c.trim) {
                EXPECT_EQ(cell.box.size(), QSize(e.width, e.height));
            }
            const DC6Frame& f = *frames[i];
            ASSERT_EQ(f.get_X_size(), e.width) << "frame " << i + 1;
            ASSERT_EQ(f.get_Y_size(), e.height) << "frame " << i + 1;
            EXPECT_EQ(f.get_X_offset(), e.x) << "frame " << i + 1;
            EXPECT_EQ(f.get_Y_offset(), e.y) << "frame " << i + 1;
            EXPECT_EQ(f.getOrigPalette(), paletteOf(r.table));
            // Bottom-left corner at (x, y) from the cell's bottom-left corner.
            const int left = 1 + e.column * 6 + e.x;
            const int bottom = 1 + e.row * 5 + 3 + e.y; // one below the frame's lowest row
            const Bytes pixels = f.getPixelData(0);
            for (int k = 0; k < e.height; ++k)
                for (int l = 0; l < e.width; ++l)
                    ASSERT_EQ(pixels[k * e.width + l], sheet[(bottom - 1 - k) * 12 + left + l])
                        << "frame " << i + 1 << " row " << k << " column " << l;
        }
    }
}

TEST(Sheets, GridsThatDoNotFitOrMakeTooManyFramesAreRefused) {
    BmpRecipe r;
    r.width = 200;
    r.height = 200;
    r.table = {0, 0xFFFFFF};
    r.pixels.assign(200 * 200, 1);
    const Bytes bmp = makeBmp(r);
    const imaging::SheetGrid grids[] = {
        {201, 10, 0, 0, 0, 0}, {10, 10, 0, 0, 195, 0}, {10, 10, 0, 0, -1, 0},
        {10, 10, 0, 0, 0, -2}, {0, 0, 201, 1, 0, 0},   {0, 0, 2, 2, 60, 90},
        {0, 0, 0, 0, 0, 0},    {1, 1, 0, 0, 0, 0}, // 40000 frames
    };
    for (const imaging::SheetGrid& g : grids) {
        SCOPED_TRACE(::testing::Message() << g.cellWidth << "x" << g.cellHeight << " " << g.columns
                                          << "x" << g.rows << " +" << g.margin << "+" << g.spacing);
        EXPECT_THROW(imaging::LoadSheetFromMemory(bmp, g, false, {}), QuilletError);
    }
    EXPECT_EQ(imaging::LoadSheetFromMemory(bmp, {2, 1, 0, 0, 0, 0}, true, {}).size(), 20000u);
}

TEST(PaletteFiles, TextPalettesAndPictureTablesOrAReason) {
    const auto bytes = [](const std::string& text) { return Bytes(text.begin(), text.end()); };
    std::mt19937 rng(13);
    const std::vector<std::uint32_t> table16 = distinctColours(16, rng);
    BmpRecipe bmp4;
    bmp4.bits = 4;
    bmp4.width = 3;
    bmp4.table = table16;
    bmp4.pixels = {1, 2, 3};
    BmpRecipe bmp24 = bmp4;
    bmp24.bits = 24;
    bmp24.table.clear();
    PngRecipe png2;
    png2.bitDepth = 2;
    png2.table = {table16.begin(), table16.begin() + 3};
    png2.pixels = {2};
    PngRecipe rgb;
    rgb.colourType = PNG_COLOR_TYPE_RGB;
    rgb.pixels = {0x123456};
    GifRecipe global{1, 1, 0, table16, {gifImage(0, 0, "1")}};
    GifRecipe local{1, 1, 0, {}, {gifImage(0, 0, "1")}};
    local.images[0].localTable = {table16.begin(), table16.begin() + 8};
    Bytes raw(768);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(i * 5);
    raw[0] = 'B';
    raw[1] = 'M';
    std::string gimp300 = "GIMP Palette\n";
    for (int i = 0; i < 257; ++i)
        gimp300 += "1 2 3\n";

    struct Case {
        const char* name;
        Bytes data;
        std::optional<Palette> palette; // unset: refused
    };
    const Case cases[] = {
        {"JASC", bytes("JASC-PAL\r\n0100\r\n2\r\n255 0 7\r\n1 2 3\r\n\r\n"),
         paletteOf({0xFF0007, 0x010203})},
        {"GIMP", bytes("GIMP Palette\nName: x\nColumns: 2\n#\n255   0   7\tRed\n  1 2 3\n"),
         paletteOf({0xFF0007, 0x010203})},
        {"4-bit BMP", makeBmp(bmp4), paletteOf(table16)},
        {"2-bit PNG", makePng(png2), paletteOf(png2.table)},
        {"GIF global table", makeGif(global), paletteOf(table16)},
        {"GIF local table", makeGif(local), paletteOf(local.images[0].localTable)},
        {"768 raw bytes that start like a BMP", raw,
         [&] {
             Palette p;
             std::copy(raw.begin(), raw.end(), p.begin());
             return p;
         }()},
        {"JASC with 257 colours", bytes("JASC-PAL\n0100\n257\n"), {}},
        {"JASC component 256", bytes("JASC-PAL\n0100\n1\n256 0 0\n"), {}},
        {"JASC short of its count", bytes("JASC-PAL\n0100\n3\n1 2 3\n"), {}},
        {"JASC past its count", bytes("JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n"), {}},
        {"JASC with two numbers", bytes("JASC-PAL\n0100\n1\n1 2\n"), {}},
        {"GIMP with 257 colours", bytes(gimp300), {}},
        {"GIMP with a word for a number", bytes("GIMP Palette\n1 two 3\n"), {}},
        {"GIMP with no colours", bytes("GIMP Palette\nName: empty\n"), {}},
        {"24-bit BMP", makeBmp(bmp24), {}},
        {"colour PNG", makePng(rgb), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.palette) {
            EXPECT_EQ(imaging::parsePaletteAny(c.data), *c.palette);
            continue;
        }
        try {
            imaging::parsePaletteAny(c.data);
            ADD_FAILURE() << "accepted";
        } catch (const PaletteSizeError& e) {
            ADD_FAILURE() << "size error instead of the reason";
        } catch (const QuilletError& e) {
            EXPECT_GT(std::string(e.what()).size(), 10u) << e.what();
        }
    }
    EXPECT_THROW(imaging::parsePaletteAny(Bytes(767, 1)), PaletteSizeError);
}

class PictureFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("quillet_import_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void write(const fs::path& path, const Bytes& data) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path m_dir;
};

TEST_F(PictureFile, ImportLeavesTheFolderAsItWas) {
    BmpRecipe recipe;
    recipe.width = 3;
    recipe.height = 2;
    recipe.table = {0x000000, 0xFFFFFF};
    recipe.pixels = {0, 1, 0, 1, 0, 1};
    write(m_dir / "a.bmp", makeBmp(recipe));
    const Bytes keep = {'k', 'e', 'e', 'p'};
    write(m_dir / "a.bmp.bmp", keep);

    const FrameList frames = imaging::LoadImage((m_dir / "a.bmp").string(), {});
    expectSingleFrame(frames, 3, 2, recipe.pixels);
    EXPECT_EQ(listing(), (std::set<std::string>{"a.bmp", "a.bmp.bmp"}));
    std::ifstream in(m_dir / "a.bmp.bmp", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), keep);
}

TEST_F(PictureFile, UnreadableOrUndecodableFilesAreRefusedWithoutNamingThePath) {
    write(m_dir / "text.bmp", Bytes{'h', 'e', 'l', 'l', 'o'});
    write(m_dir / "empty.gif", Bytes{});
    for (const fs::path& path :
         {m_dir / "missing.bmp", m_dir, m_dir / "text.bmp", m_dir / "empty.gif"}) {
        SCOPED_TRACE(path.string());
        try {
            imaging::LoadImage(path.string(), {});
            ADD_FAILURE() << "accepted";
        } catch (const QuilletError& e) {
            // The caller names the file, once.
            EXPECT_EQ(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        }
    }
}
