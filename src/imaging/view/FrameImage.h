#pragma once

#include "sprite/Bytes.h"
#include "sprite/Palette.h"

#include <QImage>
#include <QList>
#include <array>
#include <cstdint>

namespace quillet::imaging {

// Palette entry `index` as an opaque colour.
QRgb paletteColour(const Palette& palette, std::uint8_t index);

using ColourTable = std::array<QRgb, 256>;

inline ColourTable paletteColours(const Palette& palette) {
    ColourTable colours;
    for (int index = 0; index < 256; ++index)
        colours[index] = paletteColour(palette, static_cast<std::uint8_t>(index));
    return colours;
}
// The same, as the colour lists of dialogs take them.
inline QList<QRgb> paletteColourList(const Palette& palette) {
    const ColourTable colours = paletteColours(palette);
    return QList<QRgb>(colours.begin(), colours.end());
}

// Writes a frame's indices in the colours of `palette` into `image`, which
// already has at least the frame's size; stored row 0 is the bottom line.
// Rows the pixel array does not fully hold keep what the image had, so a
// short array is never read past its end.
void paintFrame(QImage& image, std::int32_t width, std::int32_t height, const Bytes& pixels,
                const Palette& palette);

// The frame as a standalone image (width x height, RGB32, background colour
// 0): what the preview shows and what the bitmap export writes.
QImage renderFrame(std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
                   const Palette& Palette);

} // namespace quillet::imaging
