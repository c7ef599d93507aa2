#include "palette/PaletteFile.h"

#include "sprite/Error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>

namespace quillet {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Lines without their line ends (LF or CR LF), with their numbers from 1.
class Lines {
public:
    explicit Lines(std::string_view text) : m_rest(text) {}
    bool next(std::string_view& line) {
        if (m_rest.empty())
            return false;
        const std::size_t end = m_rest.find('\n');
        line = m_rest.substr(0, end);
        m_rest = end == std::string_view::npos ? std::string_view{} : m_rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++m_number;
        return true;
    }
    int number() const { return m_number; }

private:
    std::string_view m_rest;
    int m_number = 0;
};

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Whole numbers separated by blanks, read from the front of `line`; the
// remainder (a GIMP colour name) is left in `line`.
bool readNumber(std::string_view& line, long& value) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return false;
    line.remove_prefix(start);
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc{} || (end != line.data() + line.size() && *end != ' ' && *end != '\t'))
        return false;
    line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    return true;
}

[[noreturn]] void malformed(const char* kind, int line, const std::string& why) {
    throw QuilletError(std::string(kind) + " palette, line " + std::to_string(line) + ": " + why);
}

// Three components 0..255 from the front of `line` into entry `index`.
void readColour(const char* kind, Lines& lines, std::string_view& line, Palette& pal,
                std::size_t index) {
    for (std::size_t c = 0; c < 3; ++c) {
        long v = 0;
        if (!readNumber(line, v))
            malformed(kind, lines.number(), "expected red, green and blue");
        if (v < 0 || v > 255)
            malformed(kind, lines.number(), "component " + std::to_string(v) + " is not 0 to 255");
        pal[3 * index + c] = static_cast<std::uint8_t>(v);
    }
}

constexpr std::string_view kJascHeader = "JASC-PAL";
constexpr std::string_view kGimpHeader = "GIMP Palette";

} // namespace

Bytes readFilePrefix(const std::string& path, std::size_t limit) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw QuilletError(std::string("cannot be read: ") + std::strerror(errno));
    Bytes out(limit, 0);
    const std::size_t got = std::fread(out.data(), 1, limit, file.get());
    if (std::ferror(file.get())) // a folder opens on Linux and only fails here
        throw QuilletError(std::string("cannot be read: ") +
                           (errno ? std::strerror(errno) : "read error"));
    out.resize(got);
    return out;
}

bool isTextPalette(ByteView bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return startsWith(text, kJascHeader) || startsWith(text, kGimpHeader);
}

// JASC-PAL: the header line, a version line ("0100"), the colour count, then
// one "red green blue" line per colour.
Palette parseJascPalette(std::string_view text) {
    constexpr const char* kind = "JASC";
    Lines lines(text);
    std::string_view line;
    if (!lines.next(line) || line != kJascHeader)
        malformed(kind, 1, "the header is not JASC-PAL");
    if (!lines.next(line) || line.empty())
        malformed(kind, 2, "the version is missing");
    long count = 0;
    if (!lines.next(line) || !readNumber(line, count) || !isBlank(line))
        malformed(kind, 3, "the colour count is missing");
    if (count < 1 || count > 256)
        malformed(kind, 3, std::to_string(count) + " colours, 1 to 256 fit a palette");
    Palette pal{};
    for (long i = 0; i < count; ++i) {
        if (!lines.next(line))
            malformed(kind, lines.number() + 1,
                      "the file ends after " + std::to_string(i) + " of " + std::to_string(count) +
                          " colours");
        readColour(kind, lines, line, pal, static_cast<std::size_t>(i));
        if (!isBlank(line))
            malformed(kind, lines.number(), "more than three numbers");
    }
    while (lines.next(line))
        if (!isBlank(line))
            malformed(kind, lines.number(),
                      "more colours than the count of " + std::to_string(count));
    return pal;
}

// GIMP: the header line, optional "Name:" and "Columns:" lines, comments
// starting with '#', then "red green blue [name]" lines.
Palette parseGimpPalette(std::string_view text) {
    constexpr const char* kind = "GIMP";
    Lines lines(text);
    std::string_view line;
    if (!lines.next(line) || line != kGimpHeader)
        malformed(kind, 1, "the header is not GIMP Palette");
    Palette pal{};
    std::size_t count = 0;
    while (lines.next(line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line[start] == '#' || startsWith(line, "Name:") ||
            startsWith(line, "Columns:"))
            continue;
        if (count == 256)
            malformed(kind, lines.number(), "more than 256 colours");
        readColour(kind, lines, line, pal, count++);
    }
    if (count == 0)
        malformed(kind, lines.number(), "no colours");
    return pal;
}

Palette parsePaletteBytes(ByteView bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (startsWith(text, kJascHeader))
        return parseJascPalette(text);
    if (startsWith(text, kGimpHeader))
        return parseGimpPalette(text);
    if (bytes.size() != kPaletteBytes)
        throw PaletteSizeError();
    Palette pal;
    std::copy(bytes.begin(), bytes.end(), pal.begin());
    return pal;
}

Palette readPaletteFile(const std::string& path) {
    return parsePaletteBytes(readFilePrefix(path, kMaxPaletteFileBytes));
}

// Entry 0 is black (the transparent index); then a 6 x 7 x 6 colour cube in
// red-major order (252 colours, levels spread evenly over 0..255, the cube's
// own black at index 0), then four greys that the cube lacks (51, 102, 153,
// 204): only black and white lie on the cube's grey diagonal because the
// green levels differ from the red and blue ones.
const Palette& builtinPalette() {
    static const Palette pal = [] {
        Palette p{};
        std::size_t i = 0;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b) {
                    p[i++] = static_cast<std::uint8_t>(r * 255 / 5);
                    p[i++] = static_cast<std::uint8_t>(g * 255 / 6);
                    p[i++] = static_cast<std::uint8_t>(b * 255 / 5);
                }
        for (int grey = 51; grey <= 204; grey += 51) {
            p[i++] = static_cast<std::uint8_t>(grey);
            p[i++] = static_cast<std::uint8_t>(grey);
            p[i++] = static_cast<std::uint8_t>(grey);
        }
        return p;
    }();
    return pal;
}

Palette loadDefaultPalette(const std::string& folder) {
    std::string path = kDefaultPaletteFile;
    if (!folder.empty())
        path = folder + (folder.back() == '/' ? "" : "/") + kDefaultPaletteFile;
    Bytes bytes;
    try {
        bytes = readFilePrefix(path, kPaletteBytes);
    } catch (const QuilletError&) {
        return builtinPalette();
    }
    if (bytes.size() < kPaletteBytes)
        return builtinPalette();
    Palette pal;
    std::copy(bytes.begin(), bytes.end(), pal.begin());
    return pal;
}

void applyPaletteToFrames(const FrameList& frames, const Palette& pal) {
    for (const FramePtr& frame : frames) {
        if (!frame)
            continue;
        if (frame->getOrigPalette() == frame->getNewPalette())
            frame->seOriginalPalette(pal);
        frame->setNewPalette(pal);
    }
}

void adoptOpenedFrames(const FrameList& frames, const Palette& palette) {
    for (const FramePtr& frame : frames) {
        frame->seOriginalPalette(palette);
        frame->setNewPalette(palette);
    }
}

void adoptImportedFrames(const FrameList& frames, const Palette& palette,
                         const IndexSet& protectedEntries) {
    for (const FramePtr& frame : frames) {
        frame->setNewPalette(palette);
        frame->setProtectedEntries(protectedEntries);
    }
}

} // namespace quillet
