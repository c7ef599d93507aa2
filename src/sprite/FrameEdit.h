#pragma once

#include "DC6Frame.h"
#include "PixelBlock.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace quillet {

// One change to frames' offsets or pixels. The editor's frame commands and
// `quillet-cli edit` both go through editedState, so a frame comes out the
// same whichever of them changed it.
struct FrameEdit {
    enum class Kind {
        SetOffset,
        ShiftOffset,
        FlipHorizontal,
        FlipVertical,
        ReplaceIndex,
        MapIndices,
        Canvas,
        Trim
    };
    Kind kind = Kind::ShiftOffset;
    // SetOffset: the offsets to set, either may be missing; ShiftOffset: dx
    // and dy. 64-bit so that no request overflows before it is checked.
    std::optional<std::int64_t> x = std::nullopt;
    std::optional<std::int64_t> y = std::nullopt;
    // ReplaceIndex: pixels of index `from` become `to`.
    std::uint8_t from = 0;
    std::uint8_t to = 0;
    // MapIndices: every pixel's index i becomes table[i].
    MapTable table = {};
    // Canvas: pixels added or taken away at each side, new ones 0.
    pixels::Margins margins = {};
};

// Remap Colours: the source entries `from` .. `fromLast` onto the
// destination `to` .. `toLast`, each range in the order written, so a source
// written backwards lands reversed. The ends map onto the ends and the rest
// spread evenly: the k-th source entry of n + 1 goes to
// to + round(k * (toLast - to) / n), halves away from `to`; a one-entry
// source goes to `to`. Every other entry keeps its index. Each pixel is
// looked up once, so ranges may overlap (a ramp shifted by one).
MapTable rangeMapping(int from, int fromLast, int to, int toLast);

// A frame's offsets, and its pixel matrix where an edit changes it (shared
// with the frame that holds it, never copied) with the matrix's size where
// that changes too (0 x 0: the frame's own).
struct FrameState {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::shared_ptr<const Bytes> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// What `edit` makes of `frame`, which is left alone. A flip mirrors the frame
// about the anchor: it spans x .. x + w and y - h .. y, so a horizontal flip
// moves x to -(x + w) and a vertical one y to h - y, and flipping twice gives
// the frame back. Throws QuilletError naming the value when an offset would
// leave the 32-bit range, or when the frame has no pixels to change.
FrameState editedState(const DC6Frame& frame, const FrameEdit& edit);

// Puts `state` into `frame` and leaves in `state` what it replaced (the
// pixels only where `state` brought some), so a second call takes the first
// back. The frame's palettes stay.
void swapState(DC6Frame& frame, FrameState& state);

} // namespace quillet
