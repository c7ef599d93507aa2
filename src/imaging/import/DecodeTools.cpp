#include "DecodeTools.h"

#include "sprite/Error.h"

#include <algorithm>

namespace quillet::imaging::detail {

namespace {

// Compressed pictures may not announce more pixels per byte of the file
// than this. Real files stay far below (LZW yields under 2730 pixels a byte,
// deflate under 1032 bytes, a complete JPEG under 512 pixels even when flat;
// only BMP run-length jumps could go further), so a small file claiming a
// huge picture is refused before its pixels are allocated.
constexpr std::int64_t kMaxPixelsPerByte = 4096;
// Small pictures pass regardless: their cost is negligible.
constexpr std::int64_t kPixelsAlwaysAllowed = std::int64_t{1} << 16;

} // namespace

void fail(const std::string& why) {
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

void checkPixelsPerByte(std::int64_t w, std::int64_t h, std::size_t fileBytes, std::int64_t units) {
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

void setEntry(Palette& pal, std::size_t i, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    pal[3 * i] = r;
    pal[3 * i + 1] = g;
    pal[3 * i + 2] = b;
}

Palette paletteFromColorTable(const QList<QRgb>& table) {
    Palette pal{};
    const std::size_t n = std::min<std::size_t>(table.size(), 256);
    for (std::size_t i = 0; i < n; ++i)
        setEntry(pal, i, static_cast<std::uint8_t>(qRed(table[i])),
                 static_cast<std::uint8_t>(qGreen(table[i])),
                 static_cast<std::uint8_t>(qBlue(table[i])));
    return pal;
}

IndexedPicture blankPicture(int width, int height, const Palette& palette) {
    IndexedPicture pic;
    pic.width = width;
    pic.height = height;
    pic.palette = palette;
    pic.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    return pic;
}

TrueColourPicture trueColourOf(const QImage& argb, bool alpha) {
    return {argb.width(), argb.height(), alpha, [&argb](int y, std::uint32_t*) {
                return reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
            }};
}

QImage toArgb32(QImage image) {
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                              : QImage::Format_RGB32);
    if (image.isNull())
        fail("out of memory while converting the picture");
    return image;
}

} // namespace quillet::imaging::detail
