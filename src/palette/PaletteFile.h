#pragma once

#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <string>

namespace quillet {

inline constexpr const char* kDefaultPaletteFile = "Diablo2.pal";

// A palette file is exactly 768 bytes. Throws QuilletError with the reason
// (cannot be read, or "Wrong filesize (length of file is not 768 bytes)").
Palette readPaletteFile(const std::string& path);
Palette parsePaletteBytes(ByteView bytes);

// Used when "Diablo2.pal" is missing or short: entry 0 black, all 256 entries
// distinct (a 6x7x6 colour cube and four greys the cube lacks).
const Palette& builtinPalette();

// "Diablo2.pal" from `folder`: its first 768 bytes (longer files are fine);
// the built-in palette when the file is missing, unreadable or shorter.
Palette loadDefaultPalette(const std::string& folder);

// Gives every frame `pal` as its new palette; a frame whose two palettes were
// equal gets it as its original palette too (its indices then stand for the
// new colours without re-indexing).
void applyPaletteToFrames(const FrameList& frames, const Palette& pal);

} // namespace quillet
