#include "PixelReadout.h"

#include "FrameImage.h"

#include <QColor>
#include <algorithm>
#include <array>
#include <utility>

namespace quillet::imaging {

namespace {

// The view's point of the frame's top-left pixel. An aligned view places it
// at (x offset, y offset - height) from the anchor; any other view starts with it.
std::pair<std::int64_t, std::int64_t> frameTopLeft(const ViewImage& view) {
    if (!view.anchor)
        return {0, 0};
    const ShownFrame& frame = view.shown;
    return {view.anchor->x() + std::int64_t{frame.xOffset},
            view.anchor->y() + std::int64_t{frame.yOffset} - frame.height};
}

std::int64_t floorDivide(std::int64_t value, int by) {
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

} // namespace

pixels::Point framePointAt(const ViewImage& view, int zoom, QPoint point) {
    constexpr std::int64_t kFar = std::int64_t{1} << 24;
    const auto [left, top] = frameTopLeft(view);
    const std::int64_t column = floorDivide(point.x(), std::max(zoom, 1)) - left;
    const std::int64_t row = floorDivide(point.y(), std::max(zoom, 1)) - top;
    return {static_cast<int>(std::clamp(column, -kFar, kFar)),
            static_cast<int>(std::clamp(view.shown.height - 1 - row, -kFar, kFar))};
}

QRect viewRectOf(const ViewImage& view, const pixels::Rect& box) {
    if (box.empty())
        return {};
    const auto [left, top] = frameTopLeft(view);
    // Stored rows y .. y + h - 1 stand on the lines from height - y - h down.
    const std::int64_t x0 = std::max<std::int64_t>(left + box.x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(top + view.shown.height - box.y - box.height, 0);
    const std::int64_t x1 = std::min<std::int64_t>(left + box.x + box.width, view.image.width());
    const std::int64_t y1 =
        std::min<std::int64_t>(top + view.shown.height - box.y, view.image.height());
    if (x0 >= x1 || y0 >= y1)
        return {};
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
            static_cast<int>(y1 - y0)};
}

std::optional<PixelReadout> pixelAt(const ViewImage& view, int zoom, QPoint point) {
    if (zoom < 1 || point.x() < 0 || point.y() < 0)
        return std::nullopt;
    if (!view.image.rect().contains(point.x() / zoom, point.y() / zoom))
        return std::nullopt;
    const ShownFrame& frame = view.shown;
    const pixels::Point at = framePointAt(view, zoom, point);
    if (!pixels::Rect{0, 0, frame.width, frame.height}.contains(at))
        return std::nullopt;
    const auto stored = static_cast<std::size_t>(at.y) * static_cast<std::size_t>(frame.width) +
                        static_cast<std::size_t>(at.x);
    if (stored >= frame.indices.size())
        return std::nullopt;
    const int row = frame.height - 1 - at.y;
    PixelReadout pixel;
    pixel.x = at.x;
    pixel.y = row;
    pixel.anchorX = std::int64_t{frame.xOffset} + at.x;
    pixel.anchorY = std::int64_t{frame.yOffset} - frame.height + row;
    pixel.index = frame.indices[stored];
    pixel.colour = paletteColour(frame.palette, pixel.index);
    return pixel;
}

QString readoutText(const PixelReadout& pixel) {
    return QStringLiteral("x %1, y %2 | anchor %3, %4 | %5")
        .arg(pixel.x)
        .arg(pixel.y)
        .arg(static_cast<qlonglong>(pixel.anchorX))
        .arg(static_cast<qlonglong>(pixel.anchorY))
        .arg(entryText(pixel.index, pixel.colour));
}

QString entryText(std::uint8_t index, QRgb colour) {
    return QStringLiteral("index %1 %2").arg(int{index}).arg(QColor(colour).name());
}

std::bitset<256> usedIndices(const Bytes& indices) {
    // Counting into a table first keeps the loop free of bit shuffling.
    std::array<bool, 256> seen{};
    for (std::uint8_t index : indices)
        seen[index] = true;
    std::bitset<256> used;
    for (std::size_t i = 0; i < seen.size(); ++i)
        used[i] = seen[i];
    return used;
}

} // namespace quillet::imaging
