// A DC6 file: D directions of F frames each, n = D x F frames in all.
//
//   0  version 6     4  flags 1     8  encoding 0     12  EE EE EE EE
//   16 directions D  20 frames per direction F
//   24 n frame pointers, the file offset of each frame block, direction 1 first
//   24 + 4n  the frame blocks, one after another (see FrameCodec.cpp)
//
// The reader needs only D, F and the pointers; the other four header words
// are accepted whatever they hold and written back as above, which is what
// every file this program wrote holds. Each block runs from its pointer to
// the next one, the last to the end of the file.

#include "DC6FileIO.h"

#include "Error.h"
#include "Limits.h"
#include "SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quillet {

namespace {

constexpr std::size_t kFileHeaderBytes = 24;
constexpr std::uint8_t kTerminator = 0xEE;
constexpr std::size_t kLengthField = 28; // in the frame header, see FrameCodec.cpp

// Every offset in a DC6 file is a signed 32-bit word, so no valid file is larger.
constexpr std::uint64_t kMaxFileBytes = std::numeric_limits<std::int32_t>::max();

std::string frameLabel(std::size_t index) {
    return "frame " + std::to_string(index + 1);
}

// The pixels a block's header asks for; invalid sizes count nothing here
// because the decoder refuses them anyway.
std::int64_t declaredPixels(ByteView block) {
    if (block.size() < 20)
        return 0;
    try {
        return checkedFramePixels(strToLong(block.subspan(4)), strToLong(block.subspan(8)));
    } catch (const QuilletError&) {
        return 0;
    }
}

// The first four header words as this program writes them.
constexpr std::uint8_t kOwnHeader[16] = {6, 0, 0, 0, 1,    0,    0,    0,
                                         0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};

// Whether `block`, placed at `offset`, is exactly what the writer makes of
// `frame`; `scratch` is reused from block to block.
bool writtenAsOurs(ByteView block, std::size_t offset, const DC6Frame& frame, Bytes& scratch) {
    constexpr std::size_t kHeaderAndEnd = 32 + 3;
    if (block.size() < kHeaderAndEnd || block[block.size() - 1] != kTerminator ||
        block[block.size() - 2] != kTerminator || block[block.size() - 3] != kTerminator)
        return false;
    const std::size_t length = block.size() - kHeaderAndEnd;
    scratch.clear();
    if (frame.appendFrameData(scratch, 0) != length)
        return false;
    const Bytes header = frame.makeFrameHeader(static_cast<std::int32_t>(offset), length);
    return std::equal(header.begin(), header.end(), block.begin()) &&
           std::equal(scratch.begin(), scratch.end(), block.begin() + 32);
}

// Decodes from anything that can hand out byte ranges: memory, or a file read
// block by block so that a large file never sits in memory twice.
template <class Source>
FrameList decodeFrom(Source& file, int* directionsOut,
                     std::vector<std::optional<std::int32_t>>* lengthsOut,
                     const WorkProgress& progress, bool* ownLayoutOut) {
    if (file.size() < kFileHeaderBytes)
        throw QuilletError("file header cut short: " + std::to_string(file.size()) + " of " +
                           std::to_string(kFileHeaderBytes) + " bytes");
    // Coding every frame again costs a save's work; only callers who ask pay it.
    bool ownLayout = ownLayoutOut != nullptr;
    if (ownLayout) {
        const ByteView head = file.read(0, 16);
        ownLayout = std::equal(head.begin(), head.end(), std::begin(kOwnHeader));
    }
    const ByteView counts = file.read(16, 8);
    const std::int32_t directionsWord = strToLong(counts);
    const std::int32_t perDirection = strToLong(counts.subspan(4));
    // Files with 0 or less here were always read as one direction and must
    // keep opening. More than the limit is refused: reading only part of such
    // a file would lose the rest at the next save.
    if (directionsWord > limits::kMaxDirections)
        throw QuilletError("direction count " + std::to_string(directionsWord) +
                           " exceeds the limit of " + std::to_string(limits::kMaxDirections));
    const std::int32_t directions = std::max(directionsWord, 1);
    ownLayout = ownLayout && directionsWord == directions;
    if (perDirection < 1 || perDirection > limits::kMaxFrames)
        throw QuilletError("frames per direction " + std::to_string(perDirection) +
                           " is outside 1 to " + std::to_string(limits::kMaxFrames));
    const std::int64_t count = std::int64_t{directions} * perDirection;
    if (count > limits::kMaxFrames)
        throw QuilletError(std::to_string(directions) + " directions of " +
                           std::to_string(perDirection) + " frames exceed the limit of " +
                           std::to_string(limits::kMaxFrames) + " frames");
    const auto n = static_cast<std::size_t>(count);
    const std::size_t tableEnd = kFileHeaderBytes + 4 * n;
    if (file.size() < tableEnd)
        throw QuilletError("frame pointer table cut short: " + std::to_string(count) +
                           " frames need " + std::to_string(tableEnd) + " bytes, the file has " +
                           std::to_string(file.size()));

    // Blocks lie in pointer order, each right after the previous one, and none
    // may overlap the header, the table or another block.
    std::vector<std::size_t> start(n + 1);
    // A copy: the reads below reuse the source's buffer.
    const ByteView tableView = file.read(kFileHeaderBytes, 4 * n);
    const Bytes table(tableView.begin(), tableView.end());
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t pointer = strToLong(ByteView(table).subspan(4 * i));
        const std::size_t lowest = i == 0 ? tableEnd : start[i - 1] + 1;
        if (pointer < 0 || static_cast<std::size_t>(pointer) < lowest)
            throw QuilletError(frameLabel(i) + ": block pointer " + std::to_string(pointer) +
                               (i == 0 ? " points into the file header"
                                       : " does not lie after the previous block"));
        if (static_cast<std::size_t>(pointer) > file.size())
            throw QuilletError(frameLabel(i) + ": block pointer " + std::to_string(pointer) +
                               " lies beyond the end of the file (" + std::to_string(file.size()) +
                               " bytes)");
        start[i] = static_cast<std::size_t>(pointer);
    }
    start[n] = file.size();
    ownLayout = ownLayout && start[0] == tableEnd;

    // The budget of the whole file holds before any matrix is allocated.
    std::int64_t pixels = 0;
    for (std::size_t i = 0; i < n; ++i) {
        pixels +=
            declaredPixels(file.read(start[i], std::min<std::size_t>(20, start[i + 1] - start[i])));
        if (pixels > limits::kMaxFilePixels)
            throw QuilletError(frameLabel(i) + ": the frames up to here hold more than " +
                               std::to_string(limits::kMaxFilePixels) + " pixels");
    }

    FrameList frames;
    frames.reserve(n);
    std::vector<std::optional<std::int32_t>> lengths;
    Bytes scratch;
    for (std::size_t i = 0; i < n; ++i) {
        const ByteView block = file.read(start[i], start[i + 1] - start[i]);
        auto frame = std::make_shared<DC6Frame>();
        try {
            frame->setDC6Data(block);
        } catch (const QuilletError& e) {
            throw QuilletError(frameLabel(i) + ": " + e.what());
        }
        if (lengthsOut)
            lengths.push_back(block.size() >= kLengthField + 4
                                  ? std::optional(strToLong(block.subspan(kLengthField)))
                                  : std::nullopt);
        ownLayout = ownLayout && writtenAsOurs(block, start[i], *frame, scratch);
        frames.push_back(std::move(frame));
        reportProgress(progress, static_cast<std::int64_t>(i + 1), static_cast<std::int64_t>(n));
    }
    if (directionsOut)
        *directionsOut = directions;
    if (lengthsOut)
        *lengthsOut = std::move(lengths);
    if (ownLayoutOut)
        *ownLayoutOut = ownLayout;
    return frames;
}

// What a file that failed to read looks like when it does not even begin as
// a DC6 file: a picture's signature, or a version word other than 6 with
// counts no DC6 file holds (empty: like nothing known). Nothing when it may
// be a damaged DC6 file, whose reason alone says what is wrong.
std::optional<std::string> foreignKind(ByteView head, std::size_t fileSize) {
    static const struct {
        std::string_view signature;
        const char* kind;
    } kPictures[] = {
        {"\x89PNG\r\n\x1a\n", "a PNG picture"},
        {"GIF87a", "a GIF picture"},
        {"GIF89a", "a GIF picture"},
        {"\xFF\xD8\xFF", "a JPEG picture"},
        {"BM", "a BMP picture"},
    };
    for (const auto& picture : kPictures)
        if (head.size() >= picture.signature.size() &&
            std::equal(picture.signature.begin(), picture.signature.end(), head.begin(),
                       [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
            return picture.kind;
    if (head.size() < 4 || strToLong(head) == 6)
        return std::nullopt;
    if (head.size() < kFileHeaderBytes)
        return "";
    const std::int64_t directions = std::max(strToLong(head.subspan(16)), 1);
    const std::int64_t perDirection = strToLong(head.subspan(20));
    const bool countsFit = directions <= limits::kMaxDirections && perDirection >= 1 &&
                           directions * perDirection <= limits::kMaxFrames &&
                           kFileHeaderBytes + 4 * directions * perDirection <= fileSize;
    return countsFit ? std::nullopt : std::optional<std::string>("");
}

// Reads as decodeFrom does; a file that fails and is plainly no DC6 file
// says so before the reason.
template <class Source>
FrameList decodeChecked(Source& file, int* directionsOut,
                        std::vector<std::optional<std::int32_t>>* lengthsOut,
                        const WorkProgress& progress, bool* ownLayoutOut) {
    try {
        return decodeFrom(file, directionsOut, lengthsOut, progress, ownLayoutOut);
    } catch (const QuilletError& e) {
        std::optional<std::string> kind;
        try {
            const ByteView head = file.read(0, std::min(file.size(), kFileHeaderBytes));
            kind = foreignKind(head, file.size());
        } catch (const QuilletError&) {
        }
        if (!kind)
            throw;
        throw QuilletError(
            (kind->empty() ? "This is not a DC6 file." : "This is " + *kind + ", not a DC6 file.") +
            " (" + e.what() + ")");
    }
}

class MemorySource {
public:
    explicit MemorySource(ByteView bytes) : m_bytes(bytes) {}
    std::size_t size() const { return m_bytes.size(); }
    ByteView read(std::size_t offset, std::size_t length) const {
        return m_bytes.subspan(offset, length);
    }

private:
    ByteView m_bytes;
};

// Reads the ranges asked for into one reused buffer; the view returned stays
// valid until the next read.
class FileSource {
public:
    explicit FileSource(const std::string& path) {
        errno = 0;
        m_file.reset(std::fopen(path.c_str(), "rb"));
        if (!m_file)
            throw QuilletError("cannot open for reading: " + errnoText(errno));
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        if (ec)
            throw QuilletError("cannot read: " + ec.message());
        if (size > kMaxFileBytes)
            throw QuilletError("file of " + std::to_string(size) + " bytes exceeds the " +
                               std::to_string(kMaxFileBytes) + " bytes a DC6 file can address");
        m_size = static_cast<std::size_t>(size);
    }
    std::size_t size() const { return m_size; }
    ByteView read(std::size_t offset, std::size_t length) {
        m_buffer.resize(length);
        // Offsets stay below 2^31, so they fit the long of fseek everywhere.
        if (std::fseek(m_file.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(m_buffer.data(), 1, length, m_file.get()) != length)
            throw QuilletError("the file changed or could not be read at byte " +
                               std::to_string(offset));
        return m_buffer;
    }

private:
    FilePtr m_file;
    std::size_t m_size = 0;
    Bytes m_buffer;
};

} // namespace

FrameList DC6FileIO::decodeDC6(ByteView file, int* directions, const WorkProgress& progress,
                               bool* ownLayout) {
    MemorySource source(file);
    return decodeChecked(source, directions, nullptr, progress, ownLayout);
}

Bytes DC6FileIO::encodeDC6(const FrameList& DC6, std::int16_t palTransform,
                           const SaveProgress& progress, int directions) {
    // Nothing the reader would refuse or misread is ever written.
    if (DC6.empty())
        throw QuilletError("a DC6 file needs at least one frame");
    if (DC6.size() > static_cast<std::size_t>(limits::kMaxFrames))
        throw QuilletError(std::to_string(DC6.size()) + " frames exceed the limit of " +
                           std::to_string(limits::kMaxFrames));
    if (directions < 1 || directions > limits::kMaxDirections)
        throw QuilletError("direction count " + std::to_string(directions) + " is outside 1 to " +
                           std::to_string(limits::kMaxDirections));
    if (DC6.size() % static_cast<std::size_t>(directions) != 0)
        throw QuilletError(std::to_string(DC6.size()) + " frames do not divide into " +
                           std::to_string(directions) + " directions");
    // The progress callback may run the event loop; a copy of the list keeps
    // every frame alive even if the document drops it meanwhile.
    const FrameList frames = DC6;
    const auto n = static_cast<std::int32_t>(frames.size());

    Bytes file;
    appendLong(file, 6);
    appendLong(file, 1);
    appendLong(file, 0);
    file.insert(file.end(), 4, kTerminator);
    appendLong(file, directions);
    appendLong(file, n / directions);
    const std::size_t pointerTable = file.size();
    file.resize(pointerTable + 4 * frames.size());

    for (std::int32_t c = 0; c < n; ++c) {
        const FramePtr& frame = frames[static_cast<std::size_t>(c)];
        if (!frame)
            throw QuilletError(frameLabel(static_cast<std::size_t>(c)) + ": missing");
        // Every offset in the file is a signed 32-bit word.
        if (file.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            throw QuilletError(frameLabel(static_cast<std::size_t>(c)) +
                               ": the file would exceed the 2 GiB a DC6 file can address");
        const auto offset = static_cast<std::int32_t>(file.size());
        try {
            file.resize(file.size() + 32); // header, filled in once the stream length is known
            const std::size_t length = frame->appendFrameData(file, palTransform);
            const Bytes header = frame->makeFrameHeader(offset, length);
            std::copy(header.begin(), header.end(), file.begin() + offset);
        } catch (const QuilletError& e) {
            throw QuilletError(frameLabel(static_cast<std::size_t>(c)) + ": " + e.what());
        }
        file.insert(file.end(), 3, kTerminator);

        const Bytes pointer = longToStr(offset);
        std::copy(pointer.begin(), pointer.end(), file.begin() + pointerTable + 4 * c);
        if (progress)
            progress(c + 1, n);
    }
    return file;
}

FrameList DC6FileIO::LoadDC6(const std::string& FileName, int* directions,
                             const WorkProgress& progress) const {
    FileSource source(FileName);
    return decodeChecked(source, directions, nullptr, progress, nullptr);
}

FrameList DC6FileIO::LoadDC6(const std::string& FileName, DC6Headers& headers,
                             const WorkProgress& progress) const {
    FileSource source(FileName);
    return decodeChecked(source, &headers.directions, &headers.streamLengths, progress, nullptr);
}

void DC6FileIO::SaveDC6(const std::string& FileName, const FrameList& DC6,
                        std::int16_t palTransform, const SaveProgress& progress,
                        int directions) const {
    // Every frame is coded before the file is touched, and the file is
    // replaced as a whole, so a failure leaves the old file as it was.
    writeFileSafely(FileName, encodeDC6(DC6, palTransform, progress, directions));
}

} // namespace quillet
