// The DC6 frame block, coded and decoded by DC6Frame.
//
// A block is a 32-byte header, a run-length pixel stream of L bytes and the
// terminator EE EE EE. Header words are 32-bit little-endian signed:
//
//   0 flip (0)   4 width   8 height   12 x offset   16 y offset
//   20 reserved (0)   24 file offset just past this block   28 L
//
// The stream holds the rows bottom-up (row 0 is the bottom row of the
// picture), each row left to right as code bytes:
//
//   0x80         end of row; the rest of the row is transparent (index 0)
//   0x81..0xFF   (code - 0x80) transparent pixels
//   0x01..0x7F   that many opaque pixels, their indices follow
//   0x00         never written; read as an empty literal run
//
// Runs never exceed 127 pixels. The coder leaves out a transparent run that
// reaches the row end (0x80 implies it) unless the run had to be closed at
// 127 pixels before the last column.
//
// The decoder trusts nothing in the block: sizes are checked against fixed
// limits before the matrix is allocated, reads stop at the block end and every
// store is checked against the matrix. A decoded frame is committed only when
// the whole block decoded, so a refused block leaves the frame as it was.

#include "DC6Frame.h"
#include "Error.h"
#include "Limits.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace quillet {

namespace {

constexpr std::uint8_t kEndOfRow = 0x80;
constexpr std::size_t kMaxRun = 127;
constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kTerminatorBytes = 3;

void decodeStream(ByteView block, std::int64_t width, std::int64_t height, Bytes& matrix) {
    const std::size_t n = block.size();
    const std::int64_t total = width * height;
    // The last byte before the terminator is never read as a code: in a
    // well-formed block it is the final end-of-row, reached after the last pixel.
    const std::size_t codeEnd = n - 4;

    std::size_t p = kHeaderBytes;
    std::int64_t r = 0, x = 0, w = 0;
    // One pass looks at up to three codes in a fixed order. From a pass start
    // below codeEnd the first two steps advance p by at most two, so the code
    // bytes read stay inside the block; literal pixels are checked one run at a time.
    while (r < height && p < codeEnd) {
        if (block[p] == kEndOfRow) {
            if (x < width)
                w += width - x;
            ++r;
            x = 0;
            ++p;
            if (r >= height)
                break;
        }
        if (block[p] > kEndOfRow) {
            const int run = block[p] - kEndOfRow;
            x += run;
            w += run;
            ++p;
            // Only a malformed stream runs past the row end: cut the run there
            // and let the row's own end code start the next row.
            if (x > width) {
                w -= x - width;
                x = width;
            }
        }
        if (block[p] < kEndOfRow) {
            const std::int64_t count = block[p];
            ++p;
            // Pixels past the row end are neither stored nor consumed.
            const std::int64_t stored = x < width ? std::min(count, width - x) : 0;
            if (stored > 0) {
                if (w + stored > total)
                    throw QuilletError("pixel stream writes past the frame at byte " +
                                       std::to_string(p - 1));
                if (p + stored > n)
                    throw QuilletError("literal run of " + std::to_string(count) +
                                       " pixels at byte " + std::to_string(p - 1) +
                                       " runs past the end of the block");
                std::memcpy(matrix.data() + w, block.data() + p, static_cast<std::size_t>(stored));
                p += static_cast<std::size_t>(stored);
            }
            w += count;
            x += count;
            if (x > width) {
                x %= width;
                ++r;
            }
        }
    }
}

} // namespace

std::int64_t checkedFramePixels(std::int64_t width, std::int64_t height) {
    const auto size = [&] { return std::to_string(width) + " x " + std::to_string(height); };
    if (width < 1 || height < 1)
        throw QuilletError("width x height " + size() + " is not a frame size");
    if (width > limits::kMaxFrameSide || height > limits::kMaxFrameSide)
        throw QuilletError("width x height " + size() + " exceeds the limit of " +
                           std::to_string(limits::kMaxFrameSide) + " pixels per side");
    // Divide instead of multiply, so no product can overflow.
    if (width > limits::kMaxFramePixels / height)
        throw QuilletError("width x height " + size() + " exceeds the limit of " +
                           std::to_string(limits::kMaxFramePixels) + " pixels");
    return width * height;
}

void DC6Frame::setDC6Data(ByteView block) {
    if (block.size() < 20)
        throw QuilletError("frame block of " + std::to_string(block.size()) +
                           " bytes is too short for its header");
    const std::int32_t width = strToLong(block.subspan(4));
    const std::int32_t height = strToLong(block.subspan(8));
    const std::int32_t xOffset = strToLong(block.subspan(12));
    const std::int32_t yOffset = strToLong(block.subspan(16));

    Bytes matrix(static_cast<std::size_t>(checkedFramePixels(width, height)), 0);
    decodeStream(block, width, height, matrix);

    m_pixels = std::make_shared<const Bytes>(std::move(matrix));
    m_width = width;
    m_height = height;
    m_xOffset = xOffset;
    m_yOffset = yOffset;
    m_pixelsId = nextPixelsId();
}

std::size_t DC6Frame::appendFrameData(Bytes& out, std::int16_t palTransform) const {
    requireMatrix("getFrameData");
    const auto width = static_cast<std::size_t>(m_width);
    const auto height = static_cast<std::size_t>(m_height);

    // Transparency is decided on the mapped values; unmapped, the matrix is
    // coded as it stands.
    const Bytes& matrix = *m_pixels;
    Bytes mapped;
    const std::uint8_t* pixels = matrix.data();
    if (mapsPixels(palTransform)) {
        const MapTable table = mappingTable(palTransform);
        mapped.resize(matrix.size());
        for (std::size_t i = 0; i < matrix.size(); ++i)
            mapped[i] = table[matrix[i]];
        pixels = mapped.data();
    }

    // No row codes to more than 2 * width + 1 bytes (alternating single
    // pixels cost 1.5 bytes each, plus the end code), so the stream is written
    // through a pointer into room made once and trimmed afterwards.
    const std::size_t start = out.size();
    const std::size_t bound = height * (2 * width + 1);
    if (out.capacity() < start + bound)
        out.reserve(std::max(start + bound, 2 * out.capacity()));
    out.resize(start + bound);
    std::uint8_t* o = out.data() + start;

    for (std::size_t r = 0; r < height; ++r) {
        const std::uint8_t* row = pixels + r * width;
        std::size_t x = 0;
        while (x < width) {
            // A run closes at 127 pixels unless that is the row end; the next
            // pixel then starts a new run whatever its kind.
            const std::size_t limit = std::min(width, x + kMaxRun);
            std::size_t end = x + 1;
            if (row[x] != 0) {
                const void* zero = std::memchr(row + end, 0, limit - end);
                end = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - row)
                           : limit;
                *o++ = static_cast<std::uint8_t>(end - x);
                std::memcpy(o, row + x, end - x);
                o += end - x;
            } else {
                while (end < limit && row[end] == 0)
                    ++end;
                // A transparent run that reaches the row end is implied by the end code.
                if (end < width)
                    *o++ = static_cast<std::uint8_t>(kEndOfRow + (end - x));
            }
            x = end;
        }
        *o++ = kEndOfRow;
    }
    const auto length = static_cast<std::size_t>(o - (out.data() + start));
    out.resize(start + length);
    return length;
}

Bytes DC6Frame::getFrameData(std::int16_t palTransform) const {
    Bytes stream;
    appendFrameData(stream, palTransform);
    return stream;
}

Bytes DC6Frame::makeFrameHeader(std::int32_t fileOffset, std::size_t streamLength) const {
    requireMatrix("getFrameHeader");
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    const std::int64_t next = std::int64_t{fileOffset} +
                              static_cast<std::int64_t>(kHeaderBytes + kTerminatorBytes) +
                              static_cast<std::int64_t>(std::min<std::size_t>(streamLength, kMax));
    if (streamLength > static_cast<std::size_t>(kMax) || next > kMax)
        throw QuilletError("frame block at file offset " + std::to_string(fileOffset) +
                           " with a stream of " + std::to_string(streamLength) +
                           " bytes ends beyond the 2 GiB a DC6 file can address");

    Bytes header;
    header.reserve(kHeaderBytes);
    appendLong(header, 0);
    appendLong(header, m_width);
    appendLong(header, m_height);
    appendLong(header, m_xOffset);
    appendLong(header, m_yOffset);
    appendLong(header, 0);
    appendLong(header, static_cast<std::int32_t>(next));
    appendLong(header, static_cast<std::int32_t>(streamLength));
    return header;
}

Bytes DC6Frame::getFrameHeader(std::int32_t fileOffset, std::int16_t palTransform) const {
    Bytes stream;
    const std::size_t length = appendFrameData(stream, palTransform);
    return makeFrameHeader(fileOffset, length);
}

} // namespace quillet
