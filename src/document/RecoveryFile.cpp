// A recovery copy: everything needed to rebuild one document exactly, written
// only by this program and read only by it, so the layout is our own. Every
// integer is little-endian.
//
//   0   "QUILLETRECOVERY\n"  (16 bytes)
//   16  u32 format version, 1
//   20  i64 when the copy was kept, milliseconds since 1970 UTC
//   28  u32 flags: bit 0 the Transform palette flag, all others 0
//   32  i32 directions, 1 to 32
//   36  i32 current frame, 0 to the frame count
//   40  i32 frame count, 0 to 32767
//   44  u32 length of the document's file name in UTF-8 bytes (0: untitled),
//       at most 65536, then the name
//   768 bytes: the document palette
//   for each frame: i32 width, i32 height (a size a DC6 frame may have),
//       i32 x offset, i32 y offset, 768 bytes original palette, 768 bytes new
//       palette, width x height pixels (element y * width + x, row 0 at the bottom)
//   32 bytes: BLAKE2b-256 of everything before it
//
// The reader checks every count and length against the limits and the bytes
// left before it allocates, and the checksum last, so that a damaged copy is
// refused whole and a fuzzer still reaches every check before it.

#include "RecoveryFile.h"

#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <QCryptographicHash>
#include <cstring>
#include <string>

namespace quillet::document {

namespace {

constexpr char kMagic[] = "QUILLETRECOVERY\n";
constexpr std::size_t kMagicBytes = sizeof kMagic - 1;
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kTransformFlag = 1;
constexpr std::uint32_t kMaxNameBytes = 65536;
constexpr std::size_t kChecksumBytes = 32;
constexpr auto kChecksum = QCryptographicHash::Blake2b_256;

QByteArray checksum(ByteView bytes) {
    return QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<qsizetype>(bytes.size())),
                                    kChecksum);
}

void appendWord(Bytes& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Reads forward through the copy; every read is checked against what is left.
class Reader {
public:
    explicit Reader(ByteView bytes) : m_bytes(bytes) {}
    std::size_t left() const { return m_bytes.size() - m_at; }
    ByteView take(std::size_t count, const char* what) {
        if (count > left())
            throw QuilletError(std::string(what) + " cut short at byte " + std::to_string(m_at) +
                               ": " + std::to_string(count) + " bytes needed, " +
                               std::to_string(left()) + " left");
        const ByteView part = m_bytes.subspan(m_at, count);
        m_at += count;
        return part;
    }
    std::uint64_t word(int bytes, const char* what) {
        const ByteView part = take(static_cast<std::size_t>(bytes), what);
        std::uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | part[static_cast<std::size_t>(i)];
        return value;
    }
    std::int32_t int32(const char* what) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(word(4, what)));
    }
    std::int32_t int32In(const char* what, std::int32_t low, std::int32_t high) {
        const std::int32_t value = int32(what);
        if (value < low || value > high)
            throw QuilletError(std::string(what) + " " + std::to_string(value) + " is outside " +
                               std::to_string(low) + " to " + std::to_string(high));
        return value;
    }
    Palette palette(const char* what) {
        const ByteView part = take(kPaletteBytes, what);
        Palette palette;
        std::memcpy(palette.data(), part.data(), kPaletteBytes);
        return palette;
    }

private:
    ByteView m_bytes;
    std::size_t m_at = 0;
};

} // namespace

Bytes encodeRecoveryCopy(const DocumentSnapshot& document, const QDateTime& kept) {
    if (document.frames.size() > static_cast<std::size_t>(limits::kMaxFrames))
        throw QuilletError(std::to_string(document.frames.size()) + " frames exceed the limit of " +
                           std::to_string(limits::kMaxFrames));
    const QByteArray name = document.fileName.toUtf8();
    if (static_cast<std::size_t>(name.size()) > kMaxNameBytes)
        throw QuilletError("a file name of " + std::to_string(name.size()) + " bytes is too long");

    std::size_t size =
        kMagicBytes + 32 + static_cast<std::size_t>(name.size()) + kPaletteBytes + kChecksumBytes;
    for (const DC6Frame& frame : document.frames)
        size += 16 + 2 * kPaletteBytes + frame.pixels().size();
    // Made from the magic rather than inserted into a reserved empty vector,
    // which GCC 12's optimiser takes for a write past the end.
    Bytes out(kMagic, kMagic + kMagicBytes);
    out.reserve(size);
    appendWord(out, kVersion, 4);
    appendWord(out, static_cast<std::uint64_t>(kept.toMSecsSinceEpoch()), 8);
    appendWord(out, document.transform ? kTransformFlag : 0, 4);
    appendLong(out, document.directions);
    appendLong(out, document.curFrame);
    appendLong(out, static_cast<std::int32_t>(document.frames.size()));
    appendWord(out, static_cast<std::uint32_t>(name.size()), 4);
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), document.palette.begin(), document.palette.end());
    for (std::size_t i = 0; i < document.frames.size(); ++i) {
        const DC6Frame& frame = document.frames[i];
        if (!frame.hasPixels())
            throw QuilletError("frame " + std::to_string(i + 1) + " has no pixels");
        appendLong(out, frame.get_X_size());
        appendLong(out, frame.get_Y_size());
        appendLong(out, frame.get_X_offset());
        appendLong(out, frame.get_Y_offset());
        const Palette original = frame.getOrigPalette();
        const Palette shown = frame.getNewPalette();
        out.insert(out.end(), original.begin(), original.end());
        out.insert(out.end(), shown.begin(), shown.end());
        const ByteView pixels = frame.pixels();
        out.insert(out.end(), pixels.begin(), pixels.end());
    }
    const QByteArray sum = checksum(out);
    out.insert(out.end(), sum.begin(), sum.end());
    return out;
}

RecoveryCopy decodeRecoveryCopy(ByteView bytes) {
    Reader in(bytes);
    const ByteView magic = in.take(kMagicBytes, "header");
    if (std::memcmp(magic.data(), kMagic, kMagicBytes) != 0)
        throw QuilletError("not a recovery copy");
    const auto version = static_cast<std::uint32_t>(in.word(4, "version"));
    if (version != kVersion)
        throw QuilletError("recovery copy of format version " + std::to_string(version) +
                           ", this program reads version " + std::to_string(kVersion));
    RecoveryCopy copy;
    const auto kept = static_cast<qint64>(in.word(8, "time"));
    copy.kept = QDateTime::fromMSecsSinceEpoch(kept, Qt::UTC);
    if (!copy.kept.isValid() || copy.kept.toMSecsSinceEpoch() != kept)
        throw QuilletError("time " + std::to_string(kept) + " is no time");
    const auto flags = static_cast<std::uint32_t>(in.word(4, "flags"));
    if ((flags & ~kTransformFlag) != 0)
        throw QuilletError("unknown flags " + std::to_string(flags));
    DocumentSnapshot& document = copy.document;
    document.transform = (flags & kTransformFlag) != 0;
    document.directions = in.int32In("direction count", 1, limits::kMaxDirections);
    const std::int32_t current = in.int32("current frame");
    const std::int32_t count = in.int32In("frame count", 0, limits::kMaxFrames);
    if (current < 0 || current > count)
        throw QuilletError("current frame " + std::to_string(current) + " of " +
                           std::to_string(count) + " frames");
    document.curFrame = current;
    const auto nameBytes = static_cast<std::uint32_t>(in.word(4, "file name length"));
    if (nameBytes > kMaxNameBytes)
        throw QuilletError("file name length " + std::to_string(nameBytes) + " exceeds " +
                           std::to_string(kMaxNameBytes));
    const ByteView name = in.take(nameBytes, "file name");
    const QByteArrayView utf8(reinterpret_cast<const char*>(name.data()),
                              static_cast<qsizetype>(name.size()));
    document.fileName = QString::fromUtf8(utf8);
    // What was written came from a QString, so it converts back unchanged.
    if (document.fileName.toUtf8() != utf8)
        throw QuilletError("the file name is not UTF-8");
    document.palette = in.palette("document palette");

    // The smallest frame takes 16 + 2 x 768 + 1 bytes, so no count can
    // reserve more than the copy could hold.
    constexpr std::size_t kSmallestFrame = 16 + 2 * kPaletteBytes + 1;
    if (static_cast<std::size_t>(count) > in.left() / kSmallestFrame)
        throw QuilletError(std::to_string(count) + " frames cannot fit in the " +
                           std::to_string(in.left()) + " bytes left");
    document.frames.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string label = "frame " + std::to_string(i + 1);
        const std::int32_t width = in.int32("frame width");
        const std::int32_t height = in.int32("frame height");
        std::int64_t pixels = 0;
        try {
            pixels = checkedFramePixels(width, height);
        } catch (const QuilletError& e) {
            throw QuilletError(label + ": " + e.what());
        }
        const std::int32_t x = in.int32("x offset");
        const std::int32_t y = in.int32("y offset");
        const Palette original = in.palette("original palette");
        const Palette shown = in.palette("new palette");
        const ByteView matrix = in.take(static_cast<std::size_t>(pixels), "pixels");
        DC6Frame frame;
        frame.setPixelData(Bytes(matrix.begin(), matrix.end()), static_cast<std::int16_t>(width),
                           static_cast<std::int16_t>(height));
        frame.set_X_offset(x);
        frame.set_Y_offset(y);
        frame.seOriginalPalette(original);
        frame.setNewPalette(shown);
        document.frames.push_back(std::move(frame));
    }
    const std::size_t covered = bytes.size() - in.left();
    const ByteView stored = in.take(kChecksumBytes, "checksum");
    if (in.left() != 0)
        throw QuilletError(std::to_string(in.left()) + " bytes after the end of the copy");
    const QByteArray sum = checksum(bytes.first(covered));
    if (std::memcmp(sum.constData(), stored.data(), kChecksumBytes) != 0)
        throw QuilletError("the copy is damaged: its checksum does not match");
    return copy;
}

} // namespace quillet::document
