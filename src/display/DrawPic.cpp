#include "DrawPic.h"

#include "ImageArea.h"

#include <algorithm>
#include <array>

namespace quillet::display {

namespace {

QRgb colourOf(const Palette& palette, std::uint8_t index) {
    return qRgb(palette[3 * index], palette[3 * index + 1], palette[3 * index + 2]);
}

// Writes the frame into `image`, which already has the frame's size. Stored
// row 0 is the bottom line. Rows the pixel array does not fully hold keep
// what the image had, so a short array can never be read past its end.
void paintFrame(QImage& image, std::int32_t width, std::int32_t height, const Bytes& pixels,
                const Palette& palette) {
    if (width <= 0 || height <= 0 || image.width() < width || image.height() < height)
        return;
    std::array<QRgb, 256> colours;
    for (int index = 0; index < 256; ++index)
        colours[index] = colourOf(palette, static_cast<std::uint8_t>(index));

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

// Outer size = frame + 2 for the border; a size no area can take stays at
// the largest one it can.
int outerSize(std::int32_t frameSize) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{frameSize} + 2, 2, INT32_MAX));
}

} // namespace

void DrawPic(ImageArea& Img, std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
             const Palette& Palette) {
    Img.clear();
    Img.setOuterSize(outerSize(X_size), outerSize(Y_size));
    Img.setBackgroundColour(colourOf(Palette, 0));
    paintFrame(Img.image(), X_size, Y_size, Pixels, Palette);
    Img.update();
}

QImage renderFrame(std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
                   const Palette& Palette) {
    QImage image(std::max(X_size, 0), std::max(Y_size, 0), QImage::Format_RGB32);
    image.fill(colourOf(Palette, 0));
    paintFrame(image, X_size, Y_size, Pixels, Palette);
    return image;
}

} // namespace quillet::display
