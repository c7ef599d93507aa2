#include "palette/PaletteFile.h"

#include "sprite/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quillet {

namespace {

constexpr const char* kWrongSize = "Wrong filesize (length of file is not 768 bytes)";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads at most `limit` bytes, so a huge file chosen by mistake costs nothing.
// Returns false with errno's reason when the file cannot be opened or read.
bool readPrefix(const std::string& path, std::size_t limit, Bytes& out, std::string& reason) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    out.assign(limit, 0);
    const std::size_t got = std::fread(out.data(), 1, limit, file.get());
    if (std::ferror(file.get())) {
        // A directory opens on Linux and only fails here.
        reason = errno ? std::strerror(errno) : "read error";
        return false;
    }
    out.resize(got);
    return true;
}

} // namespace

Palette parsePaletteBytes(ByteView bytes) {
    if (bytes.size() != kPaletteBytes)
        throw QuilletError(kWrongSize);
    Palette pal;
    std::copy(bytes.begin(), bytes.end(), pal.begin());
    return pal;
}

Palette readPaletteFile(const std::string& path) {
    Bytes bytes;
    std::string reason;
    // One byte more than a palette tells a 769-byte file from a 768-byte one.
    if (!readPrefix(path, kPaletteBytes + 1, bytes, reason))
        throw QuilletError("Cannot read palette file \"" + path + "\": " + reason);
    return parsePaletteBytes(bytes);
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
    std::string reason;
    if (!readPrefix(path, kPaletteBytes, bytes, reason) || bytes.size() < kPaletteBytes)
        return builtinPalette();
    return parsePaletteBytes(bytes);
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

} // namespace quillet
