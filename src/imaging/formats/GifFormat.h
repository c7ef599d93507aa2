#pragma once

#include "IndexedRows.h"
#include "sprite/Palette.h"

#include <memory>

struct GifFileType;

namespace quillet::imaging {

// A looping animated GIF made in memory, image by image, on a screen with
// one colour table: index 0 is transparent, and each image is cleared to the
// background before the next one is drawn. Throws QuilletError.
class GifWriter {
public:
    GifWriter(int width, int height, const Palette& palette);
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    // `image` with its top-left pixel at (left, top) of the screen, shown for
    // `delay` hundredths of a second.
    void addImage(const IndexedRows& image, int left, int top, int delay);
    // The file; nothing can be added after.
    Bytes finish();

private:
    // Declared first: giflib writes the trailer into it when the file closes.
    Bytes m_out;
    std::unique_ptr<GifFileType, void (*)(GifFileType*)> m_gif;
};

} // namespace quillet::imaging
