#pragma once

#include "sprite/Palette.h"

#include <QWidget>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

class QMenu;

namespace quillet::display {

// The 256 colours of the palette the preview's frame is drawn in, 16 x 16.
// Entries the frame uses carry a dot, the highlighted one a ring, the drawing
// index a corner mark, protected entries a hatch, and a range of consecutive
// entries an outline, its first and last index written under the grid. Every entry is a child
// widget named "Palette index N" for screen readers, with its colour as tooltip and its part in all
// of these as description; the panel itself paints them all and takes the mouse and the keys.
//
// A click chooses the entry to draw with (and makes it the range alone),
// Shift+click extends the range to it, Ctrl+click highlights it or takes the
// highlight back, and the right button or the Menu key opens its menu (which
// also protects and unprotects the entry, or the range it lies in). The
// arrow keys move a focus mark, Space chooses the entry under it, and
// Shift+arrows extend the range.
class PalettePanel : public QWidget {
    Q_OBJECT
public:
    explicit PalettePanel(QWidget* parent = nullptr);

    void showColours(const Palette& palette, const std::bitset<256>& used,
                     std::optional<std::uint8_t> highlighted);
    void setDrawingIndex(std::uint8_t index);
    std::uint8_t drawingIndex() const { return m_drawing; }
    // First and last entry of the range, first <= last.
    std::pair<int, int> range() const { return {m_first, m_last}; }
    void setProtectedEntries(const std::bitset<256>& entries);

signals:
    // A Ctrl+click: the entry to highlight, or -1 when the highlighted one
    // was clicked again.
    void highlightRequested(int index);
    // A click or Space: the entry to draw with.
    void drawingIndexChosen(int index);
    void rangeChanged(int first, int last);
    // The entry under the mouse, -1 once the mouse has left the entries.
    void entryHovered(int index);
    // The menu's Protect or Unprotect: the entries first .. last, index 0 left out.
    void protectionRequested(int first, int last, bool protect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int entryAt(QPoint point) const;
    void describe(int index);
    void describeAll();
    void choose(int index);
    void extendTo(int index);
    void addProtectionItems(QMenu& menu, int index);
    bool multiple() const { return m_first != m_last; }

    Palette m_colours{};
    std::bitset<256> m_used;
    std::bitset<256> m_protected;
    std::optional<std::uint8_t> m_highlighted;
    std::array<QWidget*, 256> m_entries{};
    int m_hovered = -1;
    std::uint8_t m_drawing = 1;
    int m_anchor = 1; // where Shift extends the range from
    int m_first = 1;
    int m_last = 1;
    int m_focus = 1;
};

} // namespace quillet::display
