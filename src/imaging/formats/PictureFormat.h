#pragma once

// One picture format per file: BmpFormat.cpp, GifFormat.cpp, JpegFormat.cpp,
// PngFormat.cpp, each reading behind this interface and writing (but JPEG)
// through its own header, each turning its library's errors into
// QuilletError. PictureImport.cpp tells them apart by content.

#include "imaging/import/PictureSink.h"

#include <optional>

namespace quillet::imaging::detail {

class PictureFormat {
public:
    virtual ~PictureFormat() = default;
    // Every picture in the data to the sink, until the sink has had enough.
    virtual void decode(ByteView data, PictureSink& sink) const = 0;
    // The colour table "Select palette..." takes from such a file; nothing
    // for a format without colour tables, whose files are then raw palettes.
    virtual std::optional<Palette> colourTable(ByteView data) const = 0;
};

const PictureFormat& bmpFormat();
const PictureFormat& gifFormat();
const PictureFormat& jpegFormat();
const PictureFormat& pngFormat();

} // namespace quillet::imaging::detail
