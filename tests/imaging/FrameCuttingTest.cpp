#include "PictureMaker.h"
#include "imaging/PictureImport.h"
#include "sprite/Error.h"
#include "support/ImportChecks.h"

#include <QRect>
#include <gtest/gtest.h>
#include <random>

using namespace quillet;
using namespace quillet::testing;

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
