#include "PalettePanel.h"

#include "imaging/view/FrameImage.h"
#include "imaging/view/PixelReadout.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace quillet::display {

namespace {

constexpr int kColumns = 16;
constexpr int kPitch = 10; // a 9 x 9 swatch and a line of the grid
constexpr int kLeft = 2;   // room for the highlight's ring; the picture's margin is further left
constexpr int kMargin = 8; // above, below and to the right
constexpr int kGrid = kColumns * kPitch + 1;
constexpr QRgb kGridColour = 0xFF404040;
constexpr QRgb kRangeColour = 0xFFFFFFFF;

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
    setFocusPolicy(Qt::StrongFocus);
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

void PalettePanel::setDrawingIndex(std::uint8_t index) {
    // However it was chosen, the range starts anew from it.
    m_anchor = index;
    extendTo(index);
    if (index == m_drawing)
        return;
    std::swap(m_drawing, index);
    describe(index);
    describe(m_drawing);
    update();
}

void PalettePanel::setProtectedEntries(const std::bitset<256>& entries) {
    if (entries == m_protected)
        return;
    m_protected = entries;
    describeAll();
}

void PalettePanel::describe(int index) {
    const auto entry = static_cast<std::uint8_t>(index);
    const QRgb colour = imaging::paletteColour(m_colours, entry);
    QString description = QColor(colour).name();
    if (m_used[entry])
        description += QStringLiteral(", used in this frame");
    if (m_drawing == entry)
        description += QStringLiteral(", the drawing index");
    if (m_highlighted == entry)
        description += QStringLiteral(", highlighted");
    if (m_protected[entry])
        description += QStringLiteral(", protected");
    if (multiple() && index >= m_first && index <= m_last)
        description += QStringLiteral(", in the range %1 to %2").arg(m_first).arg(m_last);
    QWidget* widget = m_entries[entry];
    widget->setAccessibleDescription(description);
    widget->setToolTip(imaging::entryText(entry, colour));
}

void PalettePanel::describeAll() {
    for (int index = 0; index < 256; ++index)
        describe(index);
    update();
}

void PalettePanel::choose(int index) {
    setDrawingIndex(static_cast<std::uint8_t>(index));
    emit drawingIndexChosen(index);
}

void PalettePanel::extendTo(int index) {
    m_focus = index;
    const int first = std::min(m_anchor, index);
    const int last = std::max(m_anchor, index);
    if (first == m_first && last == m_last)
        return update();
    m_first = first;
    m_last = last;
    // The range's ends are written under the grid while it holds several entries.
    const int text = multiple() ? fontMetrics().height() : 0;
    setFixedSize(kLeft + kGrid + kMargin, kGrid + 2 * kMargin + text);
    describeAll();
    emit rangeChanged(m_first, m_last);
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
        if (m_protected[entry]) {
            // Two diagonal strokes across the lower right: the dot and the
            // drawing index's corner stay readable.
            painter.setPen(contrasting(colour));
            painter.drawLine(cell.right() - 5, cell.bottom(), cell.right(), cell.bottom() - 5);
            painter.drawLine(cell.right() - 2, cell.bottom(), cell.right(), cell.bottom() - 2);
        }
        if (entry == m_drawing) {
            const QPoint corner = cell.topLeft();
            const QPoint mark[] = {corner, corner + QPoint(4, 0), corner + QPoint(0, 4)};
            painter.setPen(Qt::NoPen);
            painter.setBrush(contrasting(colour));
            painter.drawPolygon(mark, 3);
        }
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
    if (multiple()) {
        // The range's outline runs on the grid lines around its entries.
        const auto inRange = [this](int index) { return index >= m_first && index <= m_last; };
        for (int index = m_first; index <= m_last; ++index) {
            const QRect around = swatch(index).adjusted(-1, -1, 1, 1);
            const int column = index % kColumns;
            const QColor line(kRangeColour);
            if (index < kColumns || !inRange(index - kColumns))
                painter.fillRect(around.left(), around.top(), around.width(), 1, line);
            if (!inRange(index + kColumns))
                painter.fillRect(around.left(), around.bottom(), around.width(), 1, line);
            if (column == 0 || !inRange(index - 1))
                painter.fillRect(around.left(), around.top(), 1, around.height(), line);
            if (column == kColumns - 1 || !inRange(index + 1))
                painter.fillRect(around.right(), around.top(), 1, around.height(), line);
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(kLeft, kMargin + kGrid, kGrid, height() - kMargin - kGrid),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Range %1 to %2").arg(m_first).arg(m_last));
    }
    if (hasFocus()) {
        const QRgb colour = imaging::paletteColour(m_colours, static_cast<std::uint8_t>(m_focus));
        painter.setPen(QPen(contrasting(colour), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(swatch(m_focus).adjusted(1, 1, -2, -2));
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
    if (event->modifiers() & Qt::ControlModifier)
        emit highlightRequested(m_highlighted == index ? -1 : index);
    else if (event->modifiers() & Qt::ShiftModifier)
        extendTo(index);
    else
        choose(index);
}

void PalettePanel::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Up:
        step = -kColumns;
        break;
    case Qt::Key_Down:
        step = kColumns;
        break;
    case Qt::Key_Space:
        return choose(m_focus);
    default:
        return QWidget::keyPressEvent(event);
    }
    const int next = std::clamp(m_focus + step, 0, 255);
    if (event->modifiers() & Qt::ShiftModifier)
        return extendTo(next);
    m_focus = next;
    update();
}

void PalettePanel::contextMenuEvent(QContextMenuEvent* event) {
    const int index =
        event->reason() == QContextMenuEvent::Keyboard ? m_focus : entryAt(event->pos());
    if (index < 0)
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Draw with Index %1").arg(index), this,
                   [this, index] { choose(index); });
    QAction* highlight =
        menu.addAction(QStringLiteral("Highlight Index %1").arg(index), this, [this, index] {
            emit highlightRequested(m_highlighted == index ? -1 : index);
        });
    highlight->setCheckable(true);
    highlight->setChecked(m_highlighted == index);
    addProtectionItems(menu, index);
    menu.exec(event->reason() == QContextMenuEvent::Keyboard
                  ? mapToGlobal(swatch(index).bottomRight())
                  : event->globalPos());
}

void PalettePanel::addProtectionItems(QMenu& menu, int index) {
    menu.addSeparator();
    const auto entries = [](int first, int last) {
        return first == last ? QStringLiteral("Index %1").arg(first)
                             : QStringLiteral("Indices %1-%2").arg(first).arg(last);
    };
    // The entry alone, and the range when the entry lies in one.
    std::vector<std::pair<int, int>> runs{{index, index}};
    if (multiple() && index >= m_first && index <= m_last)
        runs.emplace_back(m_first, m_last);
    for (const auto& [first, last] : runs) {
        bool anyProtected = false;
        bool anyOpen = false;
        for (int entry = std::max(first, 1); entry <= last; ++entry)
            (m_protected[static_cast<std::size_t>(entry)] ? anyProtected : anyOpen) = true;
        // Index 0 stays transparent, so there is nothing of it to protect.
        if (anyOpen || !anyProtected)
            menu.addAction(QStringLiteral("Protect %1").arg(entries(first, last)), this,
                           [this, first, last] { emit protectionRequested(first, last, true); })
                ->setEnabled(anyOpen);
        if (anyProtected)
            menu.addAction(QStringLiteral("Unprotect %1").arg(entries(first, last)), this,
                           [this, first, last] { emit protectionRequested(first, last, false); });
    }
}

void PalettePanel::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void PalettePanel::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
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
