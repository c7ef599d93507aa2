#pragma once

#include "Tool.h"

#include <memory>

namespace quillet::display::tools {

// Sets pixels to the drawing index along the mouse's path, each position
// joined to the one before by a line so a fast stroke has no gaps. A press
// with Shift joins on to the last point of the previous stroke.
class Pencil : public Tool {
public:
    std::string name() const override { return "Pencil"; }
    void press(Stroke& stroke, Point at, Modifiers keys) override;
    void move(Stroke& stroke, Point at, Modifiers keys) override;
    void forget() override { m_last.reset(); }

private:
    std::optional<Point> m_last;
};

// The pencil with index 0, transparent.
class Eraser : public Pencil {
public:
    std::string name() const override { return "Eraser"; }
    std::uint8_t paintsWith(std::uint8_t) const override { return 0; }
};

// A shape from the press to the mouse, drawn anew over the frame as it was
// at every move.
class ShapeTool : public Tool {
public:
    void press(Stroke& stroke, Point at, Modifiers keys) override;
    void move(Stroke& stroke, Point at, Modifiers keys) override;

protected:
    // The shape's pixels; with Shift held, `constrained`.
    virtual std::vector<Point> shape(Point from, Point to, bool constrained,
                                     const Rect& bounds) const = 0;

private:
    Point m_from;
    Rect m_drawn;
};

// Shift keeps it to multiples of 45 degrees.
class LineTool : public ShapeTool {
public:
    std::string name() const override { return "Line"; }

protected:
    std::vector<Point> shape(Point from, Point to, bool constrained,
                             const Rect& bounds) const override;
};

// The outline; Shift makes it a square.
class RectangleTool : public ShapeTool {
public:
    std::string name() const override { return "Rectangle"; }

protected:
    std::vector<Point> shape(Point from, Point to, bool constrained,
                             const Rect& bounds) const override;
};

// The 4-connected region of the clicked index; with Ctrl, every pixel of it.
class FillTool : public Tool {
public:
    std::string name() const override { return "Fill"; }
    void press(Stroke& stroke, Point at, Modifiers keys) override;
    void move(Stroke&, Point, Modifiers) override {}
};

// Picks the index under the mouse, at the press and while dragging; changes nothing.
class Eyedropper : public Tool {
public:
    std::string name() const override { return "Eyedropper"; }
    void press(Stroke& stroke, Point at, Modifiers) override { stroke.pick(at); }
    void move(Stroke& stroke, Point at, Modifiers) override { stroke.pick(at); }
};

std::unique_ptr<Tool> makeTool(ToolKind kind);

} // namespace quillet::display::tools
