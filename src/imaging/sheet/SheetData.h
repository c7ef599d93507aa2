#pragma once

// The data file written beside a sprite sheet, in the JSON layout that game
// engines, atlas packers and pixel editors share: where each frame lies in the
// picture and where it stands in its cell, the cell's anchor point as the
// pivot of a slice named "anchor", and the directions as frame tags. Plain
// data, no Qt.

#include "sprite/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet::imaging {

struct SheetRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const SheetRect&) const = default;
};

struct SheetPoint {
    int x = 0;
    int y = 0;
    bool operator==(const SheetPoint&) const = default;
};

// `frame`: the frame's pixels in the picture. `spriteSourceSize`: the same
// rectangle within the frame's cell of sourceWidth x sourceHeight, so a
// loader places the frame by it. `duration` in milliseconds.
struct SheetDataFrame {
    std::string filename;
    SheetRect frame;
    bool trimmed = false;
    SheetRect spriteSourceSize;
    int sourceWidth = 0;
    int sourceHeight = 0;
    int duration = 0;
    bool operator==(const SheetDataFrame&) const = default;
};

// Frames `from` to `to`, counted from 0, both included.
struct SheetTag {
    std::string name;
    int from = 0;
    int to = 0;
    bool operator==(const SheetTag&) const = default;
};

// A key of the "anchor" slice: from frame `frame` on, the anchor stands at
// the bounds' top-left corner plus the pivot in every cell.
struct SheetAnchorKey {
    int frame = 0;
    SheetRect bounds;
    std::optional<SheetPoint> pivot;
    bool operator==(const SheetAnchorKey&) const = default;
};

struct SheetData {
    std::vector<SheetDataFrame> frames;
    std::string app;
    std::string version;
    std::string image; // the picture's file name, relative to the data file's folder
    int width = 0;     // meta.size; 0 when not given
    int height = 0;
    std::vector<SheetTag> frameTags;
    std::vector<SheetAnchorKey> anchor; // in ascending frame order
    bool operator==(const SheetData&) const = default;
};

enum class SheetJsonLayout { Array, Hash };

// More JSON than any sheet of 32767 frames needs; checked before parsing.
inline constexpr std::uint64_t kMaxSheetDataBytes = std::uint64_t{64} << 20;
// The layout nests six levels; a deeper file is no sheet data, and the bound
// keeps a file of brackets from costing memory by the gigabyte.
inline constexpr std::size_t kMaxSheetDataDepth = 32;

// The data as JSON: the frames as an array, or as an object keyed by file
// name in frame order; the keys of every object in one fixed order, the
// size left out when it is not known.
std::string writeSheetJson(const SheetData& data, SheetJsonLayout layout);

// The bytes of a written text, for the file writers.
inline ByteView bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Either layout, the frames in the order the file lists them. Throws
// QuilletError naming the frame and the field: a value that is missing,
// given twice or not a whole number in range, a rotated frame, two frames of
// one name, more than 32767 frames, frame tags that sheetDirections refuses.
SheetData readSheetJson(ByteView json);

// How the frames of a sheet are called in messages: `frame 3 ("walk 3")`.
std::string sheetFrameLabel(std::size_t index, const std::string& name);

// The directions the tags named "direction 1", "direction 2", ... give, each
// covering an equal run of frames in turn; 1 without such tags. Throws
// QuilletError when they do not cover every frame that way.
int sheetDirections(const SheetData& data);

// The anchor in the cell of frame `index` (from 0), when the data has one.
std::optional<SheetPoint> sheetAnchor(const SheetData& data, std::size_t index);

} // namespace quillet::imaging
