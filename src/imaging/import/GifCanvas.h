#pragma once

#include "PictureSink.h"

#include <QImage>

namespace quillet::imaging::detail {

// A GIF's canvas while its images are composed. Pixels are indices as long
// as every image uses the same colour table; when one brings another, the
// canvas turns to colour and the rest of the animation goes the true-colour
// way (indices of different tables cannot share one frame).
class GifCanvas {
public:
    GifCanvas(int width, int height, std::uint8_t background, const Palette& table);

    int width() const { return m_width; }
    int height() const { return m_height; }
    std::size_t pixels() const { return static_cast<std::size_t>(m_width) * m_height; }

    // The colour table of the image drawn next.
    void useTable(const Palette& table);
    void save();
    void restore();
    // The image's pixels at (left, top), clipped to the canvas; pixels of the
    // transparent index leave the canvas as it was.
    void draw(const Bytes& image, int left, int top, int width, int height, int transparent);
    // Back to the background colour.
    void clear(int left, int top, int width, int height);
    void deliver(PictureSink& sink) const;

private:
    void toColour();

    int m_width;
    int m_height;
    std::uint8_t m_background;
    Palette m_table;
    Palette m_imageTable;
    bool m_colour = false;
    QRgb m_backgroundColour = 0;
    Bytes m_indices;
    Bytes m_savedIndices;
    QImage m_colourImage;
    QImage m_savedColour;
};

} // namespace quillet::imaging::detail
