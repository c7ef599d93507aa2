#include "PictureMaker.h"
#include "imaging/PictureImport.h"
#include "palette/PaletteFile.h"
#include "support/ImportChecks.h"

#include <QBuffer>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>

using namespace quillet;
using namespace quillet::testing;

namespace {

std::uint32_t colourAt(const Palette& pal, std::uint8_t index) {
    return std::uint32_t{pal[3 * index]} << 16 | std::uint32_t{pal[3 * index + 1]} << 8 |
           pal[3 * index + 2];
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

} // namespace

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
