#include "imaging/PictureImport.h"

#include "formats/PictureFormat.h"
#include "import/FrameCutting.h"
#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace quillet::imaging {

namespace {

using detail::PictureFormat;
using detail::PictureSink;

// An uncompressed 32-bit BMP of the largest accepted size, plus room for its headers.
constexpr std::uint64_t kMaxPictureFileBytes = kMaxPicturePixels * 4 + (std::uint64_t{1} << 20);

bool startsWith(ByteView data, std::string_view magic) {
    return data.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), data.begin(),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// The format is told by the content, never by the file's name.
const PictureFormat* formatOf(ByteView data) {
    if (startsWith(data, "BM"))
        return &detail::bmpFormat();
    if (startsWith(data, "GIF87a") || startsWith(data, "GIF89a"))
        return &detail::gifFormat();
    if (startsWith(data, "\x89PNG\r\n\x1A\n"))
        return &detail::pngFormat();
    if (startsWith(data, "\xFF\xD8\xFF"))
        return &detail::jpegFormat();
    return nullptr;
}

void decodePicture(ByteView data, const ImportOptions& options, PictureSink& sink) {
    // With every colour but the transparent one protected, every picture
    // would come in empty.
    if (options.excludedEntries().all())
        detail::fail("every entry of the palette but 0 is protected: no colour is left to "
                     "match the picture into");
    if (data.empty())
        detail::fail("the file is empty");
    const PictureFormat* format = formatOf(data);
    if (!format)
        detail::fail("not a BMP, GIF, PNG or JPEG picture");
    format->decode(data, sink);
}

Bytes readPicture(const std::string& FileName) {
    // The picture is decoded from memory: nothing is written beside it.
    return readWholeFile(FileName, kMaxPictureFileBytes);
}

template <typename Work> auto withMemoryGuard(Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw QuilletError("not enough memory for the picture");
    }
}

} // namespace

FrameList LoadImageFromMemory(ByteView data, const ImportOptions& options) {
    return withMemoryGuard([&] {
        FrameList frames;
        PictureSink sink(
            options, [&](IndexedPicture&& pic) { detail::cutTiles(pic, options, frames); }, false);
        decodePicture(data, options, sink);
        return frames;
    });
}

FrameList LoadImage(const std::string& FileName, const ImportOptions& options) {
    return LoadImageFromMemory(readPicture(FileName), options);
}

IndexedPicture decodeSheetPicture(ByteView data, const ImportOptions& options) {
    return withMemoryGuard([&] {
        IndexedPicture sheet;
        PictureSink sink(
            options, [&](IndexedPicture&& pic) { sheet = std::move(pic); }, true);
        decodePicture(data, options, sink);
        return sheet;
    });
}

IndexedPicture readSheetPicture(const std::string& FileName, const ImportOptions& options) {
    return decodeSheetPicture(readPicture(FileName), options);
}

FrameList LoadSheetFromMemory(ByteView data, const SheetGrid& grid, bool trim,
                              const ImportOptions& options) {
    const IndexedPicture sheet = decodeSheetPicture(data, options);
    return withMemoryGuard([&] {
        return cutSheet(sheet, findSheetCells(sheet, grid), trim, options.documentPalette);
    });
}

FrameList LoadSheet(const std::string& FileName, const SheetGrid& grid, bool trim,
                    const ImportOptions& options) {
    return LoadSheetFromMemory(readPicture(FileName), grid, trim, options);
}

Palette parsePaletteAny(ByteView bytes) {
    // A file of exactly 768 bytes stays a raw palette whatever its first
    // bytes look like, as such files always were.
    if (!isTextPalette(bytes) && bytes.size() != kPaletteBytes)
        if (const PictureFormat* format = formatOf(bytes))
            if (const std::optional<Palette> table = format->colourTable(bytes))
                return *table;
    return parsePaletteBytes(bytes);
}

Palette readPaletteAny(const std::string& path) {
    return parsePaletteAny(readFilePrefix(path, kMaxPaletteFileBytes));
}

} // namespace quillet::imaging
