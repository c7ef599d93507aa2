#include "imaging/PictureImport.h"

#include "sprite/Error.h"
#include "sprite/Limits.h"
#include "sprite/SafeFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cstring>
#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <new>
#include <string>

namespace quillet::imaging {

namespace {

constexpr int kTileSide = 256;

// Compressed pictures may not announce more pixels per byte of the file
// than this. Real files stay far below (LZW yields under 2730 pixels a byte,
// a complete JPEG under 512 even when flat; only BMP run-length jumps could
// go further), so a small file claiming a huge picture is refused before its
// pixels are allocated.
constexpr std::int64_t kMaxPixelsPerByte = 4096;
// Small pictures pass regardless: their cost is negligible.
constexpr std::int64_t kPixelsAlwaysAllowed = std::int64_t{1} << 16;

// An uncompressed 32-bit BMP of the largest accepted size, plus room for its headers.
constexpr std::uint64_t kMaxPictureFileBytes = kMaxPicturePixels * 4 + (std::uint64_t{1} << 20);

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

// For compressed formats, after checkPictureSize (so w * h cannot overflow).
void checkPixelsPerByte(std::int64_t w, std::int64_t h, std::size_t fileBytes) {
    const std::int64_t budget = std::max<std::int64_t>(
        kPixelsAlwaysAllowed, static_cast<std::int64_t>(fileBytes) * kMaxPixelsPerByte);
    if (w * h > budget)
        fail("picture size " + sizeText(w, h) + " is implausible for a file of " +
             std::to_string(fileBytes) + " bytes");
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
    for (std::size_t i = 0; i < n; ++i) {
        pal[3 * i] = static_cast<std::uint8_t>(qRed(table[i]));
        pal[3 * i + 1] = static_cast<std::uint8_t>(qGreen(table[i]));
        pal[3 * i + 2] = static_cast<std::uint8_t>(qBlue(table[i]));
    }
    return pal;
}

// ---------------------------------------------------------------------------
// True colour to 256 colours

// The exact table in order of first appearance, or false past 256 colours.
bool indexExactColours(const QImage& rgb, IndexedPicture& pic) {
    // Open addressing over 24-bit colours; 1024 slots keep 256 entries sparse.
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<std::uint32_t, 1024> keys;
    std::array<std::uint8_t, 1024> values{};
    keys.fill(kEmpty);
    int count = 0;
    std::uint32_t last = kEmpty;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < pic.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        std::uint8_t* out = pic.buffer.data() + static_cast<std::size_t>(y) * pic.width;
        for (int x = 0; x < pic.width; ++x) {
            const std::uint32_t colour = line[x] & 0xFFFFFFu;
            if (colour != last) {
                std::uint32_t slot = (colour * 2654435761u) >> 22;
                while (keys[slot] != kEmpty && keys[slot] != colour)
                    slot = (slot + 1) & 1023u;
                if (keys[slot] == kEmpty) {
                    if (count == 256)
                        return false;
                    keys[slot] = colour;
                    values[slot] = static_cast<std::uint8_t>(count);
                    pic.palette[3 * count] = static_cast<std::uint8_t>(qRed(colour));
                    pic.palette[3 * count + 1] = static_cast<std::uint8_t>(qGreen(colour));
                    pic.palette[3 * count + 2] = static_cast<std::uint8_t>(qBlue(colour));
                    ++count;
                }
                last = colour;
                lastIndex = values[slot];
            }
            out[x] = lastIndex;
        }
    }
    return true;
}

struct LiqAttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// Feeds rows straight from the QImage, so no second full-size RGBA copy exists.
void liqRow(liq_color rowOut[], int row, int width, void* user) {
    const auto* image = static_cast<const QImage*>(user);
    const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(row));
    for (int x = 0; x < width; ++x)
        rowOut[x] = liq_color{static_cast<unsigned char>(qRed(line[x])),
                              static_cast<unsigned char>(qGreen(line[x])),
                              static_cast<unsigned char>(qBlue(line[x])), 255};
}

void quantise(const QImage& rgb, IndexedPicture& pic) {
    std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr)
        fail("colour reduction is unavailable on this processor");
    liq_set_speed(attr.get(), 1);
    liq_set_quality(attr.get(), 0, 100);
    std::unique_ptr<liq_image, LiqImageDeleter> image(liq_image_create_custom(
        attr.get(), liqRow, const_cast<QImage*>(&rgb), pic.width, pic.height, 0));
    if (!image)
        fail("colour reduction could not take the picture");
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        fail("colour reduction failed");
    std::unique_ptr<liq_result, LiqResultDeleter> result(raw);
    liq_set_dithering_level(result.get(), 0.0f);
    if (liq_write_remapped_image(result.get(), image.get(), pic.buffer.data(), pic.buffer.size()) !=
        LIQ_OK)
        fail("colour reduction failed");
    // Read after remapping: the library refines the palette while it remaps.
    const liq_palette* lp = liq_get_palette(result.get());
    for (unsigned i = 0; i < lp->count && i < 256; ++i) {
        pic.palette[3 * i] = lp->entries[i].r;
        pic.palette[3 * i + 1] = lp->entries[i].g;
        pic.palette[3 * i + 2] = lp->entries[i].b;
    }
}

IndexedPicture fromTrueColour(QImage image) {
    // Alpha is dropped: frames have no translucency, only index 0.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        fail("out of memory while converting the picture");
    IndexedPicture pic;
    pic.width = image.width();
    pic.height = image.height();
    pic.allocateBuffer();
    if (!indexExactColours(image, pic)) {
        pic.palette.fill(0);
        quantise(image, pic);
    }
    return pic;
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

std::uint32_t le16(ByteView d, std::size_t at) {
    return d[at] | d[at + 1] << 8;
}
std::uint32_t le32(ByteView d, std::size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
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
};

BmpLayout inspectBmp(ByteView d, const ImportLimits& limits) {
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
    std::size_t entryBytes = 4;
    if (infoSize == 12) {
        bmp.width = static_cast<std::int16_t>(le16(d, 18));
        bmp.height = static_cast<std::int16_t>(le16(d, 20));
        planes = le16(d, 22);
        bmp.bits = static_cast<int>(le16(d, 24));
        entryBytes = 3;
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
    checkPictureSize(bmp.width, bmp.height, limits);
    if (bmp.compressed)
        checkPixelsPerByte(bmp.width, bmp.height, d.size());

    // Masks follow a 40- or 64-byte header; larger headers hold them.
    bmp.tableStart = kFileHeader + infoSize + (bitfields && infoSize < 108 ? 12 : 0);
    std::size_t tableEnd = bmp.tableStart;
    if (b <= 8) {
        const std::uint32_t n = colourCount ? colourCount : 1u << b;
        if (n > 256)
            fail("BMP: colour table of " + std::to_string(n) + " entries");
        bmp.colours = static_cast<int>(n);
        tableEnd += n * entryBytes;
    }
    if (d.size() <= tableEnd)
        fail("BMP: truncated colour table");

    std::size_t dataStart = tableEnd;
    const std::uint32_t offBits = le32(d, 10);
    if (offBits <= 0x7FFFFFFFu && offBits > tableEnd)
        dataStart = offBits;
    if (bmp.compressed && dataStart >= d.size())
        fail("BMP: no pixel data");
    if (!bmp.compressed) {
        const std::uint64_t stride = (static_cast<std::uint64_t>(bmp.width) * b + 31) / 32 * 4;
        const std::uint64_t needed = stride * static_cast<std::uint64_t>(bmp.height);
        if (dataStart > d.size() || d.size() - dataStart < needed)
            fail("BMP: truncated pixel data (" + std::to_string(needed) + " bytes needed, " +
                 std::to_string(dataStart > d.size() ? 0 : d.size() - dataStart) + " present)");
    }
    return bmp;
}

IndexedPicture decodeBmp(ByteView data, const ImportLimits& limits) {
    const BmpLayout bmp = inspectBmp(data, limits);
    if (bmp.bits > 8)
        return fromTrueColour(readWithQt(data, "bmp", limits, false));

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
        return pic;
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
    return pic;
}

IndexedPicture decodeJpeg(ByteView data, const ImportLimits& limits) {
    return fromTrueColour(readWithQt(data, "jpeg", limits, true));
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

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "unknown error " + std::to_string(code));
}

// The first image, placed on the logical screen when it fits there (the
// screen's background index fills the rest); later images are ignored.
IndexedPicture decodeGif(ByteView data, const ImportLimits& limits) {
    GifSource src{data};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, readGifBytes, &error));
    if (!gif)
        fail(gifError(error));

    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            fail(gifError(gif->Error));
        if (type == TERMINATE_RECORD_TYPE)
            fail("GIF: the file holds no image");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                fail(gifError(gif->Error));
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

        IndexedPicture pic;
        const std::int64_t right = std::int64_t{desc.Left} + desc.Width;
        const std::int64_t bottom = std::int64_t{desc.Top} + desc.Height;
        const bool onScreen =
            desc.Left >= 0 && desc.Top >= 0 && right <= gif->SWidth && bottom <= gif->SHeight;
        pic.width = onScreen ? gif->SWidth : desc.Width;
        pic.height = onScreen ? gif->SHeight : desc.Height;
        checkPictureSize(pic.width, pic.height, limits);
        checkPixelsPerByte(pic.width, pic.height, data.size());
        const int left = onScreen ? desc.Left : 0;
        const int top = onScreen ? desc.Top : 0;
        pic.buffer.assign(static_cast<std::size_t>(pic.width) * pic.height,
                          onScreen ? static_cast<std::uint8_t>(gif->SBackGroundColor) : 0);

        const auto decodeRow = [&](int y) {
            std::uint8_t* out =
                pic.buffer.data() + static_cast<std::size_t>(top + y) * pic.width + left;
            if (DGifGetLine(gif.get(), out, desc.Width) == GIF_ERROR)
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

        for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
            pic.palette[3 * i] = map->Colors[i].Red;
            pic.palette[3 * i + 1] = map->Colors[i].Green;
            pic.palette[3 * i + 2] = map->Colors[i].Blue;
        }
        return pic;
    }
}

// ---------------------------------------------------------------------------

bool startsWith(ByteView data, std::string_view magic) {
    return data.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), data.begin(),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

IndexedPicture decodePicture(ByteView data, const ImportLimits& limits) {
    if (data.empty())
        fail("the file is empty");
    if (startsWith(data, "BM"))
        return decodeBmp(data, limits);
    if (startsWith(data, "GIF87a") || startsWith(data, "GIF89a"))
        return decodeGif(data, limits);
    if (startsWith(data, "\xFF\xD8\xFF"))
        return decodeJpeg(data, limits);
    fail("not a BMP, GIF or JPEG picture");
}

// Bands of up to 256 rows from the top down, tiles of up to 256 columns left
// to right; a tile's row 0 is its lowest row.
FrameList cutTiles(const IndexedPicture& pic) {
    const std::int64_t across = (pic.width + kTileSide - 1) / kTileSide;
    const std::int64_t down = (pic.height + kTileSide - 1) / kTileSide;
    if (across * down > limits::kMaxFrames)
        fail("picture size " + sizeText(pic.width, pic.height) + " would make " +
             std::to_string(across * down) + " frames, more than a document holds");

    FrameList frames;
    frames.reserve(static_cast<std::size_t>(across * down));
    Bytes tile;
    for (int top = 0; top < pic.height; top += kTileSide) {
        const int th = std::min(kTileSide, pic.height - top);
        for (int x = 0; x < pic.width; x += kTileSide) {
            const int tw = std::min(kTileSide, pic.width - x);
            tile.resize(static_cast<std::size_t>(tw) * th);
            for (int k = 0; k < th; ++k)
                std::memcpy(tile.data() + static_cast<std::size_t>(k) * tw,
                            pic.row(top + th - 1 - k) + x, static_cast<std::size_t>(tw));
            auto frame = std::make_shared<DC6Frame>();
            frame->setPixelData(tile, static_cast<std::int16_t>(tw), static_cast<std::int16_t>(th));
            frames.push_back(std::move(frame));
        }
    }
    for (const FramePtr& frame : frames)
        frame->seOriginalPalette(pic.palette);
    return frames;
}

} // namespace

FrameList LoadImageFromMemory(ByteView data, const ImportLimits& limits) {
    try {
        return cutTiles(decodePicture(data, limits));
    } catch (const std::bad_alloc&) {
        throw QuilletError("not enough memory for the picture");
    }
}

FrameList LoadImage(const std::string& FileName) {
    // The picture is decoded from memory: nothing is written beside it.
    return LoadImageFromMemory(readWholeFile(FileName, kMaxPictureFileBytes));
}

} // namespace quillet::imaging
