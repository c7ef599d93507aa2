#pragma once

#include "sprite/DC6Frame.h"

#include <QCache>
#include <QImage>
#include <QSize>
#include <cstdint>

namespace quillet::imaging {

// The frame enlarged or shrunk to fit `box`, keeping its proportions, nearest
// neighbour, coloured as the preview colours it: indices read through
// getPixelData(palTransform), colours from the frame's new palette, index 0
// as the light checkerboard when `transparentBackground`. A frame that cannot
// give its pixels is drawn in its colour 0.
QImage renderThumbnail(const DC6Frame& frame, std::int16_t palTransform, QSize box,
                       bool transparentBackground);

// Thumbnails made once and kept within a fixed number of bytes, the least
// recently used going first. A thumbnail is found again under everything its
// picture depends on: the frame's pixel matrix, its palettes, the transform
// flag, the background and the box, so an edit makes only the thumbnails of
// the frames it changed anew.
class ThumbnailCache {
public:
    explicit ThumbnailCache(qsizetype budgetBytes = qsizetype{24} << 20);

    QImage thumbnail(const DC6Frame& frame, std::int16_t palTransform, QSize box,
                     bool transparentBackground);

    qsizetype bytesHeld() const { return m_cache.totalCost(); }
    qsizetype budget() const { return m_cache.maxCost(); }
    // How many thumbnails were made rather than found.
    std::uint64_t made() const { return m_made; }

    struct Key {
        std::uint64_t pixels;
        std::size_t palettes;
        int width;
        int height;
        bool transparent;
        bool operator==(const Key&) const = default;
    };

private:
    QCache<Key, QImage> m_cache;
    std::uint64_t m_made = 0;
};

size_t qHash(const ThumbnailCache::Key& key, size_t seed = 0);

} // namespace quillet::imaging
