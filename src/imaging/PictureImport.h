#pragma once

#include "sprite/Bytes.h"
#include "sprite/DC6Frame.h"

#include <string>

namespace quillet::imaging {

// Pictures larger than this are rejected before their pixels are decoded.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// Turns a BMP, GIF or JPEG picture into frames: tiles of at most 256 x 256,
// bands from the top down, tiles left to right; each frame's pixels are the
// picture's indices (row 0 = bottom row) and its original palette the
// picture's colour table. Offsets 0, new palette zero. Throws QuilletError.
FrameList LoadImage(const std::string& FileName);

// Caps checked before a picture's pixels exist. The defaults suit the editor;
// callers that must bound time and memory more tightly (fuzzing) lower them.
struct ImportLimits {
    int maxSide = kMaxPictureSide;
    std::int64_t maxPixels = kMaxPicturePixels;
};

// The same from bytes in memory (the format is recognised from the content).
FrameList LoadImageFromMemory(ByteView data, const ImportLimits& limits = {});

} // namespace quillet::imaging
