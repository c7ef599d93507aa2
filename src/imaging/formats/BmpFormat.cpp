// BMP: the headers and the colour table are read here, and checked against
// the data before anything is decoded (Qt fills rows missing from a short
// file with whatever memory held, and such files must be refused). Qt's
// reader decodes the pixels, except those of plain 24-bit pictures: their
// rows go to the colour reducer straight from the file's bytes. Writing is
// left to Qt's writer.

#include "BmpFormat.h"

#include "PictureFormat.h"
#include "imaging/import/QtPictureReader.h"
#include "sprite/Error.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>

namespace quillet::imaging {

namespace detail {

namespace {

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    bool compressed = false;
    int colours = 0;
    std::size_t tableStart = 0;
    std::size_t entryBytes = 4;
    std::size_t tableEnd = 0;
    std::size_t dataStart = 0;
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
    bmp.topDown = bmp.height < 0;
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
    BmpLayout bmp = readBmpHeaders(d);
    checkPictureSize(bmp.width, bmp.height, limits);
    if (bmp.compressed)
        checkPixelsPerByte(bmp.width, bmp.height, d.size());
    std::size_t& dataStart = bmp.dataStart;
    dataStart = bmp.tableEnd;
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

// Rows of blue, green, red, each padded to whole words: the commonest true
// colour, read in place without a 32-bit copy of the whole picture.
TrueColourPicture trueColourRows(ByteView data, const BmpLayout& bmp) {
    const auto w = static_cast<int>(bmp.width);
    const auto h = static_cast<int>(bmp.height);
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
    const std::uint8_t* pixels = data.data() + bmp.dataStart;
    const bool topDown = bmp.topDown;
    return {w, h, false, [=](int y, std::uint32_t* row) {
                const std::uint8_t* in =
                    pixels + static_cast<std::size_t>(topDown ? y : h - 1 - y) * stride;
                for (int x = 0; x < w; ++x, in += 3)
                    row[x] = std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
                return row;
            }};
}

// Qt puts the lighter colour of a 1-bit picture at index 0 and inverts the
// bits to match; that is undone so indices stay those of the file.
IndexedPicture readMonochrome(ByteView data, const BmpLayout& bmp, const ImportLimits& limits) {
    const int w = static_cast<int>(bmp.width);
    const int h = static_cast<int>(bmp.height);
    const QImage image = readWithQt(data, "bmp", limits, false);
    if (image.format() != QImage::Format_Mono || image.width() != w || image.height() != h)
        fail("BMP: unexpected decoding of a 1-bit picture");
    QList<QRgb> table = image.colorTable();
    std::uint8_t flip = 0;
    if (table.size() == 2) {
        const std::size_t at = bmp.tableStart;
        const QRgb first = qRgb(data[at + 2], data[at + 1], data[at]);
        if (table[0] != first) {
            std::swap(table[0], table[1]);
            flip = 1;
        }
    }
    IndexedPicture pic = blankPicture(w, h, paletteFromColorTable(table));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* bits = image.constScanLine(y);
        std::uint8_t* out = pic.pixels.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = ((bits[x >> 3] >> (7 - (x & 7))) & 1) ^ flip;
    }
    return pic;
}

class BmpFormat : public PictureFormat {
public:
    void decode(ByteView data, PictureSink& sink) const override {
        const ImportLimits& limits = sink.limits();
        const BmpLayout bmp = inspectBmp(data, limits);
        if (bmp.bits == 24) {
            sink.colour(trueColourRows(data, bmp));
            return;
        }
        if (bmp.bits > 8) {
            const QImage argb = toArgb32(readWithQt(data, "bmp", limits, false));
            sink.colour(argb, hasUsableAlpha(argb));
            return;
        }
        if (bmp.bits == 1) {
            sink.indexed(readMonochrome(data, bmp, limits));
            return;
        }
        const int w = static_cast<int>(bmp.width);
        const int h = static_cast<int>(bmp.height);
        QImage target(w, h, QImage::Format_Indexed8);
        if (target.isNull())
            fail("out of memory for a picture of " + sizeText(w, h));
        target.fill(0);
        IndexedPicture pic;
        pic.width = w;
        pic.height = h;
        pic.image = readWithQt(data, "bmp", limits, false, std::move(target));
        if (pic.image.format() != QImage::Format_Indexed8 || pic.image.width() != w ||
            pic.image.height() != h)
            fail("BMP: unexpected decoding of a " + std::to_string(bmp.bits) + "-bit picture");
        pic.palette = paletteFromColorTable(pic.image.colorTable());
        sink.indexed(std::move(pic));
    }

    std::optional<Palette> colourTable(ByteView data) const override {
        const BmpLayout bmp = readBmpHeaders(data);
        if (bmp.bits > 8)
            fail("BMP: a " + std::to_string(bmp.bits) + "-bit picture has no colour table");
        Palette pal{};
        for (int i = 0; i < bmp.colours; ++i) {
            const std::size_t at = bmp.tableStart + static_cast<std::size_t>(i) * bmp.entryBytes;
            setEntry(pal, static_cast<std::size_t>(i), data[at + 2], data[at + 1], data[at]);
        }
        return pal;
    }
};

} // namespace

const PictureFormat& bmpFormat() {
    static const BmpFormat format;
    return format;
}

} // namespace detail

QByteArray encodeBitmap(const QImage& image) {
    if (image.isNull())
        throw QuilletError("the image is empty");
    // Qt writes 32-bit images as uncompressed 24-bit BMPs.
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        throw QuilletError("not enough memory to convert the image");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(rgb))
        throw QuilletError(writer.errorString().toStdString());
    return bytes;
}

} // namespace quillet::imaging
