#include "PixelOps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace quillet::pixels {

namespace {

int sign(int v) {
    return v < 0 ? -1 : 1;
}

// Grows `box` by `p`.
void include(Rect& box, Point p) {
    box = box.united(pixelBox(p));
}

} // namespace

Rect Rect::united(const Rect& other) const {
    if (other.empty())
        return *this;
    if (empty())
        return other;
    const int left = std::min(x, other.x);
    const int top = std::min(y, other.y);
    const int right = std::max(x + width, other.x + other.width);
    const int bottom = std::max(y + height, other.y + other.height);
    return {left, top, right - left, bottom - top};
}

Rect Rect::intersected(const Rect& other) const {
    const int left = std::max(x, other.x);
    const int top = std::max(y, other.y);
    const int right = std::min(x + width, other.x + other.width);
    const int bottom = std::min(y + height, other.y + other.height);
    if (right <= left || bottom <= top)
        return {};
    return {left, top, right - left, bottom - top};
}

std::vector<Point> linePoints(Point a, Point b) {
    // Always walked from the same end, so both directions give one line.
    const bool reversed = std::pair(b.x, b.y) < std::pair(a.x, a.y);
    if (reversed)
        std::swap(a, b);
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int stepX = a.x < b.x ? 1 : -1;
    const int stepY = a.y < b.y ? 1 : -1;
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(std::max(dx, -dy)) + 1);
    // Bresenham's error term in 64 bits: sides near the int limits stay exact.
    std::int64_t error = std::int64_t{dx} + dy;
    Point p = a;
    for (;;) {
        points.push_back(p);
        if (p == b)
            break;
        const std::int64_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            p.y += stepY;
        }
    }
    if (reversed)
        std::reverse(points.begin(), points.end());
    return points;
}

std::vector<Point> linePointsNear(Point a, Point b, const Rect& bounds) {
    constexpr std::int64_t kReach = 65536;
    const auto near = [&](Point p) {
        return p.x >= bounds.x - kReach && p.y >= bounds.y - kReach &&
               std::int64_t{p.x} < std::int64_t{bounds.x} + bounds.width + kReach &&
               std::int64_t{p.y} < std::int64_t{bounds.y} + bounds.height + kReach;
    };
    if (near(a) && near(b))
        return linePoints(a, b);
    // Liang-Barsky against the bounds grown by a pixel: the part of a - b inside.
    const double ax = a.x;
    const double ay = a.y;
    const double dx = b.x - ax;
    const double dy = b.y - ay;
    const double left = bounds.x - 1.0;
    const double top = bounds.y - 1.0;
    const double right = left + bounds.width + 1.0;
    const double bottom = top + bounds.height + 1.0;
    double enter = 0.0;
    double leave = 1.0;
    const auto keep = [&](double p, double q) { // the part where p * t <= q
        if (p == 0.0)
            return q >= 0.0;
        const double t = q / p;
        if (p < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
        return enter <= leave;
    };
    if (!keep(-dx, ax - left) || !keep(dx, right - ax) || !keep(-dy, ay - top) ||
        !keep(dy, bottom - ay))
        return {};
    const auto at = [&](double t) {
        return Point{static_cast<int>(std::lround(ax + t * dx)),
                     static_cast<int>(std::lround(ay + t * dy))};
    };
    return linePoints(at(enter), at(leave));
}

std::vector<Point> rectangleOutline(Point a, Point b) {
    const int left = std::min(a.x, b.x);
    const int right = std::max(a.x, b.x);
    const int top = std::min(a.y, b.y);
    const int bottom = std::max(a.y, b.y);
    std::vector<Point> points;
    for (int x = left; x <= right; ++x)
        points.push_back({x, top});
    if (bottom == top)
        return points;
    for (int y = top + 1; y < bottom; ++y) {
        points.push_back({left, y});
        if (right != left)
            points.push_back({right, y});
    }
    for (int x = left; x <= right; ++x)
        points.push_back({x, bottom});
    return points;
}

Point snapTo45Degrees(Point from, Point to) {
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    const std::int64_t ax = std::abs(dx);
    const std::int64_t ay = std::abs(dy);
    // tan(22.5 degrees) = 0.414...: the borders between the eight directions.
    if (ay * 1000 <= ax * 414)
        return {to.x, from.y};
    if (ax * 1000 <= ay * 414)
        return {from.x, to.y};
    const int side = static_cast<int>(std::max(ax, ay));
    return {from.x + sign(dx) * side, from.y + sign(dy) * side};
}

Point squareCorner(Point from, Point to) {
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    const int side = std::max(std::abs(dx), std::abs(dy));
    return {from.x + sign(dx) * side, from.y + sign(dy) * side};
}

Rect plot(const Canvas& canvas, std::span<const Point> points, std::uint8_t index,
          const IndexSet& locked) {
    Rect changed;
    if (locked[index])
        return changed;
    const Rect bounds = canvas.bounds();
    for (const Point& p : points) {
        if (!bounds.contains(p))
            continue;
        std::uint8_t& pixel = canvas.at(p);
        if (pixel == index || locked[pixel])
            continue;
        pixel = index;
        include(changed, p);
    }
    return changed;
}

Rect floodFill(const Canvas& canvas, Point seed, std::uint8_t index, const IndexSet& locked) {
    if (!canvas.bounds().contains(seed))
        return {};
    const std::uint8_t target = canvas.at(seed);
    if (target == index || locked[target] || locked[index])
        return {};
    // Span filling: each run of the row is filled at once and seeds one point
    // per run of the target index in the rows above and below, so a solid
    // region costs one pass and a maze one visit per run.
    Rect changed;
    std::vector<Point> seeds{seed};
    const auto row = [&](int y) {
        return canvas.pixels.subspan(static_cast<std::size_t>(y) *
                                         static_cast<std::size_t>(canvas.width),
                                     static_cast<std::size_t>(canvas.width));
    };
    const auto seedRuns = [&](int y, int left, int right) {
        if (y < 0 || y >= canvas.height)
            return;
        const std::span<std::uint8_t> line = row(y);
        for (int x = left; x <= right; ++x) {
            if (line[static_cast<std::size_t>(x)] != target)
                continue;
            seeds.push_back({x, y});
            while (x <= right && line[static_cast<std::size_t>(x)] == target)
                ++x;
        }
    };
    while (!seeds.empty()) {
        const Point p = seeds.back();
        seeds.pop_back();
        const std::span<std::uint8_t> line = row(p.y);
        if (line[static_cast<std::size_t>(p.x)] != target)
            continue;
        int left = p.x;
        int right = p.x;
        while (left > 0 && line[static_cast<std::size_t>(left - 1)] == target)
            --left;
        while (right + 1 < canvas.width && line[static_cast<std::size_t>(right + 1)] == target)
            ++right;
        std::fill(line.begin() + left, line.begin() + right + 1, index);
        changed = changed.united({left, p.y, right - left + 1, 1});
        seedRuns(p.y - 1, left, right);
        seedRuns(p.y + 1, left, right);
    }
    return changed;
}

Rect replaceEverywhere(const Canvas& canvas, std::uint8_t from, std::uint8_t to,
                       const IndexSet& locked) {
    Rect changed;
    if (from == to || locked[from] || locked[to])
        return changed;
    for (int y = 0; y < canvas.height; ++y) {
        int left = -1;
        int right = -1;
        for (int x = 0; x < canvas.width; ++x) {
            std::uint8_t& pixel = canvas.at({x, y});
            if (pixel != from)
                continue;
            pixel = to;
            if (left < 0)
                left = x;
            right = x;
        }
        if (left >= 0)
            changed = changed.united({left, y, right - left + 1, 1});
    }
    return changed;
}

Bytes copyRect(std::span<const std::uint8_t> pixels, int width, const Rect& rect) {
    Bytes block;
    block.reserve(static_cast<std::size_t>(rect.area()));
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        const auto first = pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + rect.x;
        block.insert(block.end(), first, first + rect.width);
    }
    return block;
}

void pasteRect(std::span<std::uint8_t> pixels, int width, const Rect& rect,
               std::span<const std::uint8_t> block) {
    for (int y = 0; y < rect.height; ++y)
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(y) * rect.width, rect.width,
                    pixels.begin() + static_cast<std::ptrdiff_t>(rect.y + y) * width + rect.x);
}

} // namespace quillet::pixels
