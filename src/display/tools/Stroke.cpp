#include "Tool.h"

#include <utility>

namespace quillet::display::tools {

Stroke::Stroke(Bytes indices, int width, int height, std::uint8_t index,
               const pixels::IndexSet& locked)
    : m_base(std::move(indices)), m_pixels(m_base), m_width(width), m_height(height),
      m_index(index), m_locked(locked) {}

Rect Stroke::mark(const Rect& box) {
    m_changed = m_changed.united(box);
    m_dirty = m_dirty.united(box);
    return box;
}

Rect Stroke::takeDirty() {
    return std::exchange(m_dirty, Rect{});
}

Rect Stroke::line(Point a, Point b) {
    return plot(pixels::linePointsNear(a, b, bounds()));
}

Rect Stroke::plot(std::span<const Point> points) {
    return mark(pixels::plot(canvas(), points, m_index, m_locked));
}

Rect Stroke::fill(Point seed, bool everywhere) {
    if (!bounds().contains(seed))
        return {};
    if (everywhere)
        return mark(pixels::replaceEverywhere(canvas(), canvas().at(seed), m_index, m_locked));
    return mark(pixels::floodFill(canvas(), seed, m_index, m_locked));
}

void Stroke::restore(const Rect& box) {
    const Rect inside = box.intersected(bounds());
    if (inside.empty())
        return;
    pixels::pasteRect(m_pixels, m_width, inside, pixels::copyRect(m_base, m_width, inside));
    m_dirty = m_dirty.united(inside);
}

void Stroke::pick(Point p) {
    if (bounds().contains(p))
        m_picked = m_base[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(m_width) +
                          static_cast<std::size_t>(p.x)];
}

std::optional<std::uint8_t> Stroke::takePicked() {
    return std::exchange(m_picked, std::nullopt);
}

} // namespace quillet::display::tools
