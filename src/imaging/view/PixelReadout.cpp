#include "PixelReadout.h"

#include "FrameImage.h"

#include <QColor>
#include <array>

namespace quillet::imaging {

std::optional<PixelReadout> pixelAt(const ViewImage& view, int zoom, QPoint point) {
    if (zoom < 1 || point.x() < 0 || point.y() < 0)
        return std::nullopt;
    const QPoint at(point.x() / zoom, point.y() / zoom);
    if (!view.image.rect().contains(at))
        return std::nullopt;
    // An aligned view places the frame's top-left pixel at (x offset,
    // y offset - height) from the anchor; any other view starts with it.
    const ShownFrame& frame = view.shown;
    const std::int64_t frameTop = std::int64_t{frame.yOffset} - frame.height;
    std::int64_t left = 0;
    std::int64_t top = 0;
    if (view.anchor) {
        left = view.anchor->x() + std::int64_t{frame.xOffset};
        top = view.anchor->y() + frameTop;
    }
    const std::int64_t column = at.x() - left;
    const std::int64_t row = at.y() - top;
    if (column < 0 || row < 0 || column >= frame.width || row >= frame.height)
        return std::nullopt;
    const auto stored = static_cast<std::size_t>((frame.height - 1 - row) * frame.width + column);
    if (stored >= frame.indices.size())
        return std::nullopt;
    PixelReadout pixel;
    pixel.x = static_cast<int>(column);
    pixel.y = static_cast<int>(row);
    pixel.anchorX = frame.xOffset + column;
    pixel.anchorY = frameTop + row;
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
