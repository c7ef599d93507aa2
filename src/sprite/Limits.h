#pragma once

#include <cstdint>

namespace quillet::limits {

// A document's frame count and frame numbers are signed 16-bit.
inline constexpr std::int32_t kMaxFrames = 32767;

// Directions of one file; the game's sprites use at most 32.
inline constexpr std::int32_t kMaxDirections = 32;

// No sprite of the game comes near this; imported pictures are cut into
// 256 x 256 tiles. Checked on every frame header before its matrix exists.
inline constexpr std::int64_t kMaxFramePixels = std::int64_t{1} << 24;

// A side longer than the 16-bit sizes frames are made with. Also keeps a frame
// of one-pixel rows from costing a decoder pass per row for millions of rows.
inline constexpr std::int64_t kMaxFrameSide = 32767;

// All frames of one file together: the same 256 MiB budget as Qt's image
// reader allocation limit.
inline constexpr std::int64_t kMaxFilePixels = std::int64_t{1} << 28;

} // namespace quillet::limits
