#include "PixelBlock.h"

#include "OpaqueBox.h"

#include <algorithm>

namespace quillet::pixels {

namespace {

std::size_t offsetOf(int width, int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
}

} // namespace

Block copyBlock(const Canvas& canvas, const Rect& rect) {
    return {rect.width, rect.height, copyRect(canvas.pixels, canvas.width, rect)};
}

Rect pasteBlock(const Canvas& canvas, const Block& block, Point at) {
    const Rect covered = Rect{at.x, at.y, block.width, block.height}.intersected(canvas.bounds());
    for (int y = covered.y; y < covered.y + covered.height; ++y) {
        const std::uint8_t* source =
            block.indices.data() + offsetOf(block.width, covered.x - at.x, y - at.y);
        std::uint8_t* target = canvas.pixels.data() + offsetOf(canvas.width, covered.x, y);
        for (int x = 0; x < covered.width; ++x)
            if (source[x] != 0)
                target[x] = source[x];
    }
    return covered;
}

Rect clearRect(const Canvas& canvas, const Rect& rect) {
    const Rect inside = rect.intersected(canvas.bounds());
    for (int y = inside.y; y < inside.y + inside.height; ++y) {
        const auto first = canvas.pixels.begin() +
                           static_cast<std::ptrdiff_t>(offsetOf(canvas.width, inside.x, y));
        std::fill(first, first + inside.width, std::uint8_t{0});
    }
    return inside;
}

Bytes withMargins(ByteView pixels, int width, int height, const Margins& margins) {
    const auto newWidth = static_cast<int>(width + margins.left + margins.right);
    const auto newHeight = static_cast<int>(height + margins.top + margins.bottom);
    Bytes result(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight), 0);
    // Old column c lands on c + left and old stored row r on r + bottom: rows
    // are stored bottom up, so the bottom margin moves them, the top one not.
    const Rect kept =
        Rect{static_cast<int>(margins.left), static_cast<int>(margins.bottom), width, height}
            .intersected({0, 0, newWidth, newHeight});
    for (int y = kept.y; y < kept.y + kept.height; ++y) {
        const auto source =
            pixels.begin() +
            static_cast<std::ptrdiff_t>(offsetOf(width, kept.x - static_cast<int>(margins.left),
                                                 y - static_cast<int>(margins.bottom)));
        std::copy_n(source, kept.width,
                    result.begin() + static_cast<std::ptrdiff_t>(offsetOf(newWidth, kept.x, y)));
    }
    return result;
}

Margins trimmedMargins(ByteView pixels, int width, int height) {
    const PixelBox box = opaqueBox(pixels.data(), width, width, height);
    if (box.empty())
        return {0, -std::int64_t{height - 1}, -std::int64_t{width - 1}, 0};
    // The box's rows count from the first stored row, the bottom one.
    return {-std::int64_t{box.left}, -std::int64_t{height - box.top - box.height},
            -std::int64_t{width - box.left - box.width}, -std::int64_t{box.top}};
}

} // namespace quillet::pixels
