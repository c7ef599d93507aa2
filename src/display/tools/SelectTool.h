#pragma once

// The Select tool: a rectangle of the frame and, once its pixels are moved or
// a block is pasted, those pixels floating over the frame until they are put
// down. Plain C++ on frame points, as the other tools. The frame's indices as
// shown (`frame`, of the size last given) are handed in where they are read,
// never kept: the floating pixels make the one working copy of the frame.

#include "sprite/PixelBlock.h"

#include <optional>
#include <string>

namespace quillet::display::tools {

using pixels::Block;
using pixels::Point;
using pixels::Rect;

// What putting the floating pixels down, or clearing the selection, makes of
// the frame: its whole matrix, changed only inside `changed`, and the name of
// the step ("Move", "Paste", "Cut", "Delete").
struct PutDown {
    Rect changed;
    Bytes pixels;
    std::string name;
};

class SelectTool {
public:
    // The frame the selection lies on has this size; a selection that no
    // longer fits it goes.
    void setFrameSize(int width, int height);
    // Forgets the selection and any floating pixels.
    void drop();

    bool hasSelection() const { return !m_rect.empty(); }
    bool isFloating() const { return m_floating.has_value(); }
    // The step floating pixels make once down ("Move", "Paste"); empty when none float.
    std::string floatingStep() const { return m_floating ? m_floating->name : std::string(); }
    bool isDragging() const { return m_mode != Mode::None; }
    // Where the selection stands; floating pixels may reach past the frame.
    Rect rect() const { return m_rect; }
    // While pixels float: the frame as putting them down would leave it.
    ByteView pixels() const;
    // The part of pixels() that changed since the last call.
    Rect takeDirty();
    // Where pixels() may differ from the frame: whence the floating pixels
    // were lifted and where they lie.
    Rect covered() const;

    // A press inside the selection grabs its pixels, lifting them off `frame`
    // the first time; elsewhere it starts a new rectangle (floating pixels
    // must have been put down). A click without a drag selects nothing.
    void press(Point at, ByteView frame);
    void drag(Point at, ByteView frame);
    void release(Point at, ByteView frame);

    void selectAll();
    // Moves the selection by dx, dy, lifting its pixels off `frame` first.
    void nudge(int dx, int dy, ByteView frame);
    // `block` floats with its first pixel at `at` over `frame`.
    void paste(Block block, Point at, ByteView frame);
    // The floating pixels, or else those of `frame` under the selection.
    Block selected(ByteView frame) const;

    // The floating pixels laid on the frame; the selection stays where they
    // lie, within the frame. Nothing when nothing floats or the frame would
    // come out as it was.
    std::optional<PutDown> putDown(ByteView frame);
    // The selection's pixels set to 0, floating ones thrown away.
    std::optional<PutDown> clear(ByteView frame, const std::string& name);

private:
    struct Floating {
        Block block;
        Rect source; // where it was lifted from; empty for a paste
        Bytes pixels;
        std::string name;
    };
    enum class Mode { None, Marquee, Moving };

    Rect bounds() const { return {0, 0, m_width, m_height}; }
    pixels::Canvas canvas() { return {m_width, m_height, m_floating->pixels}; }
    void lift(ByteView frame);
    void moveTo(Point corner, ByteView frame);
    // `changed` of `pixels` against `frame`, or nothing when they are equal.
    std::optional<PutDown> changes(Rect changed, Bytes pixels, ByteView frame,
                                   const std::string& name) const;

    int m_width = 0;
    int m_height = 0;
    Rect m_rect;
    std::optional<Floating> m_floating;
    Rect m_dirty;
    Mode m_mode = Mode::None;
    Point m_from;   // where the drag began
    Rect m_grabbed; // the selection then
};

} // namespace quillet::display::tools
