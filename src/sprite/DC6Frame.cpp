#include "DC6Frame.h"

#include "Error.h"
#include "transform.h"

#include <atomic>
#include <string>

namespace quillet {

std::uint64_t DC6Frame::nextPixelsId() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

std::int32_t strToLong(ByteView s) {
    if (s.size() < 4)
        throw QuilletError("a 32-bit integer needs 4 bytes, only " + std::to_string(s.size()) +
                           " given");
    const std::uint32_t u = std::uint32_t{s[0]} | std::uint32_t{s[1]} << 8 |
                            std::uint32_t{s[2]} << 16 | std::uint32_t{s[3]} << 24;
    return static_cast<std::int32_t>(u); // two's complement since C++20
}

std::uint16_t strToShort(ByteView s) {
    if (s.size() < 2)
        throw QuilletError("a 16-bit integer needs 2 bytes, only " + std::to_string(s.size()) +
                           " given");
    return static_cast<std::uint16_t>(s[0] | s[1] << 8);
}

void appendLong(Bytes& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
    out.push_back(static_cast<std::uint8_t>(u >> 16));
    out.push_back(static_cast<std::uint8_t>(u >> 24));
}

Bytes longToStr(std::int32_t v) {
    Bytes out;
    out.reserve(4);
    appendLong(out, v);
    return out;
}

Bytes DC6Frame::getPixelData(std::int16_t palTransform) const {
    requireMatrix("getPixelData");
    const Bytes& matrix = *m_pixels;
    if (!mapsPixels(palTransform))
        return matrix;
    const MapTable table = mappingTable(palTransform);
    Bytes result(matrix.size());
    for (std::size_t i = 0; i < matrix.size(); ++i)
        result[i] = table[matrix[i]];
    return result;
}

namespace {

// The pixels a frame of that size takes; everything is checked before
// anything changes, so a refused call leaves the frame exactly as it was.
std::size_t neededPixels(std::size_t given, std::int16_t Xsize, std::int16_t Ysize) {
    const std::int64_t count = checkedFramePixels(Xsize, Ysize);
    if (static_cast<std::int64_t>(given) < count)
        throw QuilletError("width x height " + std::to_string(Xsize) + " x " +
                           std::to_string(Ysize) + " needs " + std::to_string(count) +
                           " pixels, only " + std::to_string(given) + " given");
    return static_cast<std::size_t>(count);
}

} // namespace

void DC6Frame::setPixelData(const Bytes& Pixels, std::int16_t Xsize, std::int16_t Ysize) {
    const std::size_t count = neededPixels(Pixels.size(), Xsize, Ysize);
    takeMatrix(std::make_shared<const Bytes>(Pixels.begin(), Pixels.begin() + count), Xsize, Ysize);
}

void DC6Frame::setPixelData(Bytes&& Pixels, std::int16_t Xsize, std::int16_t Ysize) {
    Pixels.resize(neededPixels(Pixels.size(), Xsize, Ysize));
    takeMatrix(std::make_shared<const Bytes>(std::move(Pixels)), Xsize, Ysize);
}

void DC6Frame::takeMatrix(std::shared_ptr<const Bytes> pixels, std::int16_t Xsize,
                          std::int16_t Ysize) {
    m_pixels = std::move(pixels);
    m_width = Xsize;
    m_height = Ysize;
    m_xOffset = 0;
    m_yOffset = 0;
    m_origPalette.fill(0);
    m_newPalette.fill(0);
    m_pixelsId = nextPixelsId();
}

void DC6Frame::replacePixels(std::shared_ptr<const Bytes> pixels) {
    replacePixels(std::move(pixels), m_width, m_height);
}

void DC6Frame::replacePixels(std::shared_ptr<const Bytes> pixels, std::int32_t width,
                             std::int32_t height) {
    requireMatrix("replacePixels");
    const auto count = static_cast<std::size_t>(checkedFramePixels(width, height));
    if (!pixels || pixels->size() != count)
        throw QuilletError("replacePixels: " + std::to_string(pixels ? pixels->size() : 0) +
                           " pixels for a frame of " + std::to_string(count));
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
    m_pixelsId = nextPixelsId();
}

// Matching a palette against itself is not the identity when it holds a
// colour twice: every later copy would fold into the first, and a copy of
// entry 0's colour would turn transparent. Pixels made for the very palette
// they are shown in are therefore taken as they stand.
bool DC6Frame::mapsPixels(std::int16_t palTransform) const {
    return palTransform != 0 && m_origPalette != m_newPalette;
}

MapTable DC6Frame::mappingTable(std::int16_t palTransform) const {
    if (mapsPixels(palTransform))
        return transform{}.Map(m_origPalette, m_newPalette, m_protected);
    MapTable identity;
    for (std::size_t i = 0; i < identity.size(); ++i)
        identity[i] = static_cast<std::uint8_t>(i);
    return identity;
}

void DC6Frame::requireMatrix(const char* operation) const {
    if (!m_pixels)
        throw QuilletError(std::string(operation) + ": the frame has no pixels yet");
}

} // namespace quillet
