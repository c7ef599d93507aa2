// PNG through libpng, for the pictures and for their colour tables alike.
// libpng's errors unwind by longjmp, so every function that sets the jump
// point holds only plain data, and everything with a destructor lives in
// its callers.

#include "PictureFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <png.h>
#include <vector>

namespace quillet::imaging::detail {

namespace {

struct PngState {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    char message[160];
};

void pngRead(png_structp png, png_bytep out, std::size_t wanted) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (wanted > state->size - state->pos)
        png_error(png, "the file ends early");
    std::memcpy(out, state->data + state->pos, wanted);
    state->pos += wanted;
}

[[noreturn]] void pngFailed(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void pngWarned(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int paletteCount;
    png_color palette[256];
    int transparentCount;
    png_byte transparency[256];
    bool hasTransparency;
};

bool pngReadHeader(png_structp png, png_infop info, PngHeader* header) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 &interlace, nullptr, nullptr);
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) & PNG_INFO_PLTE) {
        header->paletteCount = std::clamp(count, 0, 256);
        std::memcpy(header->palette, palette,
                    sizeof(png_color) * static_cast<std::size_t>(header->paletteCount));
    }
    png_bytep alpha = nullptr;
    png_color_16p colour = nullptr;
    count = 0;
    if (png_get_tRNS(png, info, &alpha, &count, &colour) & PNG_INFO_tRNS) {
        header->hasTransparency = true;
        if (alpha && header->colourType == PNG_COLOR_TYPE_PALETTE) {
            header->transparentCount = std::clamp(count, 0, 256);
            std::memcpy(header->transparency, alpha,
                        static_cast<std::size_t>(header->transparentCount));
        }
    }
    return true;
}

// Paletted rows come out one index a byte; all others as 8-bit colour with
// alpha in the byte order of QImage::Format_ARGB32.
bool pngReadPixels(png_structp png, png_infop info, bool paletted, png_bytepp rows,
                   std::size_t rowBytes) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (paletted) {
        png_set_packing(png);
    } else {
        png_set_expand(png);
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        if constexpr (std::endian::native == std::endian::little) {
            png_set_bgr(png);
            png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        } else {
            png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
            png_set_swap_alpha(png);
        }
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != rowBytes)
        png_error(png, "unexpected row layout");
    png_read_image(png, rows);
    return true;
}

// A reader over the data with the caller's limits, its header read.
class PngReader {
public:
    PngReader(ByteView data, const ImportLimits& limits)
        : m_state{data.data(), data.size(), 0, {}} {
        m_handles.png =
            png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_state, pngFailed, pngWarned);
        if (!m_handles.png || !(m_handles.info = png_create_info_struct(m_handles.png)))
            fail("PNG: out of memory");
        png_set_read_fn(png(), &m_state, pngRead);
        // libpng's own caps, below ours: the size in the header, and the
        // memory that text and profile chunks may take.
        png_set_user_limits(png(), static_cast<png_uint_32>(limits.maxSide),
                            static_cast<png_uint_32>(limits.maxSide));
        png_set_chunk_cache_max(png(), 128);
        png_set_chunk_malloc_max(png(), std::size_t{8} << 20);
        if (!pngReadHeader(png(), info(), &header))
            failed();
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png() const { return m_handles.png; }
    png_infop info() const { return m_handles.info; }
    [[noreturn]] void failed() const { fail(std::string("PNG: ") + m_state.message); }
    bool paletted() const { return header.colourType == PNG_COLOR_TYPE_PALETTE; }
    Palette palette() const {
        Palette pal{};
        for (int i = 0; i < header.paletteCount; ++i)
            setEntry(pal, static_cast<std::size_t>(i), header.palette[i].red,
                     header.palette[i].green, header.palette[i].blue);
        return pal;
    }

    PngHeader header{};

private:
    struct Handles {
        png_structp png = nullptr;
        png_infop info = nullptr;
        ~Handles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    };
    PngState m_state;
    Handles m_handles;
};

class PngFormat : public PictureFormat {
public:
    void decode(ByteView data, PictureSink& sink) const override {
        const ImportLimits& limits = sink.limits();
        PngReader reader(data, limits);
        const std::int64_t w = reader.header.width;
        const std::int64_t h = reader.header.height;
        checkPictureSize(w, h, limits);
        const int channels = png_get_channels(reader.png(), reader.info());
        checkPixelsPerByte(w, h, data.size(), (w * reader.header.bitDepth * channels + 7) / 8 * h);

        std::vector<png_bytep> rows(static_cast<std::size_t>(h));
        if (reader.paletted()) {
            IndexedPicture pic =
                blankPicture(static_cast<int>(w), static_cast<int>(h), reader.palette());
            for (std::size_t y = 0; y < rows.size(); ++y)
                rows[y] = pic.pixels.data() + y * static_cast<std::size_t>(w);
            if (!pngReadPixels(reader.png(), reader.info(), true, rows.data(),
                               static_cast<std::size_t>(w)))
                reader.failed();
            std::array<bool, 256> clear{};
            for (int i = 0; i < reader.header.transparentCount; ++i)
                clear[static_cast<std::size_t>(i)] = reader.header.transparency[i] < kHalfOpaque;
            if (reader.header.transparentCount > 0)
                for (std::uint8_t& p : pic.pixels)
                    if (clear[p])
                        p = 0;
            sink.indexed(std::move(pic));
            return;
        }

        QImage argb(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
        if (argb.isNull())
            fail("out of memory for a picture of " + sizeText(w, h));
        for (int y = 0; y < argb.height(); ++y)
            rows[static_cast<std::size_t>(y)] = argb.scanLine(y);
        if (!pngReadPixels(reader.png(), reader.info(), false, rows.data(),
                           static_cast<std::size_t>(w) * 4))
            reader.failed();
        sink.colour(argb, (reader.header.colourType & PNG_COLOR_MASK_ALPHA) ||
                              reader.header.hasTransparency);
    }

    std::optional<Palette> colourTable(ByteView data) const override {
        const PngReader reader(data, ImportLimits{});
        if (!reader.paletted())
            fail("PNG: the picture has no colour table");
        return reader.palette();
    }
};

} // namespace

const PictureFormat& pngFormat() {
    static const PngFormat format;
    return format;
}

} // namespace quillet::imaging::detail
