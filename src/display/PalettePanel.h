#pragma once

#include "sprite/Palette.h"

#include <QWidget>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

namespace quillet::display {

// The 256 colours of the palette the preview's frame is drawn in, 16 x 16.
// Entries the frame uses carry a dot, the highlighted one a frame. Every
// entry is a child widget named "Palette index N" for screen readers, with
// its colour as tooltip; the panel itself paints them all and takes the mouse.
class PalettePanel : public QWidget {
    Q_OBJECT
public:
    explicit PalettePanel(QWidget* parent = nullptr);

    void showColours(const Palette& palette, const std::bitset<256>& used,
                     std::optional<std::uint8_t> highlighted);

signals:
    // A click: the entry to highlight, or -1 when the highlighted one was
    // clicked again.
    void highlightRequested(int index);
    // The entry under the mouse, -1 once the mouse has left the entries.
    void entryHovered(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int entryAt(QPoint point) const;
    void describe(int index);

    Palette m_colours{};
    std::bitset<256> m_used;
    std::optional<std::uint8_t> m_highlighted;
    std::array<QWidget*, 256> m_entries{};
    int m_hovered = -1;
};

} // namespace quillet::display
