// PNG through libpng: pictures and their colour tables are read, 8-bit
// palette pictures written. libpng reports errors by longjmp to the one jump
// point of pngGuarded, so the work it runs holds only plain data, and
// everything with a destructor lives in its callers.

#include "PngFormat.h"

#include "PictureFormat.h"
#include "sprite/Error.h"

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <png.h>
#include <string>
#include <vector>

namespace quillet::imaging {

namespace {

// Where libpng's error callback leaves its message for the exception thrown
// once libpng has unwound.
struct PngErrors {
    char message[160];
};

[[noreturn]] void pngFailed(png_structp png, png_const_charp message) {
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::snprintf(errors->message, sizeof errors->message, "%s",
                  message ? message : "unknown error");
    png_longjmp(png, 1);
}

void pngWarned(png_structp, png_const_charp) {}

// Runs `work` and says whether libpng let it finish.
template <typename Work> bool pngGuarded(png_structp png, const Work& work) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    work();
    return true;
}

} // namespace

namespace detail {

namespace {

struct PngInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void pngRead(png_structp png, png_bytep out, std::size_t wanted) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (wanted > input->size - input->pos)
        png_error(png, "the file ends early");
    std::memcpy(out, input->data + input->pos, wanted);
    input->pos += wanted;
}

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

void pngReadHeader(png_structp png, png_infop info, PngHeader* header) {
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
}

// Paletted rows come out one index a byte; all others as 8-bit colour with
// alpha in the byte order of QImage::Format_ARGB32.
void pngReadPixels(png_structp png, png_infop info, bool paletted, png_bytepp rows,
                   std::size_t rowBytes) {
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
}

// A reader over the data, its header read.
class PngReader {
public:
    explicit PngReader(ByteView data) : m_input{data.data(), data.size(), 0} {
        m_handles.png =
            png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_errors, pngFailed, pngWarned);
        if (!m_handles.png || !(m_handles.info = png_create_info_struct(m_handles.png)))
            fail("PNG: out of memory");
        png_set_read_fn(png(), &m_input, pngRead);
        // The size in the header is ours to check, after the header is read
        // and before any row is, so a picture too large says how large it is
        // and what the limit is instead of libpng's "Invalid IHDR data".
        // libpng still caps the memory that text and profile chunks may take.
        png_set_user_limits(png(), PNG_UINT_31_MAX, PNG_UINT_31_MAX);
        png_set_chunk_cache_max(png(), 128);
        png_set_chunk_malloc_max(png(), std::size_t{8} << 20);
        if (!pngGuarded(png(), [this] { pngReadHeader(png(), info(), &header); }))
            failed();
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png() const { return m_handles.png; }
    png_infop info() const { return m_handles.info; }
    void readPixels(bool paletted, png_bytepp rows, std::size_t rowBytes) {
        if (!pngGuarded(png(), [&] { pngReadPixels(png(), info(), paletted, rows, rowBytes); }))
            failed();
    }
    [[noreturn]] void failed() const { fail(std::string("PNG: ") + m_errors.message); }
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
    PngInput m_input;
    PngErrors m_errors{};
    Handles m_handles;
};

class PngFormat : public PictureFormat {
public:
    void decode(ByteView data, PictureSink& sink) const override {
        const ImportLimits& limits = sink.limits();
        PngReader reader(data);
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
            reader.readPixels(true, rows.data(), static_cast<std::size_t>(w));
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
        reader.readPixels(false, rows.data(), static_cast<std::size_t>(w) * 4);
        sink.colour(argb, (reader.header.colourType & PNG_COLOR_MASK_ALPHA) ||
                              reader.header.hasTransparency);
    }

    std::optional<Palette> colourTable(ByteView data) const override {
        const PngReader reader(data);
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

} // namespace detail

namespace {

void appendPngBytes(png_structp png, png_bytep data, std::size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        out->insert(out->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    if (!stored)
        png_error(png, "not enough memory for the picture");
}

void flushNothing(png_structp) {}

void pngWriteIndexed(png_structp png, png_infop info, const IndexedRows& picture,
                     const Palette& palette, Bytes* out) {
    png_set_write_fn(png, out, appendPngBytes, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    png_set_PLTE(png, info, colours, 256);
    png_byte transparent = 0;
    png_set_tRNS(png, info, &transparent, 1, nullptr);
    // Measured on sprite-like frames: level 3 is over twice as fast as the
    // default 6 for files 0.1 % larger.
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (std::int64_t y = 0; y < picture.height; ++y)
        png_write_row(png, picture.topRow(y));
    png_write_end(png, info);
}

} // namespace

Bytes encodeIndexedPng(const IndexedRows& picture, const Palette& palette) {
    if (picture.width <= 0 || picture.height <= 0)
        throw QuilletError("the picture is empty");
    if (picture.width > PNG_UINT_31_MAX || picture.height > PNG_UINT_31_MAX)
        throw QuilletError("the picture is too large for a PNG file");
    if (static_cast<std::uint64_t>(picture.indices.size()) /
            static_cast<std::uint64_t>(picture.width) <
        static_cast<std::uint64_t>(picture.height))
        throw QuilletError("the picture holds fewer pixels than its size");
    Bytes out;
    out.reserve(static_cast<std::size_t>(picture.width * picture.height / 4 + 1024));
    PngErrors errors{};
    struct Handles {
        png_structp png = nullptr;
        png_infop info = nullptr;
        ~Handles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
    } handles;
    handles.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, pngFailed, pngWarned);
    if (handles.png)
        handles.info = png_create_info_struct(handles.png);
    if (!handles.info || !pngGuarded(handles.png, [&] {
            pngWriteIndexed(handles.png, handles.info, picture, palette, &out);
        }))
        throw QuilletError(std::string("PNG encoder: ") +
                           (errors.message[0] ? errors.message : "not enough memory"));
    return out;
}

} // namespace quillet::imaging
