#include "imaging/PictureImport.h"

#include "PictureMaker.h"
#include "sprite/Error.h"

#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillet;
using namespace quillet::testing;
using imaging::LoadImageFromMemory;

namespace {

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
        BmpSpec spec;
        spec.width = c.width;
        spec.height = 7;
        spec.bits = c.bits;
        spec.topDown = c.topDown;
        spec.headerSize = c.headerSize;
        if (c.bits == 1)
            spec.table = c.darkFirst ? std::vector<std::uint32_t>{0x102030, 0xF0E0D0}
                                     : std::vector<std::uint32_t>{0xF0E0D0, 0x102030};
        else
            spec.table = distinctColours(std::size_t{1} << c.bits, rng);
        spec.pixels = randomValues(std::size_t(spec.width) * spec.height, 1u << c.bits, rng);

        FrameList frames;
        ASSERT_NO_THROW(frames = LoadImageFromMemory(makeBmp(spec)));
        expectSingleFrame(frames, spec.width, spec.height, spec.pixels);
        EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(spec.table));
    }
}

TEST(IndexedBmp, IndicesPastAShortTableAreKept) {
    BmpSpec spec;
    spec.width = 16;
    spec.height = 16;
    spec.table = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    for (std::uint32_t i = 0; i < 256; ++i)
        spec.pixels.push_back(i);

    const FrameList frames = LoadImageFromMemory(makeBmp(spec));
    expectSingleFrame(frames, 16, 16, spec.pixels);
    EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(spec.table));
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
        BmpSpec spec;
        spec.width = c.width;
        spec.height = c.height;
        spec.bits = c.bits;
        spec.compression = c.bits == 8 ? 1 : 2;
        for (std::uint32_t i = 0; i < (1u << c.bits); ++i)
            spec.table.push_back(i * 0x010101);
        spec.rawData = c.stream;
        expectSingleFrame(LoadImageFromMemory(makeBmp(spec)), c.width, c.height, c.topDown);
    }
}

TEST(TrueColourPictures, FewColoursGetTheExactTableInOrderOfAppearance) {
    std::mt19937 rng(2);
    for (int bits : {24, 32})
        for (bool topDown : {false, true})
            for (std::size_t colours : {1u, 5u, 256u}) {
                SCOPED_TRACE(::testing::Message() << bits << " bits, " << colours << " colours"
                                                  << (topDown ? ", top-down" : ""));
                const std::vector<std::uint32_t> palette = distinctColours(colours, rng);
                BmpSpec spec;
                spec.bits = bits;
                spec.topDown = topDown;
                spec.width = 17;
                spec.height = 16;
                // Each colour shows up first in table order, then anything goes.
                std::vector<std::uint32_t> indices(palette.size());
                for (std::size_t i = 0; i < indices.size(); ++i)
                    indices[i] = static_cast<std::uint32_t>(i);
                const auto rest = randomValues(17 * 16 - indices.size(),
                                               static_cast<std::uint32_t>(colours), rng);
                indices.insert(indices.end(), rest.begin(), rest.end());
                for (std::uint32_t i : indices)
                    spec.pixels.push_back(palette[i]);

                FrameList frames;
                ASSERT_NO_THROW(frames = LoadImageFromMemory(makeBmp(spec)));
                expectSingleFrame(frames, 17, 16, indices);
                EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(palette));
            }
}

TEST(TrueColourPictures, ManyColoursAreReducedToNearColoursDeterministically) {
    BmpSpec spec;
    spec.bits = 24;
    spec.width = 64;
    spec.height = 64;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            spec.pixels.push_back(std::uint32_t(x * 4) << 16 | std::uint32_t(y * 4) << 8 | 0x40);
    const Bytes bmp = makeBmp(spec);

    const FrameList frames = LoadImageFromMemory(bmp);
    ASSERT_EQ(frames.size(), 1u);
    const Bytes pixels = frames[0]->getPixelData(0);
    const Palette pal = frames[0]->getOrigPalette();
    std::set<std::uint8_t> used(pixels.begin(), pixels.end());
    EXPECT_GT(used.size(), 128u);
    int worst = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            worst = std::max(worst, channelDistance(colourAt(pal, pixels[(63 - y) * 64 + x]),
                                                    spec.pixels[y * 64 + x]));
    EXPECT_LE(worst, 16);

    const FrameList again = LoadImageFromMemory(bmp);
    EXPECT_EQ(again[0]->getPixelData(0), pixels);
    EXPECT_EQ(again[0]->getOrigPalette(), pal);
}

TEST(Gif, KeepsIndicesAndTheTableThatApplies) {
    struct Case {
        const char* name;
        bool interlace;
        std::size_t globalSize;
        std::size_t localSize; // 0: none
    };
    const Case cases[] = {
        {"global table", false, 256, 0},
        {"interlaced", true, 256, 0},
        {"local table over a global one", false, 2, 16},
        {"local table only", true, 0, 64},
    };
    std::mt19937 rng(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifSpec spec;
        spec.screenWidth = 37;
        spec.screenHeight = 13;
        spec.globalTable = distinctColours(c.globalSize, rng);
        GifImage image;
        image.width = 37;
        image.height = 13;
        image.interlace = c.interlace;
        image.localTable = distinctColours(c.localSize, rng);
        const auto& table = c.localSize ? image.localTable : spec.globalTable;
        const auto values = randomValues(37 * 13, static_cast<std::uint32_t>(table.size()), rng);
        image.indices.assign(values.begin(), values.end());
        spec.images = {image};

        const FrameList frames = LoadImageFromMemory(makeGif(spec));
        expectSingleFrame(frames, 37, 13, values);
        EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf(table));
    }
}

TEST(Gif, FirstImageOnlyPlacedOnTheScreenOverTheBackground) {
    GifSpec spec;
    spec.screenWidth = 10;
    spec.screenHeight = 8;
    spec.background = 3;
    spec.globalTable = {0, 0x111111, 0x222222, 0x333333};
    GifImage first;
    first.left = 5;
    first.top = 2;
    first.width = 4;
    first.height = 3;
    first.indices = {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2};
    GifImage second;
    second.width = 10;
    second.height = 8;
    second.indices.assign(80, 1);
    spec.images = {first, second};

    std::vector<std::uint32_t> expected(80, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            expected[(2 + y) * 10 + 5 + x] = first.indices[y * 4 + x];
    expectSingleFrame(LoadImageFromMemory(makeGif(spec)), 10, 8, expected);
}

TEST(Gif, ImageReachingPastTheScreenKeepsItsOwnSize) {
    GifSpec spec;
    spec.screenWidth = 2;
    spec.screenHeight = 2;
    spec.globalTable = {0, 0xFFFFFF};
    GifImage image;
    image.left = 1;
    image.width = 5;
    image.height = 4;
    image.indices = {0, 1, 1, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0};
    spec.images = {image};
    expectSingleFrame(LoadImageFromMemory(makeGif(spec)), 5, 4,
                      std::vector<std::uint32_t>(image.indices.begin(), image.indices.end()));
}

TEST(Gif, IndicesPastTheColourTableAreKept) {
    GifSpec spec;
    spec.screenWidth = 16;
    spec.screenHeight = 16;
    std::mt19937 rng(4);
    spec.globalTable = distinctColours(256, rng);
    GifImage image;
    image.width = 16;
    image.height = 16;
    for (int i = 0; i < 256; ++i)
        image.indices.push_back(static_cast<std::uint8_t>(i));
    spec.images = {image};
    Bytes gif = makeGif(spec);
    // Shrink the global table to 2 entries; the image data still codes 8-bit indices.
    ASSERT_EQ(gif[10] & 0x87, 0x87);
    gif[10] = static_cast<std::uint8_t>((gif[10] & ~0x07) | 0x00);
    gif.erase(gif.begin() + 13 + 2 * 3, gif.begin() + 13 + 256 * 3);

    const FrameList frames = LoadImageFromMemory(gif);
    expectSingleFrame(frames, 16, 16,
                      std::vector<std::uint32_t>(image.indices.begin(), image.indices.end()));
    EXPECT_EQ(frames[0]->getOrigPalette(), paletteOf({spec.globalTable[0], spec.globalTable[1]}));
}

TEST(Jpeg, ColourAndGreyPicturesKeepTheDecodedColours) {
    constexpr int kW = 48;
    constexpr int kH = 32;
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_Grayscale8}) {
        SCOPED_TRACE(format);
        QImage source(kW, kH, QImage::Format_RGB32);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                source.setPixel(x, y,
                                ((x / 16 + y / 16) % 2) ? qRgb(200, 40, 40) : qRgb(30, 60, 220));
        const Bytes jpeg = encodeWithQt(source.convertToFormat(format), "JPEG", 100);
        // Few colours survive, so the importer's table must hold the decoded ones exactly.
        const QImage decoded = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
        ASSERT_EQ(decoded.size(), QSize(kW, kH));

        const FrameList frames = LoadImageFromMemory(jpeg);
        ASSERT_EQ(frames.size(), 1u);
        ASSERT_EQ(frames[0]->get_X_size(), kW);
        ASSERT_EQ(frames[0]->get_Y_size(), kH);
        const Bytes pixels = frames[0]->getPixelData(0);
        const Palette pal = frames[0]->getOrigPalette();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(colourAt(pal, pixels[(kH - 1 - y) * kW + x]),
                          decoded.pixel(x, y) & 0xFFFFFF)
                    << x << ", " << y;
    }
}

TEST(Tiling, BandsFromTheTopDownTilesLeftToRight) {
    struct Case {
        int width;
        int height;
        std::vector<std::pair<int, int>> tiles;
    };
    const Case cases[] = {
        {300, 600, {{256, 256}, {44, 256}, {256, 256}, {44, 256}, {256, 88}, {44, 88}}},
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
                         << c.width << " x " << c.height << (gif ? " GIF" : " BMP"));
            std::vector<std::uint32_t> values;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    values.push_back(value(x, y));
            Bytes file;
            if (gif) {
                GifSpec spec{c.width, c.height, 0, table, {}};
                spec.images.push_back(
                    GifImage{0,
                             0,
                             c.width,
                             c.height,
                             false,
                             {},
                             std::vector<std::uint8_t>(values.begin(), values.end())});
                file = makeGif(spec);
            } else {
                BmpSpec spec;
                spec.width = c.width;
                spec.height = c.height;
                spec.table = table;
                spec.pixels = values;
                file = makeBmp(spec);
            }

            const FrameList frames = LoadImageFromMemory(file);
            ASSERT_EQ(frames.size(), c.tiles.size());
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
                EXPECT_EQ(f.getNewPalette(), Palette{});
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
    BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.table = {0x000000, 0xFFFFFF};
    spec.pixels = {0, 1, 0, 1, 0, 1};
    write(m_dir / "a.bmp", makeBmp(spec));
    const Bytes keep = {'k', 'e', 'e', 'p'};
    write(m_dir / "a.bmp.bmp", keep);

    const FrameList frames = imaging::LoadImage((m_dir / "a.bmp").string());
    expectSingleFrame(frames, 3, 2, spec.pixels);
    EXPECT_EQ(listing(), (std::set<std::string>{"a.bmp", "a.bmp.bmp"}));
    std::ifstream in(m_dir / "a.bmp.bmp", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), keep);
}

// The caller that shows the message names the file, once.
TEST_F(PictureFile, UnreadableOrUndecodableFilesFailWithoutThePath) {
    write(m_dir / "text.bmp", Bytes{'h', 'e', 'l', 'l', 'o'});
    write(m_dir / "empty.gif", Bytes{});
    for (const fs::path& path :
         {m_dir / "missing.bmp", m_dir, m_dir / "text.bmp", m_dir / "empty.gif"}) {
        SCOPED_TRACE(path.string());
        try {
            imaging::LoadImage(path.string());
            ADD_FAILURE() << "accepted";
        } catch (const QuilletError& e) {
            EXPECT_EQ(std::string(e.what()).find(path.filename().string()), std::string::npos)
                << e.what();
        }
    }
}
