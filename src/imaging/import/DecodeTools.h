#pragma once

// What every picture decoder shares: the checks against the import limits,
// the byte readers and the forms a decoded picture takes.

#include "imaging/PictureImport.h"
#include "sprite/NearestColour.h"

#include <QImage>
#include <QList>
#include <string>

namespace quillet::imaging::detail {

// Pixels at least this opaque are kept; the rest become index 0.
inline constexpr int kHalfOpaque = 128;

[[noreturn]] void fail(const std::string& why);
std::string sizeText(std::int64_t w, std::int64_t h);

// A picture's size against the caller's limits, before its pixels exist.
void checkPictureSize(std::int64_t w, std::int64_t h, const ImportLimits& limits);
// For compressed formats, after checkPictureSize (so the product cannot
// overflow). `units` is what the decoder inflates to: pixels, or bytes for
// pictures packing several pixels into a byte.
void checkPixelsPerByte(std::int64_t w, std::int64_t h, std::size_t fileBytes,
                        std::int64_t units = -1);

std::uint32_t le16(ByteView d, std::size_t at);
std::uint32_t le32(ByteView d, std::size_t at);

void setEntry(Palette& pal, std::size_t i, std::uint8_t r, std::uint8_t g, std::uint8_t b);
// Entries past the table stay zero, so indices past it show black.
Palette paletteFromColorTable(const QList<QRgb>& table);

// A true-colour picture by rows of 0xAARRGGBB, alpha meaningful when `alpha`.
struct TrueColourPicture {
    int width = 0;
    int height = 0;
    bool alpha = false;
    ColourRows rows;
};
// Over a 32-bit QImage, which must outlive it.
TrueColourPicture trueColourOf(const QImage& argb, bool alpha);

// All index 0, `pixels` allocated.
IndexedPicture blankPicture(int width, int height, const Palette& palette);
// 32 bits a pixel, alpha in the top byte (meaningful or not).
QImage toArgb32(QImage image);

} // namespace quillet::imaging::detail
