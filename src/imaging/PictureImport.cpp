#include "imaging/PictureImport.h"

#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"
#include "sprite/SafeFile.h"
#include "sprite/transform.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <new>
#include <png.h>
#include <string>

namespace quillet::imaging {

namespace {

constexpr int kTileSide = 256;

// Compressed pictures may not announce more pixels per byte of the file
// than this. Real files stay far below (LZW yields under 2730 pixels a byte,
// deflate under 1032 bytes, a complete JPEG under 512 pixels even when flat;
// only BMP run-length jumps could go further), so a small file claiming a
// huge picture is refused before its pixels are allocated.
constexpr std::int64_t kMaxPixelsPerByte = 4096;
// Small pictures pass regardless: their cost is negligible.
constexpr std::int64_t kPixelsAlwaysAllowed = std::int64_t{1} << 16;

// An uncompressed 32-bit BMP of the largest accepted size, plus room for its headers.
constexpr std::uint64_t kMaxPictureFileBytes = kMaxPicturePixels * 4 + (std::uint64_t{1} << 20);

// Pixels at least this opaque are kept; the rest become index 0.
constexpr int kHalfOpaque = 128;

[[noreturn]] void fail(const std::string& why) {
    throw QuilletError(why);
}

std::string sizeText(std::int64_t w, std::int64_t h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

void checkPictureSize(std::int64_t w, std::int64_t h, const ImportLimits& limits) {
    if (w <= 0 || h <= 0)
        fail("picture size " + sizeText(w, h) + " has no pixels");
    if (w > limits.maxSide || h > limits.maxSide || w * h > limits.maxPixels)
        fail("picture size " + sizeText(w, h) + " exceeds the limit of " +
             std::to_string(limits.maxSide) + " pixels per side and " +
             std::to_string(limits.maxPixels) + " pixels in all");
}

// For compressed formats, after checkPictureSize (so the product cannot
// overflow). `units` is what the decoder inflates to: pixels, or bytes for
// pictures packing several pixels into a byte.
void checkPixelsPerByte(std::int64_t w, std::int64_t h, std::size_t fileBytes,
                        std::int64_t units = -1) {
    const std::int64_t budget = std::max<std::int64_t>(
        kPixelsAlwaysAllowed, static_cast<std::int64_t>(fileBytes) * kMaxPixelsPerByte);
    if ((units < 0 ? w * h : units) > budget)
        fail("picture size " + sizeText(w, h) + " is implausible for a file of " +
             std::to_string(fileBytes) + " bytes");
}

std::uint32_t le16(ByteView d, std::size_t at) {
    return strToShort(d.subspan(at));
}
std::uint32_t le32(ByteView d, std::size_t at) {
    return static_cast<std::uint32_t>(strToLong(d.subspan(at)));
}
std::uint32_t be32(ByteView d, std::size_t at) {
    return std::uint32_t{d[at]} << 24 | std::uint32_t{d[at + 1]} << 16 |
           std::uint32_t{d[at + 2]} << 8 | d[at + 3];
}

void setEntry(Palette& pal, std::size_t i, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    pal[3 * i] = r;
    pal[3 * i + 1] = g;
    pal[3 * i + 2] = b;
}

// Palette indices with the picture's colour table, rows from the top down.
// Indexed pictures from Qt keep their QImage; the others fill `buffer`.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    Palette palette{};
    QImage image;
    Bytes buffer;

    const std::uint8_t* row(int y) const {
        return image.isNull() ? buffer.data() + static_cast<std::size_t>(y) * width
                              : image.constScanLine(y);
    }
    void allocateBuffer() { buffer.assign(static_cast<std::size_t>(width) * height, 0); }
};

// Entries past the table stay zero, so indices past it show black.
Palette paletteFromColorTable(const QList<QRgb>& table) {
    Palette pal{};
    const std::size_t n = std::min<std::size_t>(table.size(), 256);
    for (std::size_t i = 0; i < n; ++i)
        setEntry(pal, i, static_cast<std::uint8_t>(qRed(table[i])),
                 static_cast<std::uint8_t>(qGreen(table[i])),
                 static_cast<std::uint8_t>(qBlue(table[i])));
    return pal;
}

// ---------------------------------------------------------------------------
// True colour into the document palette

struct LiqAttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// Feeds rows straight from the QImage, so no second full-size RGBA copy
// exists. Alpha is left out: translucent pixels become index 0 afterwards.
void liqRow(liq_color rowOut[], int row, int width, void* user) {
    const auto* image = static_cast<const QImage*>(user);
    const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(row));
    for (int x = 0; x < width; ++x)
        rowOut[x] = liq_color{static_cast<unsigned char>(qRed(line[x])),
                              static_cast<unsigned char>(qGreen(line[x])),
                              static_cast<unsigned char>(qBlue(line[x])), 255};
}

// Pictures arrive as 32-bit QImages (alpha meaningful when `alpha`); the
// result holds document palette indices, entry 0 only for translucent pixels.
class ColourReducer {
public:
    explicit ColourReducer(const ImportOptions& options)
        : m_palette(options.documentPalette), m_dither(options.dither),
          m_nearest(options.documentPalette, 1), m_progress(options.progress) {}

    IndexedPicture reduce(const QImage& argb, bool alpha) {
        IndexedPicture pic;
        pic.width = argb.width();
        pic.height = argb.height();
        pic.palette = m_palette;
        pic.allocateBuffer();
        if (m_dither)
            dither(argb, pic);
        else
            nearest(argb, pic);
        if (alpha)
            clearTranslucent(argb, pic);
        return pic;
    }

private:
    void nearest(const QImage& argb, IndexedPicture& pic) {
        constexpr int kRowsPerReport = 64;
        QRgb last = 0;
        std::uint8_t lastIndex = m_nearest(0, 0, 0);
        for (int y = 0; y < pic.height; ++y) {
            if (y % kRowsPerReport == 0)
                reportProgress(m_progress, y, pic.height);
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            std::uint8_t* out = pic.buffer.data() + static_cast<std::size_t>(y) * pic.width;
            for (int x = 0; x < pic.width; ++x) {
                const QRgb colour = line[x] & 0xFFFFFFu;
                if (colour != last) {
                    last = colour;
                    lastIndex = m_nearest(static_cast<std::uint8_t>(qRed(colour)),
                                          static_cast<std::uint8_t>(qGreen(colour)),
                                          static_cast<std::uint8_t>(qBlue(colour)));
                }
                out[x] = lastIndex;
            }
        }
    }

    // libimagequant remaps onto a palette fixed to entries 1 to 255, with
    // full error diffusion; its palette is then matched back to indices.
    void dither(const QImage& argb, IndexedPicture& pic) {
        std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
        if (!attr)
            fail("dithering is unavailable on this processor");
        liq_set_max_colors(attr.get(), 255);
        std::unique_ptr<liq_image, LiqImageDeleter> image(liq_image_create_custom(
            attr.get(), liqRow, const_cast<QImage*>(&argb), pic.width, pic.height, 0));
        if (!image)
            fail("dithering could not take the picture");
        for (std::size_t j = 1; j < 256; ++j)
            liq_image_add_fixed_color(image.get(), liq_color{m_palette[3 * j], m_palette[3 * j + 1],
                                                             m_palette[3 * j + 2], 255});
        liq_result* raw = nullptr;
        if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
            fail("dithering failed");
        std::unique_ptr<liq_result, LiqResultDeleter> result(raw);
        liq_set_dithering_level(result.get(), 1.0f);
        if (liq_write_remapped_image(result.get(), image.get(), pic.buffer.data(),
                                     pic.buffer.size()) != LIQ_OK)
            fail("dithering failed");
        const liq_palette* lp = liq_get_palette(result.get());
        MapTable back{};
        for (unsigned i = 0; i < lp->count && i < 256; ++i)
            back[i] = m_nearest.scan(lp->entries[i].r, lp->entries[i].g, lp->entries[i].b);
        for (std::uint8_t& p : pic.buffer)
            p = back[p];
    }

    static void clearTranslucent(const QImage& argb, IndexedPicture& pic) {
        for (int y = 0; y < pic.height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            std::uint8_t* out = pic.buffer.data() + static_cast<std::size_t>(y) * pic.width;
            for (int x = 0; x < pic.width; ++x)
                if (qAlpha(line[x]) < kHalfOpaque)
                    out[x] = 0;
        }
    }

    Palette m_palette;
    bool m_dither;
    NearestColour m_nearest;
    const WorkProgress& m_progress;
};

// Where decoders deliver their pictures: paletted ones as they are, true
// colour reduced first. A sheet wants only the first picture.
class PictureSink {
public:
    using Receiver = std::function<void(const IndexedPicture&)>;
    PictureSink(const ImportOptions& options, Receiver receiver, bool firstOnly)
        : m_options(options), m_receiver(std::move(receiver)), m_firstOnly(firstOnly) {}

    void indexed(const IndexedPicture& pic) {
        m_receiver(pic);
        ++m_count;
    }
    void colour(const QImage& argb, bool alpha) {
        if (!m_reducer)
            m_reducer = std::make_unique<ColourReducer>(m_options);
        indexed(m_reducer->reduce(argb, alpha));
    }
    bool done() const { return m_firstOnly && m_count > 0; }
    const ImportLimits& limits() const { return m_options.limits; }

private:
    const ImportOptions& m_options;
    Receiver m_receiver;
    bool m_firstOnly;
    int m_count = 0;
    std::unique_ptr<ColourReducer> m_reducer;
};

QImage toArgb32(QImage image) {
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                              : QImage::Format_RGB32);
    if (image.isNull())
        fail("out of memory while converting the picture");
    return image;
}

// ---------------------------------------------------------------------------
// BMP and JPEG through Qt's readers

QImage readWithQt(ByteView data, const char* format, const ImportLimits& limits, bool compressed,
                  QImage target = {}) {
    QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                             static_cast<qsizetype>(data.size()));
    QBuffer device(&raw);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, format);
    // Qt counts in MiB; our own caps, at four bytes a pixel, fit within.
    reader.setAllocationLimit(
        static_cast<int>(std::clamp<std::int64_t>((limits.maxPixels * 4 >> 20) + 1, 1, 1 << 20)));
    reader.setAutoTransform(false);
    const auto readerFailed = [&] {
        const std::string why = reader.error() == QImageReader::UnknownError
                                    ? "the data cannot be decoded"
                                    : reader.errorString().toStdString();
        fail(std::string(format) + ": " + why);
    };
    const QSize announced = reader.size();
    if (announced == QSize())
        readerFailed();
    // Top-down BMPs announce a negative height.
    const std::int64_t announcedHeight = std::abs(std::int64_t{announced.height()});
    checkPictureSize(announced.width(), announcedHeight, limits);
    if (compressed)
        checkPixelsPerByte(announced.width(), announcedHeight, data.size());
    // Qt decodes into a target of the right size and format instead of
    // allocating one, which keeps pixels that the file never sets at 0.
    QImage image = std::move(target);
    if (!reader.read(&image) || image.isNull())
        readerFailed();
    checkPictureSize(image.width(), image.height(), limits);
    return image;
}

// What Qt's BMP reader would make of the headers, checked against the data
// before anything is decoded: Qt fills rows missing from a short file with
// whatever memory held, and we want such files refused.
struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    bool compressed = false;
    int colours = 0;
    std::size_t tableStart = 0;
    std::size_t entryBytes = 4;
    std::size_t tableEnd = 0;
};

// The headers and the colour table; the pixel data is not looked at.
BmpLayout readBmpHeaders(ByteView d) {
    constexpr std::size_t kFileHeader = 14;
    if (d.size() < kFileHeader + 16)
        fail("BMP: truncated header");
    const std::uint32_t infoSize = le32(d, kFileHeader);
    if (infoSize != 12 && infoSize != 40 && infoSize != 64 && infoSize != 108 && infoSize != 124)
        fail("BMP: unsupported header size " + std::to_string(infoSize));
    if (d.size() < kFileHeader + infoSize)
        fail("BMP: truncated header");

    BmpLayout bmp;
    std::uint32_t compression = 0;
    std::uint32_t colourCount = 0;
    std::uint32_t planes = 0;
    if (infoSize == 12) {
        bmp.width = static_cast<std::int16_t>(le16(d, 18));
        bmp.height = static_cast<std::int16_t>(le16(d, 20));
        planes = le16(d, 22);
        bmp.bits = static_cast<int>(le16(d, 24));
        bmp.entryBytes = 3;
    } else {
        bmp.width = static_cast<std::int32_t>(le32(d, 18));
        bmp.height = static_cast<std::int32_t>(le32(d, 22));
        planes = le16(d, 26);
        bmp.bits = static_cast<int>(le16(d, 28));
        compression = le32(d, 30);
        colourCount = le32(d, 46);
    }
    bmp.height = std::abs(bmp.height);
    if (planes != 1)
        fail("BMP: " + std::to_string(planes) + " colour planes");
    const int b = bmp.bits;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        fail("BMP: unsupported bit count " + std::to_string(b));
    const bool bitfields = compression == 3 && (b == 16 || b == 32);
    bmp.compressed = (compression == 1 && b == 8) || (compression == 2 && b == 4);
    if (compression != 0 && !bitfields && !bmp.compressed)
        fail("BMP: unsupported compression " + std::to_string(compression) + " at " +
             std::to_string(b) + " bits");

    // Masks follow a 40- or 64-byte header; larger headers hold them.
    bmp.tableStart = kFileHeader + infoSize + (bitfields && infoSize < 108 ? 12 : 0);
    bmp.tableEnd = bmp.tableStart;
    if (b <= 8) {
        const std::uint32_t n = colourCount ? colourCount : 1u << b;
        if (n > 256)
            fail("BMP: colour table of " + std::to_string(n) + " entries");
        bmp.colours = static_cast<int>(n);
        bmp.tableEnd += n * bmp.entryBytes;
    }
    if (d.size() <= bmp.tableEnd)
        fail("BMP: truncated colour table");
    return bmp;
}

BmpLayout inspectBmp(ByteView d, const ImportLimits& limits) {
    const BmpLayout bmp = readBmpHeaders(d);
    checkPictureSize(bmp.width, bmp.height, limits);
    if (bmp.compressed)
        checkPixelsPerByte(bmp.width, bmp.height, d.size());
    std::size_t dataStart = bmp.tableEnd;
    const std::uint32_t offBits = le32(d, 10);
    if (offBits <= 0x7FFFFFFFu && offBits > bmp.tableEnd)
        dataStart = offBits;
    if (bmp.compressed && dataStart >= d.size())
        fail("BMP: no pixel data");
    if (!bmp.compressed) {
        const std::uint64_t stride =
            (static_cast<std::uint64_t>(bmp.width) * bmp.bits + 31) / 32 * 4;
        const std::uint64_t needed = stride * static_cast<std::uint64_t>(bmp.height);
        if (dataStart > d.size() || d.size() - dataStart < needed)
            fail("BMP: truncated pixel data (" + std::to_string(needed) + " bytes needed, " +
                 std::to_string(dataStart > d.size() ? 0 : d.size() - dataStart) + " present)");
    }
    return bmp;
}

Palette bmpColourTable(ByteView d, const BmpLayout& bmp) {
    Palette pal{};
    for (int i = 0; i < bmp.colours; ++i) {
        const std::size_t at = bmp.tableStart + static_cast<std::size_t>(i) * bmp.entryBytes;
        setEntry(pal, static_cast<std::size_t>(i), d[at + 2], d[at + 1], d[at]);
    }
    return pal;
}

// Qt marks a 32-bit BMP with an alpha mask as having alpha. Some writers
// declare the mask but leave every alpha at 0: such pictures are opaque.
bool hasUsableAlpha(const QImage& argb) {
    if (!argb.hasAlphaChannel())
        return false;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 0)
                return true;
    }
    return false;
}

void decodeBmp(ByteView data, PictureSink& sink) {
    const ImportLimits& limits = sink.limits();
    const BmpLayout bmp = inspectBmp(data, limits);
    if (bmp.bits > 8) {
        const QImage argb = toArgb32(readWithQt(data, "bmp", limits, false));
        sink.colour(argb, hasUsableAlpha(argb));
        return;
    }

    const int w = static_cast<int>(bmp.width);
    const int h = static_cast<int>(bmp.height);
    IndexedPicture pic;
    pic.width = w;
    pic.height = h;
    if (bmp.bits == 1) {
        QImage image = readWithQt(data, "bmp", limits, false);
        if (image.format() != QImage::Format_Mono || image.width() != w || image.height() != h)
            fail("BMP: unexpected decoding of a 1-bit picture");
        QList<QRgb> table = image.colorTable();
        // Qt puts the lighter colour at index 0 and inverts the bits to match;
        // undo that so indices stay those of the file.
        std::uint8_t flip = 0;
        if (table.size() == 2) {
            const std::size_t at = bmp.tableStart;
            const QRgb first = qRgb(data[at + 2], data[at + 1], data[at]);
            if (table[0] != first) {
                std::swap(table[0], table[1]);
                flip = 1;
            }
        }
        pic.palette = paletteFromColorTable(table);
        pic.allocateBuffer();
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* bits = image.constScanLine(y);
            std::uint8_t* out = pic.buffer.data() + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < w; ++x)
                out[x] = ((bits[x >> 3] >> (7 - (x & 7))) & 1) ^ flip;
        }
        sink.indexed(pic);
        return;
    }

    QImage target(w, h, QImage::Format_Indexed8);
    if (target.isNull())
        fail("out of memory for a picture of " + sizeText(w, h));
    target.fill(0);
    pic.image = readWithQt(data, "bmp", limits, false, std::move(target));
    if (pic.image.format() != QImage::Format_Indexed8 || pic.image.width() != w ||
        pic.image.height() != h)
        fail("BMP: unexpected decoding of a " + std::to_string(bmp.bits) + "-bit picture");
    pic.palette = paletteFromColorTable(pic.image.colorTable());
    sink.indexed(pic);
}

void decodeJpeg(ByteView data, PictureSink& sink) {
    sink.colour(toArgb32(readWithQt(data, "jpeg", sink.limits(), true)), false);
}

// ---------------------------------------------------------------------------
// PNG through libpng. Its errors unwind by longjmp, so every function that
// sets the jump point holds only plain data, and everything with a
// destructor lives in the callers.

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

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

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void decodePng(ByteView data, PictureSink& sink) {
    const ImportLimits& limits = sink.limits();
    PngState state{data.data(), data.size(), 0, {}};
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngFailed, pngWarned);
    if (!reader.png || !(reader.info = png_create_info_struct(reader.png)))
        fail("PNG: out of memory");
    png_set_read_fn(reader.png, &state, pngRead);
    // libpng's own caps, below ours: the size in the header, and the memory
    // that text and profile chunks may take.
    png_set_user_limits(reader.png, static_cast<png_uint_32>(limits.maxSide),
                        static_cast<png_uint_32>(limits.maxSide));
    png_set_chunk_cache_max(reader.png, 128);
    png_set_chunk_malloc_max(reader.png, std::size_t{8} << 20);
    const auto failed = [&] { fail(std::string("PNG: ") + state.message); };

    auto header = std::make_unique<PngHeader>();
    if (!pngReadHeader(reader.png, reader.info, header.get()))
        failed();
    const std::int64_t w = header->width;
    const std::int64_t h = header->height;
    checkPictureSize(w, h, limits);
    const bool paletted = header->colourType == PNG_COLOR_TYPE_PALETTE;
    const int channels = png_get_channels(reader.png, reader.info);
    checkPixelsPerByte(w, h, data.size(), (w * header->bitDepth * channels + 7) / 8 * h);

    std::vector<png_bytep> rows(static_cast<std::size_t>(h));
    if (paletted) {
        IndexedPicture pic;
        pic.width = static_cast<int>(w);
        pic.height = static_cast<int>(h);
        pic.allocateBuffer();
        for (int y = 0; y < pic.height; ++y)
            rows[static_cast<std::size_t>(y)] =
                pic.buffer.data() + static_cast<std::size_t>(y) * pic.width;
        if (!pngReadPixels(reader.png, reader.info, true, rows.data(), static_cast<std::size_t>(w)))
            failed();
        for (int i = 0; i < header->paletteCount; ++i)
            setEntry(pic.palette, static_cast<std::size_t>(i), header->palette[i].red,
                     header->palette[i].green, header->palette[i].blue);
        std::array<bool, 256> clear{};
        for (int i = 0; i < header->transparentCount; ++i)
            clear[static_cast<std::size_t>(i)] = header->transparency[i] < kHalfOpaque;
        if (header->transparentCount > 0)
            for (std::uint8_t& p : pic.buffer)
                if (clear[p])
                    p = 0;
        sink.indexed(pic);
        return;
    }

    QImage argb(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
    if (argb.isNull())
        fail("out of memory for a picture of " + sizeText(w, h));
    for (int y = 0; y < argb.height(); ++y)
        rows[static_cast<std::size_t>(y)] = argb.scanLine(y);
    if (!pngReadPixels(reader.png, reader.info, false, rows.data(),
                       static_cast<std::size_t>(w) * 4))
        failed();
    const bool alpha = (header->colourType & PNG_COLOR_MASK_ALPHA) || header->hasTransparency;
    sink.colour(argb, alpha);
}

// ---------------------------------------------------------------------------
// GIF through giflib: Qt's reader returns 32-bit colour and loses the indices.

struct GifSource {
    ByteView data;
    std::size_t pos = 0;
};

int readGifBytes(GifFileType* gif, GifByteType* out, int wanted) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(wanted < 0 ? 0 : wanted, src->data.size() - src->pos);
    std::memcpy(out, src->data.data() + src->pos, n);
    src->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "unknown error " + std::to_string(code));
}

GifPtr openGif(GifSource& src) {
    int error = 0;
    GifPtr gif(DGifOpen(&src, readGifBytes, &error));
    if (!gif)
        fail(gifError(error));
    return gif;
}

Palette gifTable(const ColorMapObject* map) {
    Palette pal{};
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
        setEntry(pal, static_cast<std::size_t>(i), map->Colors[i].Red, map->Colors[i].Green,
                 map->Colors[i].Blue);
    return pal;
}

QRgb colourOf(const Palette& pal, std::uint8_t index) {
    return qRgb(pal[3 * index], pal[3 * index + 1], pal[3 * index + 2]);
}

// The GIF's canvas while its images are composed. Pixels are indices as long
// as every image uses the same colour table; when one brings another, the
// canvas turns to colour and the rest of the animation goes the true-colour
// way (indices of different tables cannot share one frame).
class GifCanvas {
public:
    GifCanvas(int width, int height, std::uint8_t background, const Palette& table)
        : m_width(width), m_height(height), m_background(background), m_table(table) {
        m_indices.assign(pixels(), background);
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    std::size_t pixels() const { return static_cast<std::size_t>(m_width) * m_height; }

    void useTable(const Palette& table) {
        if (table == m_table || m_colour)
            return;
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

    void setImageTable(const Palette& table) { m_imageTable = table; }

    void save() {
        if (m_colour)
            m_savedColour = m_colourImage.copy();
        else
            m_savedIndices = m_indices;
    }
    void restore() {
        if (m_colour && !m_savedColour.isNull())
            m_colourImage = m_savedColour;
        else if (!m_colour && !m_savedIndices.empty())
            m_indices = m_savedIndices;
    }

    // The image's pixels at (left, top), clipped to the canvas; pixels of the
    // transparent index leave the canvas as it was.
    void draw(const Bytes& image, int left, int top, int width, int height, int transparent) {
        for (int y = std::max(0, -top); y < height && top + y < m_height; ++y) {
            const std::uint8_t* in = image.data() + static_cast<std::size_t>(y) * width;
            for (int x = std::max(0, -left); x < width && left + x < m_width; ++x) {
                if (in[x] == transparent)
                    continue;
                const std::size_t at = static_cast<std::size_t>(top + y) * m_width + left + x;
                if (m_colour)
                    reinterpret_cast<QRgb*>(m_colourImage.bits())[at] =
                        colourOf(m_imageTable, in[x]);
                else
                    m_indices[at] = in[x];
            }
        }
    }

    void clear(int left, int top, int width, int height) {
        const int x0 = std::clamp(left, 0, m_width), x1 = std::clamp(left + width, 0, m_width);
        const int y0 = std::clamp(top, 0, m_height), y1 = std::clamp(top + height, 0, m_height);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * m_width + x;
                if (m_colour)
                    reinterpret_cast<QRgb*>(m_colourImage.bits())[at] = m_backgroundColour;
                else
                    m_indices[at] = m_background;
            }
    }

    void deliver(PictureSink& sink) const {
        if (m_colour) {
            sink.colour(m_colourImage, false);
            return;
        }
        IndexedPicture pic;
        pic.width = m_width;
        pic.height = m_height;
        pic.palette = m_table;
        pic.buffer = m_indices;
        sink.indexed(pic);
    }

private:
    int m_width;
    int m_height;
    std::uint8_t m_background;
    Palette m_table;
    Palette m_imageTable{};
    bool m_colour = false;
    QRgb m_backgroundColour = 0;
    Bytes m_indices;
    Bytes m_savedIndices;
    QImage m_colourImage;
    QImage m_savedColour;
};

// Each image is composed onto the canvas (the logical screen, or the first
// image's own box when that does not fit on the screen; later images are
// placed relative to it and clipped) and delivered; its disposal method then
// prepares the canvas for the next one.
void decodeGif(ByteView data, PictureSink& sink) {
    const ImportLimits& limits = sink.limits();
    GifSource src{data};
    GifPtr gif = openGif(src);

    std::unique_ptr<GifCanvas> canvas;
    int shiftX = 0;
    int shiftY = 0;
    std::int64_t images = 0;
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    Bytes image;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            fail(gifError(gif->Error));
        if (type == TERMINATE_RECORD_TYPE) {
            if (images == 0)
                fail("GIF: the file holds no image");
            return;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                fail(gifError(gif->Error));
            // A malformed control block is passed over, as viewers do.
            if (code == GRAPHICS_EXT_FUNC_CODE && block &&
                DGifExtensionToGCB(block[0], block + 1, &control) == GIF_ERROR)
                control =
                    GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
            while (block)
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    fail(gifError(gif->Error));
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            fail(gifError(gif->Error));
        const GifImageDesc& desc = gif->Image;
        checkPictureSize(desc.Width, desc.Height, limits);
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || map->ColorCount <= 0)
            fail("GIF: the image has no colour table");
        const Palette table = gifTable(map);

        if (!canvas) {
            const std::int64_t right = std::int64_t{desc.Left} + desc.Width;
            const std::int64_t bottom = std::int64_t{desc.Top} + desc.Height;
            const bool onScreen =
                desc.Left >= 0 && desc.Top >= 0 && right <= gif->SWidth && bottom <= gif->SHeight;
            const int width = onScreen ? gif->SWidth : desc.Width;
            const int height = onScreen ? gif->SHeight : desc.Height;
            checkPictureSize(width, height, limits);
            shiftX = onScreen ? 0 : -desc.Left;
            shiftY = onScreen ? 0 : -desc.Top;
            checkPixelsPerByte(width, height, data.size());
            canvas = std::make_unique<GifCanvas>(
                width, height, static_cast<std::uint8_t>(gif->SBackGroundColor), table);
        }
        // All composed images together stay within the caps, checked before
        // this one is decoded.
        const auto canvasPixels = static_cast<std::int64_t>(canvas->pixels());
        if (images + 1 > limits::kMaxFrames || (images + 1) * canvasPixels > limits.maxPixels)
            fail("GIF: " + std::to_string(images + 1) + " images of " +
                 std::to_string(canvasPixels) + " pixels exceed the limit of " +
                 std::to_string(limits.maxPixels) + " pixels in all");
        checkPixelsPerByte(canvas->width(), canvas->height(), data.size(),
                           canvasPixels * (images + 1));

        checkPixelsPerByte(desc.Width, desc.Height, data.size());
        image.assign(static_cast<std::size_t>(desc.Width) * desc.Height, 0);
        const auto decodeRow = [&](int y) {
            if (DGifGetLine(gif.get(), image.data() + static_cast<std::size_t>(y) * desc.Width,
                            desc.Width) == GIF_ERROR)
                fail(gifError(gif->Error));
        };
        if (desc.Interlace) {
            constexpr int kStart[] = {0, 4, 2, 1};
            constexpr int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < desc.Height; y += kStep[pass])
                    decodeRow(y);
        } else {
            for (int y = 0; y < desc.Height; ++y)
                decodeRow(y);
        }
        // giflib keeps a record of every image read, grown one at a time: an
        // animation of thousands of images would cost quadratic time.
        GifFreeSavedImages(gif.get());
        gif->ImageCount = 0;

        canvas->useTable(table);
        canvas->setImageTable(table);
        const int left = desc.Left + shiftX;
        const int top = desc.Top + shiftY;
        if (control.DisposalMode == DISPOSE_PREVIOUS)
            canvas->save();
        canvas->draw(image, left, top, desc.Width, desc.Height, control.TransparentColor);
        canvas->deliver(sink);
        ++images;
        if (sink.done())
            return;
        if (control.DisposalMode == DISPOSE_BACKGROUND)
            canvas->clear(left, top, desc.Width, desc.Height);
        else if (control.DisposalMode == DISPOSE_PREVIOUS)
            canvas->restore();
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    }
}

// ---------------------------------------------------------------------------

bool startsWith(ByteView data, std::string_view magic) {
    return data.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), data.begin(),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

bool isPng(ByteView data) {
    return data.size() >= sizeof kPngSignature &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), data.begin());
}

bool isGif(ByteView data) {
    return startsWith(data, "GIF87a") || startsWith(data, "GIF89a");
}

void decodePicture(ByteView data, PictureSink& sink) {
    if (data.empty())
        fail("the file is empty");
    if (startsWith(data, "BM"))
        return decodeBmp(data, sink);
    if (isGif(data))
        return decodeGif(data, sink);
    if (isPng(data))
        return decodePng(data, sink);
    if (startsWith(data, "\xFF\xD8\xFF"))
        return decodeJpeg(data, sink);
    fail("not a BMP, GIF, PNG or JPEG picture");
}

FramePtr makeFrame(const Bytes& pixels, int width, int height, const IndexedPicture& pic,
                   const Palette& documentPalette) {
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(pixels, static_cast<std::int16_t>(width),
                        static_cast<std::int16_t>(height));
    frame->seOriginalPalette(pic.palette);
    frame->setNewPalette(documentPalette);
    return frame;
}

// Bands of up to `side` rows from the top down, tiles of up to `side` columns
// left to right; a tile's row 0 is its lowest row.
void cutTiles(const IndexedPicture& pic, const ImportOptions& options, FrameList& frames) {
    const int side = options.tile ? kTileSide : std::max(pic.width, pic.height);
    const std::int64_t across = (pic.width + side - 1) / side;
    const std::int64_t down = (pic.height + side - 1) / side;
    const auto total = static_cast<std::int64_t>(frames.size()) + across * down;
    if (total > limits::kMaxFrames)
        fail("picture size " + sizeText(pic.width, pic.height) + " would make " +
             std::to_string(total) + " frames, more than a document holds");

    Bytes tile;
    std::int64_t cut = 0;
    for (int top = 0; top < pic.height; top += side) {
        const int th = std::min(side, pic.height - top);
        for (int x = 0; x < pic.width; x += side) {
            const int tw = std::min(side, pic.width - x);
            tile.resize(static_cast<std::size_t>(tw) * th);
            for (int k = 0; k < th; ++k)
                std::memcpy(tile.data() + static_cast<std::size_t>(k) * tw,
                            pic.row(top + th - 1 - k) + x, static_cast<std::size_t>(tw));
            frames.push_back(makeFrame(tile, tw, th, pic, options.documentPalette));
            reportProgress(options.progress, ++cut, across * down);
        }
    }
}

// ---------------------------------------------------------------------------
// Sprite sheets

struct CellLayout {
    int width = 0;
    int height = 0;
    int columns = 0;
    int rows = 0;
};

// The cells of a grid: as many as fit the picture when their size is given,
// else the size that the given columns and rows divide the picture into.
CellLayout layCells(const SheetGrid& grid, int pictureWidth, int pictureHeight) {
    const std::int64_t margin = grid.margin;
    const std::int64_t spacing = grid.spacing;
    if (margin < 0 || spacing < 0)
        fail("sheet margin " + std::to_string(margin) + " and spacing " + std::to_string(spacing) +
             " cannot be negative");
    std::int64_t cw = grid.cellWidth, ch = grid.cellHeight;
    std::int64_t columns = 0, rows = 0;
    if (cw > 0 && ch > 0) {
        // A margin on the left and top suffices; a right or bottom margin
        // or leftover pixels that hold no whole cell are passed over.
        const auto fitting = [&](std::int64_t side, std::int64_t cell) {
            return side - margin < cell ? 0 : (side - margin - cell) / (cell + spacing) + 1;
        };
        columns = fitting(pictureWidth, cw);
        rows = fitting(pictureHeight, ch);
    } else if (grid.columns > 0 && grid.rows > 0) {
        columns = grid.columns;
        rows = grid.rows;
        cw = (pictureWidth - 2 * margin - (columns - 1) * spacing) / columns;
        ch = (pictureHeight - 2 * margin - (rows - 1) * spacing) / rows;
    } else {
        fail("a sheet grid needs a cell size or columns and rows");
    }
    if (cw < 1 || ch < 1 || columns < 1 || rows < 1)
        fail("the grid (cells " +
             sizeText(std::max<std::int64_t>(cw, 0), std::max<std::int64_t>(ch, 0)) + ", margin " +
             std::to_string(margin) + ", spacing " + std::to_string(spacing) +
             ") does not fit a picture of " + sizeText(pictureWidth, pictureHeight));
    if (cw > limits::kMaxFrameSide || ch > limits::kMaxFrameSide ||
        cw * ch > limits::kMaxFramePixels)
        fail("sheet cells of " + sizeText(cw, ch) + " exceed the frame limits");
    return {static_cast<int>(cw), static_cast<int>(ch), static_cast<int>(columns),
            static_cast<int>(rows)};
}

FrameList sliceSheet(const IndexedPicture& pic, const SheetGrid& grid, bool trim,
                     const Palette& documentPalette) {
    const CellLayout cells = layCells(grid, pic.width, pic.height);
    FrameList frames;
    Bytes pixels;
    for (int row = 0; row < cells.rows; ++row) {
        for (int column = 0; column < cells.columns; ++column) {
            const int cellLeft = grid.margin + column * (cells.width + grid.spacing);
            const int cellTop = grid.margin + row * (cells.height + grid.spacing);
            // The box of non-zero pixels, in cell coordinates from the top left.
            int x0 = cells.width, x1 = 0, y0 = cells.height, y1 = 0;
            for (int y = 0; y < cells.height; ++y) {
                const std::uint8_t* line = pic.row(cellTop + y) + cellLeft;
                for (int x = 0; x < cells.width; ++x)
                    if (line[x] != 0) {
                        x0 = std::min(x0, x);
                        x1 = std::max(x1, x + 1);
                        y0 = std::min(y0, y);
                        y1 = std::max(y1, y + 1);
                    }
            }
            if (x1 == 0)
                continue;
            if (!trim) {
                x0 = 0;
                y0 = 0;
                x1 = cells.width;
                y1 = cells.height;
            }
            if (std::ssize(frames) == limits::kMaxFrames)
                fail("the sheet holds more than " + std::to_string(limits::kMaxFrames) + " frames");
            const int w = x1 - x0;
            const int h = y1 - y0;
            pixels.resize(static_cast<std::size_t>(w) * h);
            for (int k = 0; k < h; ++k)
                std::memcpy(pixels.data() + static_cast<std::size_t>(k) * w,
                            pic.row(cellTop + y1 - 1 - k) + cellLeft + x0,
                            static_cast<std::size_t>(w));
            FramePtr frame = makeFrame(pixels, w, h, pic, documentPalette);
            if (trim) {
                frame->set_X_offset(x0);
                frame->set_Y_offset(y1 - cells.height);
            }
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

Bytes readPicture(const std::string& FileName) {
    // The picture is decoded from memory: nothing is written beside it.
    return readWholeFile(FileName, kMaxPictureFileBytes);
}

template <typename Work> auto withMemoryGuard(Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw QuilletError("not enough memory for the picture");
    }
}

// ---------------------------------------------------------------------------
// Colour tables of paletted pictures, for "Select palette...". Only the
// headers are read: a picture's table precedes its pixels.

Palette pngColourTable(ByteView d) {
    std::size_t at = sizeof kPngSignature;
    bool paletted = false;
    // Each chunk: length, type, data, checksum; a chunk must fit whole.
    while (at <= d.size() && d.size() - at >= 12) {
        const std::uint32_t length = be32(d, at);
        const std::string_view type(reinterpret_cast<const char*>(d.data() + at + 4), 4);
        at += 8;
        if (length > d.size() - at - 4)
            break;
        if (type == "IHDR" && length >= 13)
            paletted = d[at + 9] == PNG_COLOR_TYPE_PALETTE;
        if (type == "PLTE" && paletted) {
            if (length % 3 != 0 || length > 768)
                fail("PNG: colour table of " + std::to_string(length) + " bytes");
            Palette pal{};
            std::copy(d.begin() + static_cast<std::ptrdiff_t>(at),
                      d.begin() + static_cast<std::ptrdiff_t>(at + length), pal.begin());
            return pal;
        }
        if (type == "IDAT" || type == "IEND")
            break;
        at += length + 4;
    }
    fail(paletted ? "PNG: the colour table is missing" : "PNG: the picture has no colour table");
}

Palette gifColourTable(ByteView d) {
    GifSource src{d};
    GifPtr gif = openGif(src);
    if (gif->SColorMap && gif->SColorMap->Colors && gif->SColorMap->ColorCount > 0)
        return gifTable(gif->SColorMap);
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            fail(gifError(gif->Error));
        if (type == TERMINATE_RECORD_TYPE)
            fail("GIF: the file holds no colour table");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                fail(gifError(gif->Error));
            while (block)
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    fail(gifError(gif->Error));
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                fail(gifError(gif->Error));
            const ColorMapObject* map = gif->Image.ColorMap;
            if (!map || !map->Colors || map->ColorCount <= 0)
                fail("GIF: the first image has no colour table");
            return gifTable(map);
        }
    }
}

Palette bmpPaletteFile(ByteView d) {
    const BmpLayout bmp = readBmpHeaders(d);
    if (bmp.bits > 8)
        fail("BMP: a " + std::to_string(bmp.bits) + "-bit picture has no colour table");
    return bmpColourTable(d, bmp);
}

} // namespace

FrameList LoadImageFromMemory(ByteView data, const ImportOptions& options) {
    return withMemoryGuard([&] {
        FrameList frames;
        PictureSink sink(
            options, [&](const IndexedPicture& pic) { cutTiles(pic, options, frames); }, false);
        decodePicture(data, sink);
        return frames;
    });
}

FrameList LoadImage(const std::string& FileName, const ImportOptions& options) {
    return LoadImageFromMemory(readPicture(FileName), options);
}

FrameList LoadSheetFromMemory(ByteView data, const SheetGrid& grid, bool trim,
                              const ImportOptions& options) {
    return withMemoryGuard([&] {
        FrameList frames;
        PictureSink sink(
            options,
            [&](const IndexedPicture& pic) {
                frames = sliceSheet(pic, grid, trim, options.documentPalette);
            },
            true);
        decodePicture(data, sink);
        return frames;
    });
}

FrameList LoadSheet(const std::string& FileName, const SheetGrid& grid, bool trim,
                    const ImportOptions& options) {
    return LoadSheetFromMemory(readPicture(FileName), grid, trim, options);
}

Palette parsePaletteAny(ByteView bytes) {
    // A file of exactly 768 bytes stays a raw palette whatever its first
    // bytes look like, as such files always were.
    if (!isTextPalette(bytes) && bytes.size() != kPaletteBytes) {
        if (startsWith(bytes, "BM"))
            return bmpPaletteFile(bytes);
        if (isGif(bytes))
            return gifColourTable(bytes);
        if (isPng(bytes))
            return pngColourTable(bytes);
    }
    return parsePaletteBytes(bytes);
}

Palette readPaletteAny(const std::string& path) {
    return parsePaletteAny(readFilePrefix(path, kMaxPaletteFileBytes));
}

} // namespace quillet::imaging
