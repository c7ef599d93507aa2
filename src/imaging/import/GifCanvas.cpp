#include "GifCanvas.h"

#include <algorithm>

namespace quillet::imaging::detail {

namespace {

QRgb colourOf(const Palette& pal, std::uint8_t index) {
    return qRgb(pal[3 * index], pal[3 * index + 1], pal[3 * index + 2]);
}

} // namespace

GifCanvas::GifCanvas(int width, int height, std::uint8_t background, const Palette& table)
    : m_width(width), m_height(height), m_background(background), m_table(table),
      m_imageTable(table) {
    m_indices.assign(pixels(), background);
}

void GifCanvas::useTable(const Palette& table) {
    m_imageTable = table;
    if (table != m_table && !m_colour)
        toColour();
}

void GifCanvas::toColour() {
    m_colourImage = QImage(m_width, m_height, QImage::Format_RGB32);
    if (m_colourImage.isNull())
        fail("out of memory for a picture of " + sizeText(m_width, m_height));
    for (int y = 0; y < m_height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_colourImage.scanLine(y));
        for (int x = 0; x < m_width; ++x)
            line[x] = colourOf(m_table, m_indices[static_cast<std::size_t>(y) * m_width + x]);
    }
    m_backgroundColour = colourOf(m_table, m_background);
    m_indices = Bytes();
    m_colour = true;
}

void GifCanvas::save() {
    if (m_colour)
        m_savedColour = m_colourImage.copy();
    else
        m_savedIndices = m_indices;
}

void GifCanvas::restore() {
    if (m_colour && !m_savedColour.isNull())
        m_colourImage = m_savedColour;
    else if (!m_colour && !m_savedIndices.empty())
        m_indices = m_savedIndices;
}

void GifCanvas::draw(const Bytes& image, int left, int top, int width, int height,
                     int transparent) {
    auto* colours = m_colour ? reinterpret_cast<QRgb*>(m_colourImage.bits()) : nullptr;
    for (int y = std::max(0, -top); y < height && top + y < m_height; ++y) {
        const std::uint8_t* in = image.data() + static_cast<std::size_t>(y) * width;
        for (int x = std::max(0, -left); x < width && left + x < m_width; ++x) {
            if (in[x] == transparent)
                continue;
            const std::size_t at = static_cast<std::size_t>(top + y) * m_width + left + x;
            if (colours)
                colours[at] = colourOf(m_imageTable, in[x]);
            else
                m_indices[at] = in[x];
        }
    }
}

void GifCanvas::clear(int left, int top, int width, int height) {
    const int x0 = std::clamp(left, 0, m_width), x1 = std::clamp(left + width, 0, m_width);
    const int y0 = std::clamp(top, 0, m_height), y1 = std::clamp(top + height, 0, m_height);
    auto* colours = m_colour ? reinterpret_cast<QRgb*>(m_colourImage.bits()) : nullptr;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * m_width + x;
            if (colours)
                colours[at] = m_backgroundColour;
            else
                m_indices[at] = m_background;
        }
}

void GifCanvas::deliver(PictureSink& sink) const {
    if (m_colour) {
        sink.colour(m_colourImage, false);
        return;
    }
    IndexedPicture pic;
    pic.width = m_width;
    pic.height = m_height;
    pic.palette = m_table;
    pic.pixels = m_indices;
    sink.indexed(std::move(pic));
}

} // namespace quillet::imaging::detail
