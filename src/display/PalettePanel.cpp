#include "PalettePanel.h"

#include "imaging/view/FrameImage.h"
#include "imaging/view/PixelReadout.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace quillet::display {

namespace {

constexpr int kColumns = 16;
constexpr int kPitch = 10; // a 9 x 9 swatch and a line of the grid
constexpr int kLeft = 2;   // room for the highlight's ring; the picture's margin is further left
constexpr int kMargin = 8; // above, below and to the right
constexpr int kGrid = kColumns * kPitch + 1;
constexpr QRgb kGridColour = 0xFF404040;

QRect swatch(int index) {
    return {kLeft + (index % kColumns) * kPitch + 1, kMargin + (index / kColumns) * kPitch + 1,
            kPitch - 1, kPitch - 1};
}

// Black on light colours, white on dark ones.
QColor contrasting(QRgb colour) {
    return qGray(colour) > 127 ? Qt::black : Qt::white;
}

} // namespace

PalettePanel::PalettePanel(QWidget* parent) : QWidget(parent) {
    setFixedSize(kLeft + kGrid + kMargin, kGrid + 2 * kMargin);
    setMouseTracking(true);
    for (int index = 0; index < 256; ++index) {
        // Invisible stand-ins: the clicks and moves they ignore reach the
        // panel, moves only from a widget that tracks the mouse.
        auto* entry = new QWidget(this);
        entry->setMouseTracking(true);
        entry->setGeometry(swatch(index).adjusted(-1, -1, 0, 0));
        entry->setAccessibleName(QStringLiteral("Palette index %1").arg(index));
        m_entries[static_cast<std::size_t>(index)] = entry;
        describe(index);
    }
}

void PalettePanel::showColours(const Palette& palette, const std::bitset<256>& used,
                               std::optional<std::uint8_t> highlighted) {
    // Only what changed is described anew: while playing this runs every frame.
    const std::optional<std::uint8_t> before = m_highlighted;
    m_highlighted = highlighted;
    bool changed = false;
    for (int index = 0; index < 256; ++index) {
        const auto at = static_cast<std::size_t>(index);
        if (std::equal(palette.begin() + 3 * index, palette.begin() + 3 * index + 3,
                       m_colours.begin() + 3 * index) &&
            used[at] == m_used[at] && (before == index) == (highlighted == index))
            continue;
        changed = true;
        std::copy_n(palette.begin() + 3 * index, 3, m_colours.begin() + 3 * index);
        m_used[at] = used[at];
        describe(index);
    }
    if (changed)
        update();
}

void PalettePanel::describe(int index) {
    const auto entry = static_cast<std::uint8_t>(index);
    const QRgb colour = imaging::paletteColour(m_colours, entry);
    QString description = QColor(colour).name();
    if (m_used[entry])
        description += QStringLiteral(", used in this frame");
    if (m_highlighted == entry)
        description += QStringLiteral(", highlighted");
    QWidget* widget = m_entries[entry];
    widget->setAccessibleDescription(description);
    widget->setToolTip(imaging::entryText(entry, colour));
}

void PalettePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(kLeft, kMargin, kGrid, kGrid, QColor(kGridColour));
    auto paintEntry = [&](int index) {
        const auto entry = static_cast<std::uint8_t>(index);
        const QRgb colour = imaging::paletteColour(m_colours, entry);
        const QRect cell = swatch(index);
        painter.fillRect(cell, QColor(colour));
        if (m_used[entry])
            painter.fillRect(QRect(cell.center() - QPoint(1, 1), QSize(3, 3)), contrasting(colour));
    };
    for (int index = 0; index < 256; ++index)
        paintEntry(index);
    if (m_highlighted) {
        // A ring of black and white stands out on any swatch and any neighbour.
        const QRect cell = swatch(*m_highlighted);
        painter.fillRect(cell.adjusted(-2, -2, 2, 2), Qt::black);
        painter.fillRect(cell.adjusted(-1, -1, 1, 1), Qt::white);
        paintEntry(*m_highlighted);
    }
}

int PalettePanel::entryAt(QPoint point) const {
    const int column = (point.x() - kLeft) / kPitch;
    const int row = (point.y() - kMargin) / kPitch;
    if (point.x() < kLeft || point.y() < kMargin || column >= kColumns || row >= kColumns)
        return -1;
    return row * kColumns + column;
}

void PalettePanel::mousePressEvent(QMouseEvent* event) {
    const int index = entryAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || index < 0)
        return QWidget::mousePressEvent(event);
    emit highlightRequested(m_highlighted == index ? -1 : index);
}

void PalettePanel::mouseMoveEvent(QMouseEvent* event) {
    const int index = entryAt(event->position().toPoint());
    if (index != m_hovered)
        emit entryHovered(m_hovered = index);
    QWidget::mouseMoveEvent(event);
}

void PalettePanel::leaveEvent(QEvent* event) {
    if (m_hovered >= 0)
        emit entryHovered(m_hovered = -1);
    QWidget::leaveEvent(event);
}

} // namespace quillet::display
