#include "SelectTool.h"

#include <algorithm>
#include <utility>

namespace quillet::display::tools {

namespace {

// The rectangle with the corners `a` and `b`, both included.
Rect spanned(Point a, Point b) {
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    return {left, top, std::max(a.x, b.x) - left + 1, std::max(a.y, b.y) - top + 1};
}

} // namespace

void SelectTool::setFrameSize(int width, int height) {
    if (width != m_width || height != m_height)
        drop();
    m_width = width;
    m_height = height;
}

void SelectTool::drop() {
    m_rect = {};
    m_floating.reset();
    m_dirty = {};
    m_mode = Mode::None;
}

ByteView SelectTool::pixels() const {
    return m_floating ? ByteView(m_floating->pixels) : ByteView();
}

Rect SelectTool::takeDirty() {
    return std::exchange(m_dirty, Rect{});
}

void SelectTool::press(Point at, ByteView frame) {
    m_from = at;
    if (m_rect.contains(at)) {
        lift(frame);
        m_grabbed = m_rect;
        m_mode = Mode::Moving;
        return;
    }
    m_floating.reset();
    m_rect = {};
    m_mode = Mode::Marquee;
}

void SelectTool::drag(Point at, ByteView frame) {
    if (m_mode == Mode::Moving)
        moveTo({m_grabbed.x + at.x - m_from.x, m_grabbed.y + at.y - m_from.y}, frame);
    else if (m_mode == Mode::Marquee)
        m_rect = at == m_from ? Rect{} : spanned(m_from, at).intersected(bounds());
}

void SelectTool::release(Point at, ByteView frame) {
    drag(at, frame);
    m_mode = Mode::None;
}

void SelectTool::selectAll() {
    m_floating.reset();
    m_rect = bounds();
}

void SelectTool::nudge(int dx, int dy, ByteView frame) {
    if (!hasSelection())
        return;
    lift(frame);
    moveTo({m_rect.x + dx, m_rect.y + dy}, frame);
}

void SelectTool::paste(Block block, Point at, ByteView frame) {
    m_mode = Mode::None;
    m_rect = {at.x, at.y, block.width, block.height};
    m_floating = Floating{std::move(block), {}, Bytes(frame.begin(), frame.end()), "Paste"};
    m_dirty = m_dirty.united(pixels::pasteBlock(canvas(), m_floating->block, at));
}

Block SelectTool::selected(ByteView frame) const {
    if (m_floating)
        return m_floating->block;
    const Rect inside = m_rect.intersected(bounds());
    return {inside.width, inside.height, pixels::copyRect(frame, m_width, inside)};
}

Rect SelectTool::covered() const {
    return m_floating ? m_floating->source.united(m_rect.intersected(bounds())) : Rect{};
}

void SelectTool::lift(ByteView frame) {
    if (m_floating)
        return;
    const Rect source = m_rect.intersected(bounds());
    Floating lifted{{}, source, Bytes(frame.begin(), frame.end()), "Move"};
    lifted.block = pixels::copyBlock({m_width, m_height, lifted.pixels}, source);
    m_floating = std::move(lifted);
    m_rect = source;
}

void SelectTool::moveTo(Point corner, ByteView frame) {
    if (!m_floating || (corner.x == m_rect.x && corner.y == m_rect.y))
        return;
    // Where the block lay shows the frame again, less what was lifted.
    const Rect left = m_rect.intersected(bounds());
    pixels::pasteRect(m_floating->pixels, m_width, left, pixels::copyRect(frame, m_width, left));
    pixels::clearRect(canvas(), left.intersected(m_floating->source));
    m_rect.x = corner.x;
    m_rect.y = corner.y;
    const Rect laid = pixels::pasteBlock(canvas(), m_floating->block, corner);
    m_dirty = m_dirty.united(left).united(laid);
}

std::optional<PutDown> SelectTool::changes(Rect changed, Bytes pixels, ByteView frame,
                                           const std::string& name) const {
    for (int y = changed.y; y < changed.y + changed.height; ++y) {
        const auto row = static_cast<std::ptrdiff_t>(y) * m_width + changed.x;
        if (!std::equal(pixels.begin() + row, pixels.begin() + row + changed.width,
                        frame.begin() + row))
            return PutDown{changed, std::move(pixels), name};
    }
    return std::nullopt;
}

std::optional<PutDown> SelectTool::putDown(ByteView frame) {
    if (!m_floating)
        return std::nullopt;
    Floating down = std::move(*m_floating);
    m_floating.reset();
    const Rect laid = m_rect.intersected(bounds());
    m_rect = laid;
    return changes(down.source.united(laid), std::move(down.pixels), frame, down.name);
}

std::optional<PutDown> SelectTool::clear(ByteView frame, const std::string& name) {
    if (!hasSelection())
        return std::nullopt;
    const Rect source = m_floating ? m_floating->source : m_rect.intersected(bounds());
    const Rect changed = source.united(m_rect.intersected(bounds()));
    m_floating.reset();
    m_rect = m_rect.intersected(bounds());
    Bytes pixels(frame.begin(), frame.end());
    pixels::clearRect({m_width, m_height, pixels}, source);
    return changes(changed, std::move(pixels), frame, name);
}

} // namespace quillet::display::tools
