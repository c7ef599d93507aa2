#include "FrameImage.h"

#include <algorithm>
#include <array>

namespace quillet::imaging {

QRgb paletteColour(const Palette& palette, std::uint8_t index) {
    return qRgb(palette[3 * index], palette[3 * index + 1], palette[3 * index + 2]);
}

void paintFrame(QImage& image, std::int32_t width, std::int32_t height, const Bytes& pixels,
                const Palette& palette) {
    if (width <= 0 || height <= 0 || image.width() < width || image.height() < height)
        return;
    std::array<QRgb, 256> colours;
    for (int index = 0; index < 256; ++index)
        colours[index] = paletteColour(palette, static_cast<std::uint8_t>(index));

    const auto rowLength = static_cast<std::size_t>(width);
    const auto completeRows =
        static_cast<std::int32_t>(std::min<std::size_t>(pixels.size() / rowLength, height));
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (std::int32_t row = 0; row < completeRows; ++row) {
        const std::uint8_t* source = pixels.data() + static_cast<std::size_t>(row) * rowLength;
        auto* line = reinterpret_cast<QRgb*>(bits + qsizetype{height - 1 - row} * stride);
        for (std::size_t column = 0; column < rowLength; ++column)
            line[column] = colours[source[column]];
    }
}

QImage renderFrame(std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
                   const Palette& Palette) {
    QImage image(std::max(X_size, 0), std::max(Y_size, 0), QImage::Format_RGB32);
    image.fill(paletteColour(Palette, 0));
    paintFrame(image, X_size, Y_size, Pixels, Palette);
    return image;
}

} // namespace quillet::imaging
