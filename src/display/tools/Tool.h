#pragma once

// The drawing tools: each turns a press, the moves and the release of the
// mouse at frame points into pixel operations on a Stroke. Plain C++: the
// picture area hands them points of the frame's matrix (column, stored row).

#include "sprite/PixelOps.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillet::display::tools {

using pixels::Point;
using pixels::Rect;

// The stroke tools come first; Select keeps a selection between presses
// instead (SelectTool).
enum class ToolKind { Pencil, Eraser, Line, Rectangle, Fill, Eyedropper, Select };
inline constexpr std::size_t kStrokeTools = 6;

// The keys held at an event: Shift constrains a shape or joins a pencil click
// to the last point, Ctrl widens a fill to every pixel of the index.
struct Modifiers {
    bool shift = false;
    bool ctrl = false;
};

// A private working copy of a frame's indices, as the frame saves them, and
// the box of what the tools changed in it. The frame itself is left alone
// until the whole stroke is handed over.
class Stroke {
public:
    Stroke(Bytes indices, int width, int height, std::uint8_t index,
           const pixels::IndexSet& locked = {});

    Rect bounds() const { return {0, 0, m_width, m_height}; }
    ByteView pixels() const { return m_pixels; }
    // Everything changed since the start; boxes may hold pixels changed back.
    Rect changed() const { return m_changed; }
    // What changed since the last call, to be shown.
    Rect takeDirty();
    Bytes takePixels() { return std::move(m_pixels); }

    // Each returns the box of what it changed.
    Rect line(Point a, Point b);
    Rect plot(std::span<const Point> points);
    Rect fill(Point seed, bool everywhere);
    // The pixels of `box` as they were before the stroke.
    void restore(const Rect& box);

    // The eyedropper's find: the index at `p` before the stroke, if on the frame.
    void pick(Point p);
    std::optional<std::uint8_t> takePicked();

private:
    pixels::Canvas canvas() { return {m_width, m_height, m_pixels}; }
    Rect mark(const Rect& box);

    Bytes m_base;
    Bytes m_pixels;
    int m_width;
    int m_height;
    std::uint8_t m_index;
    pixels::IndexSet m_locked;
    Rect m_changed;
    Rect m_dirty;
    std::optional<std::uint8_t> m_picked;
};

class Tool {
public:
    virtual ~Tool() = default;
    // The undo step is named after it: "Undo Pencil".
    virtual std::string name() const = 0;
    // The index its strokes paint with, given the drawing index.
    virtual std::uint8_t paintsWith(std::uint8_t drawing) const { return drawing; }
    virtual void press(Stroke& stroke, Point at, Modifiers keys) = 0;
    virtual void move(Stroke& stroke, Point at, Modifiers keys) = 0;
    virtual void release(Stroke& stroke, Point at, Modifiers keys) { move(stroke, at, keys); }
    // The last point of a stroke is kept for the next one on the same frame;
    // another frame forgets it.
    virtual void forget() {}
};

} // namespace quillet::display::tools
