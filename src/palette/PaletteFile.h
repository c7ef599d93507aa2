#pragma once

#include "sprite/DC6Frame.h"
#include "sprite/Error.h"
#include "sprite/Palette.h"

#include <string>
#include <string_view>

namespace quillet {

inline constexpr const char* kDefaultPaletteFile = "default.pal";
inline constexpr const char* kWrongPaletteSize = "Wrong filesize (length of file is not 768 bytes)";

// A raw palette file that is not exactly 768 bytes long; the editor shows
// this one message in its own box.
class PaletteSizeError : public QuilletError {
public:
    PaletteSizeError() : QuilletError(kWrongPaletteSize) {}
};

// Palette files are read up to this size: enough for any text palette and
// for the colour table at the start of a picture.
inline constexpr std::size_t kMaxPaletteFileBytes = std::size_t{1} << 20;

// The first `limit` bytes of a file (all of a shorter one). Throws QuilletError
// with the reason when the file cannot be opened or read.
Bytes readFilePrefix(const std::string& path, std::size_t limit);

// A palette file's bytes: a JASC-PAL or GIMP palette text, else the raw
// 768 bytes. Throws PaletteSizeError for raw data of any other length and
// QuilletError with the reason for a malformed text palette.
Palette parsePaletteBytes(ByteView bytes);
Palette readPaletteFile(const std::string& path);

// Text palettes: at most 256 colours, the rest of the palette black.
bool isTextPalette(ByteView bytes);
Palette parseJascPalette(std::string_view text);
Palette parseGimpPalette(std::string_view text);

// Used when "default.pal" is missing or short: entry 0 black, all 256 entries
// distinct (a 6x7x6 colour cube and four greys the cube lacks).
const Palette& builtinPalette();

// "default.pal" from `folder`: its first 768 bytes (longer files are fine);
// the built-in palette when the file is missing, unreadable or shorter.
Palette loadDefaultPalette(const std::string& folder);

// Gives every frame `pal` as its new palette; a frame whose two palettes were
// equal gets it as its original palette too (its indices then stand for the
// new colours without re-indexing).
void applyPaletteToFrames(const FrameList& frames, const Palette& pal);

// The palette rules shared by the editor and quillet-cli. Frames read from a
// DC6 file have the document palette as both palettes, so they are drawn and
// saved with their indices as they are; imported frames keep the original
// palette the importer gave them and are drawn in the document palette,
// re-indexed into it without ever choosing a protected entry.
void adoptOpenedFrames(const FrameList& frames, const Palette& palette);
void adoptImportedFrames(const FrameList& frames, const Palette& palette,
                         const IndexSet& protectedEntries = {});

} // namespace quillet
