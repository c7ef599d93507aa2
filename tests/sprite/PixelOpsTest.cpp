#include "sprite/PixelOps.h"

#include "sprite/PixelBlock.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace quillet::pixels {
namespace {

// A matrix written as rows of digits, row 0 first.
struct Grid {
    int width;
    int height;
    Bytes pixels;
    explicit Grid(std::initializer_list<std::string> rows)
        : width(static_cast<int>(rows.begin()->size())), height(static_cast<int>(rows.size())) {
        for (const std::string& row : rows)
            for (char c : row)
                pixels.push_back(static_cast<std::uint8_t>(c - '0'));
    }
    Canvas canvas() { return {width, height, pixels}; }
};

// Every octant, both axes, a point, and lines whose reverse Bresenham would
// pick other pixels: each line starts and ends at its ends, steps to a
// neighbour each time, never repeats a pixel and is its own reverse.
TEST(PixelOps, LinesJoinTheirEndsInEveryOctant) {
    const Point from{5, 5};
    const Point ends[] = {{5, 5},  {12, 5}, {-2, 5}, {5, 12}, {5, -2}, {12, 8}, {8, 12},
                          {-2, 8}, {2, 12}, {-2, 2}, {2, -2}, {12, 2}, {8, -2}, {9, 7}};
    for (const Point& end : ends) {
        SCOPED_TRACE(std::to_string(end.x) + "," + std::to_string(end.y));
        const std::vector<Point> line = linePoints(from, end);
        ASSERT_EQ(line.front(), from);
        ASSERT_EQ(line.back(), end);
        EXPECT_EQ(line.size(),
                  static_cast<std::size_t>(std::max(std::abs(end.x - 5), std::abs(end.y - 5))) + 1);
        for (std::size_t i = 1; i < line.size(); ++i)
            EXPECT_LE(
                std::max(std::abs(line[i].x - line[i - 1].x), std::abs(line[i].y - line[i - 1].y)),
                1);
        std::vector<Point> back = linePoints(end, from);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(back, line);
    }
    EXPECT_EQ(snapTo45Degrees({0, 0}, {10, 3}), (Point{10, 0}));
    EXPECT_EQ(snapTo45Degrees({0, 0}, {-3, 10}), (Point{0, 10}));
    EXPECT_EQ(snapTo45Degrees({0, 0}, {-7, 10}), (Point{-10, 10}));
    EXPECT_EQ(squareCorner({4, 4}, {1, 9}), (Point{-1, 9}));
}

TEST(PixelOps, OutlinesFillsAndPatchesChangeWhatTheySayAndNoMore) {
    IndexSet seven;
    seven[7] = true;
    struct Case {
        const char* name;
        Grid grid;
        Rect (*op)(const Canvas&, const IndexSet&);
        IndexSet locked;
        Grid want;
        Rect changed;
    };
    const Case cases[] = {
        {"4-connected fill stops at a diagonal gap",
         Grid{"1100", "1100", "0011", "0011"},
         [](const Canvas& c, const IndexSet& l) {
             return floodFill(c, {0, 0}, 5, l);
         },
         {},
         Grid{"5500", "5500", "0011", "0011"},
         {0, 0, 2, 2}},
        {"fill runs around a maze",
         Grid{"00000", "11110", "00010", "01110", "00000"},
         [](const Canvas& c, const IndexSet& l) {
             return floodFill(c, {0, 4}, 2, l);
         },
         {},
         Grid{"22222", "11112", "22212", "21112", "22222"},
         {0, 0, 5, 5}},
        {"fill of every pixel of an index",
         Grid{"1100", "1100", "0011", "0011"},
         [](const Canvas& c, const IndexSet& l) { return replaceEverywhere(c, 1, 3, l); },
         {},
         Grid{"3300", "3300", "0033", "0033"},
         {0, 0, 4, 4}},
        {"fill of a locked index",
         Grid{"77", "00"},
         [](const Canvas& c, const IndexSet& l) {
             return floodFill(c, {0, 0}, 5, l);
         },
         seven,
         Grid{"77", "00"},
         {}},
        {"outline one pixel high",
         Grid{"0000", "0000"},
         [](const Canvas& c, const IndexSet& l) {
             const auto p = rectangleOutline({3, 1}, {0, 1});
             return plot(c, p, 4, l);
         },
         {},
         Grid{"0000", "4444"},
         {0, 1, 4, 1}},
        {"outline one pixel wide passes locked pixels",
         Grid{"00", "70", "00"},
         [](const Canvas& c, const IndexSet& l) {
             const auto p = rectangleOutline({0, 0}, {0, 2});
             return plot(c, p, 4, l);
         },
         seven,
         Grid{"40", "70", "40"},
         {0, 0, 1, 3}},
        {"outline clipped at the edges",
         Grid{"000", "000", "000"},
         [](const Canvas& c, const IndexSet& l) {
             const auto p = rectangleOutline({-1, 1}, {1, 5});
             return plot(c, p, 9, l);
         },
         {},
         Grid{"000", "990", "090"},
         {0, 1, 2, 2}},
        {"painting with a locked index",
         Grid{"00"},
         [](const Canvas& c, const IndexSet& l) {
             const Point p[] = {{0, 0}};
             return plot(c, p, 7, l);
         },
         seven,
         Grid{"00"},
         {}},
        {"clearing cut at the edges",
         Grid{"111", "111", "111"},
         [](const Canvas& c, const IndexSet&) {
             return clearRect(c, {-1, 1, 3, 5});
         },
         {},
         Grid{"111", "001", "001"},
         {0, 1, 2, 2}},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes before = c.grid.pixels;
        EXPECT_EQ(c.op(c.grid.canvas(), c.locked), c.changed);
        EXPECT_EQ(c.grid.pixels, c.want.pixels);
        // The changed box, taken before and put back, gives the old matrix.
        if (c.changed.empty())
            continue;
        const Bytes old = copyRect(before, c.grid.width, c.changed);
        pasteRect(c.grid.pixels, c.grid.width, c.changed, old);
        EXPECT_EQ(c.grid.pixels, before);
    }
}

// A 2 x 2 block (or one pixel) pasted on 3 x 3 pixels of 1 past each edge:
// only the pixels on the canvas change, and index 0 leaves the one under it.
TEST(PixelOps, PastedBlocksAreCutAtEachEdgeAndTheir0IsTransparent) {
    const struct {
        Grid block;
        Point at;
        Grid want;
        Rect changed;
    } cases[] = {
        {Grid{"05", "67"}, {-1, -1}, Grid{"711", "111", "111"}, {0, 0, 1, 1}},
        {Grid{"50", "67"}, {2, 2}, Grid{"111", "111", "115"}, {2, 2, 1, 1}},
        {Grid{"05", "60"}, {1, 0}, Grid{"115", "161", "111"}, {1, 0, 2, 2}},
        {Grid{"5"}, {3, 1}, Grid{"111", "111", "111"}, {}},
    };
    for (const auto& c : cases) {
        Grid grid{"111", "111", "111"};
        const Block block{c.block.width, c.block.height, c.block.pixels};
        EXPECT_EQ(pasteBlock(grid.canvas(), block, c.at), c.changed);
        EXPECT_EQ(grid.pixels, c.want.pixels);
    }
}

} // namespace
} // namespace quillet::pixels
