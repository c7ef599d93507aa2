#include "Tools.h"

#include <algorithm>

namespace quillet::display::tools {

void Pencil::press(Stroke& stroke, Point at, Modifiers keys) {
    stroke.line(keys.shift && m_last ? *m_last : at, at);
    m_last = at;
}

void Pencil::move(Stroke& stroke, Point at, Modifiers) {
    stroke.line(m_last.value_or(at), at);
    m_last = at;
}

void ShapeTool::press(Stroke& stroke, Point at, Modifiers keys) {
    m_from = at;
    m_drawn = {};
    move(stroke, at, keys);
}

void ShapeTool::move(Stroke& stroke, Point at, Modifiers keys) {
    stroke.restore(m_drawn);
    const std::vector<Point> points = shape(m_from, at, keys.shift, stroke.bounds());
    m_drawn = stroke.plot(points);
}

std::vector<Point> LineTool::shape(Point from, Point to, bool constrained,
                                   const Rect& bounds) const {
    return pixels::linePointsNear(from, constrained ? pixels::snapTo45Degrees(from, to) : to,
                                  bounds);
}

std::vector<Point> RectangleTool::shape(Point from, Point to, bool constrained,
                                        const Rect& bounds) const {
    if (constrained)
        to = pixels::squareCorner(from, to);
    // Corners pulled in to a pixel outside the frame leave the same outline
    // on it and keep a far corner from walking its whole edge.
    const auto pull = [&bounds](Point p) {
        return Point{std::clamp(p.x, bounds.x - 1, bounds.x + bounds.width),
                     std::clamp(p.y, bounds.y - 1, bounds.y + bounds.height)};
    };
    return pixels::rectangleOutline(pull(from), pull(to));
}

void FillTool::press(Stroke& stroke, Point at, Modifiers keys) {
    stroke.fill(at, keys.ctrl);
}

std::unique_ptr<Tool> makeTool(ToolKind kind) {
    switch (kind) {
    case ToolKind::Pencil:
        return std::make_unique<Pencil>();
    case ToolKind::Eraser:
        return std::make_unique<Eraser>();
    case ToolKind::Line:
        return std::make_unique<LineTool>();
    case ToolKind::Rectangle:
        return std::make_unique<RectangleTool>();
    case ToolKind::Fill:
        return std::make_unique<FillTool>();
    case ToolKind::Eyedropper:
    case ToolKind::Select:
        break;
    }
    return std::make_unique<Eyedropper>();
}

} // namespace quillet::display::tools
