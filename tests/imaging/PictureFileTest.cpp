#include "PictureMaker.h"
#include "imaging/PictureImport.h"
#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "support/ImportChecks.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillet;
using namespace quillet::testing;

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
