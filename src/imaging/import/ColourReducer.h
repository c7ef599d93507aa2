#pragma once

#include "DecodeTools.h"
#include "sprite/NearestColour.h"

namespace quillet::imaging::detail {

// True colour into the document palette: per pixel the nearest entry from 1
// to 255 that is not protected, or dithered onto those entries (error
// diffusion by libimagequant). The picture's decoding refuses a palette
// with no entry left before it gets here.
// Pixels less than half opaque become index 0, the only way to index 0.
class ColourReducer {
public:
    explicit ColourReducer(const ImportOptions& options);
    IndexedPicture reduce(const TrueColourPicture& picture);

private:
    void dither(const TrueColourPicture& picture, IndexedPicture& pic) const;
    static void clearTranslucent(const TrueColourPicture& picture, IndexedPicture& pic);

    Palette m_palette;
    bool m_dither;
    // Index 0 and the protected entries.
    IndexSet m_excluded;
    // Kept for every picture of an animation: the cells it built stay.
    NearestColour m_nearest;
    const WorkProgress& m_progress;
};

} // namespace quillet::imaging::detail
