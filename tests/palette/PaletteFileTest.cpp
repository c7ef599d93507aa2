#include "palette/PaletteFile.h"

#include "sprite/Error.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillet;

namespace {

class PaletteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("quillet_palette_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Bytes 0, 1, 2, ... wrapping at 251 so that no two palette entries look alike by accident.
    std::string writeFile(const std::string& name, std::size_t size) {
        const fs::path path = m_dir / name;
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i)
            out.put(static_cast<char>(i % 251));
        return path.string();
    }

    fs::path m_dir;
};

Palette filledPalette(std::uint8_t value) {
    Palette p;
    p.fill(value);
    return p;
}

} // namespace

TEST_F(PaletteFileTest, OnlyExactly768BytesAreAccepted) {
    for (std::size_t size : {0u, 1u, 767u, 769u, 1536u}) {
        SCOPED_TRACE(size);
        const std::string path = writeFile("p.pal", size);
        try {
            readPaletteFile(path);
            ADD_FAILURE() << "accepted";
        } catch (const PaletteSizeError& e) {
            EXPECT_STREQ(e.what(), "Wrong filesize (length of file is not 768 bytes)");
        }
    }
    const Palette pal = readPaletteFile(writeFile("p.pal", 768));
    for (std::size_t i = 0; i < pal.size(); ++i)
        ASSERT_EQ(pal[i], i % 251) << i;
    const Bytes bytes(769, 7);
    EXPECT_THROW(parsePaletteBytes(bytes), PaletteSizeError);
    EXPECT_EQ(parsePaletteBytes(ByteView(bytes).first(768)), filledPalette(7));
}

TEST_F(PaletteFileTest, UnreadableFileIsNotASizeErrorAndLeavesNamingTheFileToTheCaller) {
    for (const fs::path& path : {m_dir / "missing.pal", m_dir}) {
        SCOPED_TRACE(path.string());
        try {
            readPaletteFile(path.string());
            ADD_FAILURE() << "accepted";
        } catch (const PaletteSizeError&) {
            ADD_FAILURE() << "taken for a size error";
        } catch (const QuilletError& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.find(path.string()), std::string::npos) << text;
            EXPECT_NE(text.find("cannot be read"), std::string::npos) << text;
        }
    }
}

TEST_F(PaletteFileTest, BuiltinPaletteHasBlackFirstAndDistinctEntries) {
    const Palette& pal = builtinPalette();
    EXPECT_EQ(pal[0], 0);
    EXPECT_EQ(pal[1], 0);
    EXPECT_EQ(pal[2], 0);
    std::set<std::tuple<int, int, int>> colours;
    for (std::size_t i = 0; i < 256; ++i)
        colours.emplace(pal[3 * i], pal[3 * i + 1], pal[3 * i + 2]);
    EXPECT_EQ(colours.size(), 256u);
    EXPECT_TRUE(colours.count({255, 255, 255}));
}

TEST_F(PaletteFileTest, DefaultPaletteUsesFirst768BytesOrFallsBack) {
    struct Case {
        const char* name;
        long size; // -1: no file, -2: a folder of that name
        bool fromFile;
    };
    const Case cases[] = {{"missing", -1, false},
                          {"folder", -2, false},
                          {"767 bytes", 767, false},
                          {"768 bytes", 768, true},
                          {"2000 bytes", 2000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_dir / kDefaultPaletteFile);
        if (c.size == -2)
            fs::create_directory(m_dir / kDefaultPaletteFile);
        else if (c.size >= 0)
            writeFile(kDefaultPaletteFile, static_cast<std::size_t>(c.size));
        const Palette pal = loadDefaultPalette(m_dir.string());
        if (c.fromFile) {
            for (std::size_t i = 0; i < pal.size(); ++i)
                ASSERT_EQ(pal[i], i % 251) << i;
        } else {
            EXPECT_EQ(pal, builtinPalette());
        }
        EXPECT_EQ(loadDefaultPalette(m_dir.string() + "/"), pal);
    }
}

TEST(ApplyPaletteToFrames, EqualPalettesFollowTheChoiceDifferentOnesKeepTheirOriginal) {
    const Palette chosen = filledPalette(9);
    auto equal = std::make_shared<DC6Frame>();
    equal->seOriginalPalette(filledPalette(1));
    equal->setNewPalette(filledPalette(1));
    auto different = std::make_shared<DC6Frame>();
    different->seOriginalPalette(filledPalette(2));
    different->setNewPalette(filledPalette(3));
    auto fresh = std::make_shared<DC6Frame>(); // both zero, hence equal

    applyPaletteToFrames({equal, different, nullptr, fresh}, chosen);

    EXPECT_EQ(equal->getOrigPalette(), chosen);
    EXPECT_EQ(equal->getNewPalette(), chosen);
    EXPECT_EQ(different->getOrigPalette(), filledPalette(2));
    EXPECT_EQ(different->getNewPalette(), chosen);
    EXPECT_EQ(fresh->getOrigPalette(), chosen);
    EXPECT_EQ(fresh->getNewPalette(), chosen);
}
