#include "FrameImage.h"

#include "FramePixels.h"

#include <algorithm>

namespace quillet::imaging {

QRgb paletteColour(const Palette& palette, std::uint8_t index) {
    return qRgb(palette[3 * index], palette[3 * index + 1], palette[3 * index + 2]);
}

void paintFrame(QImage& image, std::int32_t width, std::int32_t height, const Bytes& pixels,
                const Palette& palette) {
    if (width <= 0 || height <= 0 || image.width() < width || image.height() < height)
        return;
    const ColourTable colours = paletteColours(palette);
    forEachFramePixel(image, 0, 0, width, height, pixels,
                      [&colours](QRgb& target, std::uint8_t index) { target = colours[index]; });
}

QImage renderFrame(std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
                   const Palette& Palette) {
    QImage image(std::max(X_size, 0), std::max(Y_size, 0), QImage::Format_RGB32);
    image.fill(paletteColour(Palette, 0));
    paintFrame(image, X_size, Y_size, Pixels, Palette);
    return image;
}

} // namespace quillet::imaging
