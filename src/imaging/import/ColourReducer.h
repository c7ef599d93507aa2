#pragma once

#include "imaging/PictureImport.h"
#include "sprite/NearestColour.h"

#include <QImage>

namespace quillet::imaging::detail {

// True colour into the document palette: per pixel the nearest entry from 1
// to 255, or dithered onto those entries (error diffusion by libimagequant).
// Pictures arrive as 32-bit QImages (alpha meaningful when `alpha`); pixels
// less than half opaque become index 0, the only way to index 0.
class ColourReducer {
public:
    explicit ColourReducer(const ImportOptions& options);
    IndexedPicture reduce(const QImage& argb, bool alpha);

private:
    void nearest(const QImage& argb, IndexedPicture& pic);
    void dither(const QImage& argb, IndexedPicture& pic) const;
    static void clearTranslucent(const QImage& argb, IndexedPicture& pic);

    Palette m_palette;
    bool m_dither;
    // Kept for every picture of an animation: the cells it built stay.
    NearestColour m_nearest;
    const WorkProgress& m_progress;
};

} // namespace quillet::imaging::detail
