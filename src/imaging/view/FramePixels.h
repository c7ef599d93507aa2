#pragma once

// The one walk over a frame's indices that every frame drawing shares.

#include "sprite/Bytes.h"

#include <QImage>
#include <algorithm>
#include <cstdint>

namespace quillet::imaging {

// Calls `visit(QRgb& target, std::uint8_t index)` for each pixel of a frame
// whose top-left corner stands at (left, top) of a 32-bit `image`, stored row 0
// being the frame's bottom line. Pixels outside the image are skipped, and so
// are rows the pixel array does not fully hold.
template <class Visit>
void forEachFramePixel(QImage& image, std::int64_t left, std::int64_t top, std::int32_t width,
                       std::int32_t height, const Bytes& pixels, Visit visit) {
    if (width <= 0 || height <= 0 || image.isNull())
        return;
    const auto rowLength = static_cast<std::size_t>(width);
    const auto completeRows =
        static_cast<std::int64_t>(std::min<std::size_t>(pixels.size() / rowLength, height));
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -left);
    const std::int64_t endColumn = std::min<std::int64_t>(width, image.width() - left);
    // Stored row r lands on line top + height - 1 - r.
    const std::int64_t firstRow = std::max<std::int64_t>(0, top + height - image.height());
    const std::int64_t endRow = std::min<std::int64_t>(completeRows, top + height);
    if (firstColumn >= endColumn || firstRow >= endRow)
        return;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        const std::uint8_t* source = pixels.data() + row * width + firstColumn;
        QRgb* target = reinterpret_cast<QRgb*>(bits + (top + height - 1 - row) * stride) +
                       (left + firstColumn);
        for (std::int64_t column = firstColumn; column < endColumn; ++column)
            visit(*target++, *source++);
    }
}

} // namespace quillet::imaging
