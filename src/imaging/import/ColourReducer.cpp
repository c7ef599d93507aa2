#include "ColourReducer.h"

#include <libimagequant.h>
#include <memory>
#include <vector>

namespace quillet::imaging::detail {

namespace {

struct LiqAttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// Feeds rows straight from the picture, so no second full-size RGBA copy
// exists. Alpha is left out: translucent pixels become index 0 afterwards.
// libimagequant may ask for rows from several threads.
void liqRow(liq_color rowOut[], int row, int width, void* user) {
    thread_local std::vector<std::uint32_t> scratch;
    scratch.resize(static_cast<std::size_t>(width));
    const std::uint32_t* line =
        static_cast<const TrueColourPicture*>(user)->rows(row, scratch.data());
    for (int x = 0; x < width; ++x)
        rowOut[x] = liq_color{static_cast<unsigned char>(qRed(line[x])),
                              static_cast<unsigned char>(qGreen(line[x])),
                              static_cast<unsigned char>(qBlue(line[x])), 255};
}

} // namespace

ColourReducer::ColourReducer(const ImportOptions& options)
    : m_palette(options.documentPalette), m_dither(options.dither),
      m_excluded(options.excludedEntries()), m_nearest(options.documentPalette, m_excluded),
      m_progress(options.progress) {
    // Dithering between fewer than two colours is no dithering.
    if (m_excluded.count() > 254)
        m_dither = false;
}

IndexedPicture ColourReducer::reduce(const TrueColourPicture& picture) {
    IndexedPicture pic = blankPicture(picture.width, picture.height, m_palette);
    if (m_dither)
        dither(picture, pic);
    else
        matchColours(m_nearest, picture.rows, pic.width, pic.height, pic.pixels.data(),
                     static_cast<std::size_t>(pic.width), m_progress);
    if (picture.alpha)
        clearTranslucent(picture, pic);
    return pic;
}

// libimagequant remaps onto a palette fixed to the entries 1 to 255 that are
// not protected, with full
// error diffusion; its palette is then matched back to indices.
void ColourReducer::dither(const TrueColourPicture& picture, IndexedPicture& pic) const {
    std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr)
        fail("dithering is unavailable on this processor");
    // As many colours as are fixed, so that it adds none of its own.
    liq_set_max_colors(attr.get(), static_cast<int>(256 - m_excluded.count()));
    std::unique_ptr<liq_image, LiqImageDeleter> image(liq_image_create_custom(
        attr.get(), liqRow, const_cast<TrueColourPicture*>(&picture), pic.width, pic.height, 0));
    if (!image)
        fail("dithering could not take the picture");
    for (std::size_t j = 1; j < 256; ++j)
        if (!m_excluded[j])
            liq_image_add_fixed_color(image.get(), liq_color{m_palette[3 * j], m_palette[3 * j + 1],
                                                             m_palette[3 * j + 2], 255});
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        fail("dithering failed");
    std::unique_ptr<liq_result, LiqResultDeleter> result(raw);
    liq_set_dithering_level(result.get(), 1.0f);
    if (liq_write_remapped_image(result.get(), image.get(), pic.pixels.data(), pic.pixels.size()) !=
        LIQ_OK)
        fail("dithering failed");
    const liq_palette* lp = liq_get_palette(result.get());
    MapTable back{};
    for (unsigned i = 0; i < lp->count && i < 256; ++i)
        back[i] = m_nearest.scan(lp->entries[i].r, lp->entries[i].g, lp->entries[i].b);
    for (std::uint8_t& p : pic.pixels)
        p = back[p];
}

void ColourReducer::clearTranslucent(const TrueColourPicture& picture, IndexedPicture& pic) {
    std::vector<std::uint32_t> scratch(static_cast<std::size_t>(pic.width));
    for (int y = 0; y < pic.height; ++y) {
        const std::uint32_t* line = picture.rows(y, scratch.data());
        std::uint8_t* out = pic.pixels.data() + static_cast<std::size_t>(y) * pic.width;
        for (int x = 0; x < pic.width; ++x)
            if (qAlpha(line[x]) < kHalfOpaque)
                out[x] = 0;
    }
}

} // namespace quillet::imaging::detail
