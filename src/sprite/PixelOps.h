#pragma once

#include "Bytes.h"
#include "Palette.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillet::pixels {

// A pixel position in a frame's matrix: column x, stored row y. Lines,
// outlines and fills look the same whichever way up the rows are counted, so
// the drawing tools work in the frame's own order and leave turning it
// upright to the view.
struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// The pixels x .. x + width - 1 of the rows y .. y + height - 1.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(Point p) const {
        return p.x >= x && p.y >= y && p.x - x < width && p.y - y < height;
    }
    std::int64_t area() const { return empty() ? 0 : std::int64_t{width} * height; }
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect united(const Rect& other) const;
    Rect intersected(const Rect& other) const;
    bool operator==(const Rect&) const = default;
};

// The one-pixel box of `p`.
inline Rect pixelBox(Point p) {
    return {p.x, p.y, 1, 1};
}

// Entries the tools neither paint over nor paint with.
using quillet::IndexSet;

// A matrix to draw on: `width` x `height` indices, element y * width + x.
struct Canvas {
    int width = 0;
    int height = 0;
    std::span<std::uint8_t> pixels;

    Rect bounds() const { return {0, 0, width, height}; }
    std::uint8_t& at(Point p) const {
        return pixels[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(p.x)];
    }
};

// Every pixel of the straight line from `a` to `b`, both ends included, in
// order from `a`, each once and each touching the one before at a side or a
// corner. The line from `b` to `a` covers the same pixels, so a stroke drawn
// back over itself leaves no stray pixel.
std::vector<Point> linePoints(Point a, Point b);
// linePoints(a, b) for a line that may reach far past `bounds`: the same
// pixels while both ends lie within 65536 pixels of them; a longer line is
// first cut where it crosses them, so only their size is walked.
std::vector<Point> linePointsNear(Point a, Point b, const Rect& bounds);

// The outline of the rectangle with the corners `a` and `b`, each pixel once;
// a rectangle one pixel wide or high is a line, one pixel is a point.
std::vector<Point> rectangleOutline(Point a, Point b);

// Where a line from `from` towards `to` ends when it is kept to a multiple
// of 45 degrees: the nearest such direction, as long as its longer leg.
Point snapTo45Degrees(Point from, Point to);
// The corner opposite `from` of the square on the longer side of the
// rectangle `from`-`to`, in the same quadrant.
Point squareCorner(Point from, Point to);

// Sets the points inside the canvas to `index`, passing over pixels of a
// locked entry; nothing at all when `index` itself is locked. Returns the box
// of what changed (empty when nothing did).
Rect plot(const Canvas& canvas, std::span<const Point> points, std::uint8_t index,
          const IndexSet& locked = {});

// The 4-connected region of `seed`'s index becomes `index` (diagonal
// neighbours are not connected). Nothing when the seed is outside, its index
// is `index` or either index is locked. Returns the box of what changed.
Rect floodFill(const Canvas& canvas, Point seed, std::uint8_t index, const IndexSet& locked = {});

// Every pixel of index `from` becomes `to`, wherever it is; the same rule for
// locked entries. Returns the box of what changed.
Rect replaceEverywhere(const Canvas& canvas, std::uint8_t from, std::uint8_t to,
                       const IndexSet& locked = {});

// The pixels of `rect` out of a `width`-wide matrix, row by row. `rect` must
// lie inside the matrix.
Bytes copyRect(std::span<const std::uint8_t> pixels, int width, const Rect& rect);
// Writes `block` (as copyRect gives it) back over `rect`.
void pasteRect(std::span<std::uint8_t> pixels, int width, const Rect& rect,
               std::span<const std::uint8_t> block);

} // namespace quillet::pixels
