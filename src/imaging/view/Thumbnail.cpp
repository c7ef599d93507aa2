#include "Thumbnail.h"

#include "FrameImage.h"
#include "FramePixels.h"
#include "FrameView.h"

#include <QHash>
#include <algorithm>
#include <exception>
#include <functional>
#include <vector>

namespace quillet::imaging {

QImage renderThumbnail(const DC6Frame& frame, std::int16_t palTransform, QSize box,
                       bool transparentBackground) {
    const std::int64_t width = frame.get_X_size();
    const std::int64_t height = frame.get_Y_size();
    if (width < 1 || height < 1 || box.isEmpty())
        return {};
    // The larger side fills the box; the other keeps the proportion.
    const double scale = std::min(double(box.width()) / width, double(box.height()) / height);
    const int columns = std::clamp(static_cast<int>(width * scale + 0.5), 1, box.width());
    const int lines = std::clamp(static_cast<int>(height * scale + 0.5), 1, box.height());
    const Palette palette = frame.getNewPalette();
    QImage image(columns, lines, QImage::Format_RGB32);
    image.fill(paletteColour(palette, 0));
    Bytes pixels;
    try {
        pixels = frame.getPixelData(palTransform);
    } catch (const std::exception&) {
        return image;
    }
    if (static_cast<std::int64_t>(pixels.size()) < width * height)
        return image;

    const ColourTable colours = paletteColours(palette);
    std::vector<std::int64_t> sourceColumn(static_cast<std::size_t>(columns));
    for (int x = 0; x < columns; ++x)
        sourceColumn[static_cast<std::size_t>(x)] = x * width / columns;
    for (int y = 0; y < lines; ++y) {
        // Stored row 0 is the bottom line.
        const std::int64_t row = height - 1 - y * height / lines;
        const std::uint8_t* source = pixels.data() + row * width;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const bool oddRow = (y / kCheckerCell) % 2 != 0;
        for (int x = 0; x < columns; ++x) {
            const std::uint8_t index = source[sourceColumn[static_cast<std::size_t>(x)]];
            if (index == 0 && transparentBackground)
                line[x] = ((x / kCheckerCell) % 2 != 0) != oddRow ? kCheckerDark : kCheckerLight;
            else
                line[x] = colours[index];
        }
    }
    return image;
}

ThumbnailCache::ThumbnailCache(qsizetype budgetBytes) : m_cache(budgetBytes) {}

QImage ThumbnailCache::thumbnail(const DC6Frame& frame, std::int16_t palTransform, QSize box,
                                 bool transparentBackground) {
    // The original palette counts only where the transform maps through it.
    const Palette shown = frame.getNewPalette();
    std::size_t palettes = qHashBits(shown.data(), shown.size());
    if (palTransform != 0) {
        // So do the protected entries, which the re-indexing leaves out.
        const Palette original = frame.getOrigPalette();
        palettes = qHashBits(original.data(), original.size(), palettes);
        palettes = qHashMulti(palettes, std::hash<IndexSet>{}(frame.protectedEntries()));
    }
    const Key key{frame.pixelsId(), palettes, box.width(), box.height(), transparentBackground};
    if (const QImage* found = m_cache.object(key))
        return *found;
    QImage made = renderThumbnail(frame, palTransform, box, transparentBackground);
    ++m_made;
    // Frames without pixels share id 0 and are not kept.
    if (frame.pixelsId() != 0)
        m_cache.insert(key, new QImage(made), std::max<qsizetype>(1, made.sizeInBytes()));
    return made;
}

size_t qHash(const ThumbnailCache::Key& key, size_t seed) {
    return qHashMulti(seed, key.pixels, key.palettes, key.width, key.height, key.transparent);
}

} // namespace quillet::imaging
