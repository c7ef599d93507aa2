#include "FramesPanel.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <numeric>

namespace quillet::display {

namespace {

constexpr int kThumbnailSide = 48;
constexpr int kCellWidth = kThumbnailSide + 10;

int cellHeight(const QWidget& panel) {
    return kThumbnailSide + 8 + panel.fontMetrics().height();
}

} // namespace

// Rows of frames; a cell past the last frame holds nothing.
class FramesModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // False when the shape stays.
    bool reshape(int count, int directions) {
        const int perRow = count > 0 ? (count + directions - 1) / directions : 0;
        const int rows = perRow > 0 ? (count + perRow - 1) / perRow : 0;
        if (count == m_count && perRow == m_perRow && directions == m_directions)
            return false;
        beginResetModel();
        m_count = count;
        m_perRow = perRow;
        m_rows = rows;
        m_directions = directions;
        endResetModel();
        return true;
    }
    int numberAt(const QModelIndex& index) const {
        if (!index.isValid())
            return 0;
        const int number = index.row() * m_perRow + index.column() + 1;
        return number <= m_count ? number : 0;
    }
    QModelIndex indexOf(int number) const {
        return number >= 1 && number <= m_count
                   ? index((number - 1) / m_perRow, (number - 1) % m_perRow)
                   : QModelIndex();
    }
    int perRow() const { return m_perRow; }
    int count() const { return m_count; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_perRow;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int number = numberAt(index);
        if (number == 0)
            return {};
        if (role == Qt::DisplayRole)
            return QString::number(number);
        if (role == Qt::AccessibleTextRole)
            return m_directions > 1
                       ? QStringLiteral("Frame %1, direction %2").arg(number).arg(index.row() + 1)
                       : QStringLiteral("Frame %1").arg(number);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return numberAt(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    int m_count = 0;
    int m_perRow = 0;
    int m_rows = 0;
    int m_directions = 1;
};

class ThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit ThumbnailDelegate(FramesPanel& panel) : QStyledItemDelegate(&panel), m_panel(panel) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int number = m_panel.m_model->numberAt(index);
        if (number == 0)
            return;
        const QRect cell = option.rect.adjusted(1, 1, -1, -1);
        const QPalette& colours = m_panel.palette();
        const bool selected = m_panel.isSelected(number);
        if (selected)
            painter->fillRect(cell, colours.color(QPalette::Highlight));
        const QImage image = m_panel.m_thumbnails.thumbnail(
            *m_panel.m_frames[static_cast<std::size_t>(number - 1)], m_panel.m_palTransform,
            QSize(kThumbnailSide, kThumbnailSide), m_panel.m_transparent);
        const QRect box(cell.left() + (cell.width() - kThumbnailSide) / 2, cell.top() + 3,
                        kThumbnailSide, kThumbnailSide);
        QRect picture(QPoint(), image.size());
        picture.moveCenter(box.center());
        painter->drawImage(picture.topLeft(), image);
        painter->setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(
            QRect(cell.left(), box.bottom() + 1, cell.width(), cell.bottom() - box.bottom()),
            Qt::AlignCenter, QString::number(number));
        if (number == m_panel.m_current) {
            painter->setPen(QPen(colours.color(QPalette::Text), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(cell.adjusted(1, 1, -1, -1));
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {kCellWidth, cellHeight(m_panel)};
    }

private:
    FramesPanel& m_panel;
};

FramesPanel::FramesPanel(QWidget* parent) : QTableView(parent), m_model(new FramesModel(this)) {
    setObjectName(QStringLiteral("FramesPanel"));
    setAccessibleName(QStringLiteral("Frames"));
    setModel(m_model);
    setItemDelegate(new ThumbnailDelegate(*this));
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    horizontalHeader()->setDefaultSectionSize(kCellWidth);
    verticalHeader()->setDefaultSectionSize(cellHeight(*this));
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    hide();
}

FramesPanel::~FramesPanel() = default;

void FramesPanel::showFrames(const FrameList& frames, int directions, int current,
                             const std::vector<int>& selection, std::int16_t palTransform,
                             bool transparentBackground) {
    m_frames = frames;
    m_palTransform = palTransform;
    m_transparent = transparentBackground;
    const bool reshaped =
        m_model->reshape(static_cast<int>(frames.size()), std::max(1, directions));
    if (reshaped)
        m_current = 0; // shown again below, wherever the rows now put it
    showSelection(current, selection);
    viewport()->update();
    if (isHidden() || reshaped) {
        show();
        updateGeometry();
        emit wantedSizeChanged();
    }
}

void FramesPanel::showSelection(int current, const std::vector<int>& selection) {
    const bool moved = current != m_current;
    m_current = current;
    m_selection = selection;
    if (moved && current >= 1)
        scrollTo(m_model->indexOf(current));
    viewport()->update();
}

int FramesPanel::frameAt(QPoint point) const {
    return m_model->numberAt(indexAt(point));
}

QRect FramesPanel::frameRect(int number) const {
    return visualRect(m_model->indexOf(number));
}

bool FramesPanel::isSelected(int number) const {
    return std::binary_search(m_selection.begin(), m_selection.end(), number);
}

int FramesPanel::anchor() const {
    const bool anchored =
        m_current == m_anchorCurrent && m_anchor >= 1 && m_anchor <= m_model->count();
    return anchored ? m_anchor : m_current;
}

void FramesPanel::choose(std::vector<int> numbers, int current) {
    // Shift+click ranges start where a plain or Ctrl+click left the anchor,
    // as long as the current frame is still one a click here chose.
    m_anchorCurrent = current;
    emit selectionChosen(numbers, current);
}

void FramesPanel::mousePressEvent(QMouseEvent* event) {
    endDrag();
    const QPoint point = event->position().toPoint();
    const int number = frameAt(point);
    if (number == 0)
        return;
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (event->button() == Qt::RightButton) {
        // The context menu acts on what was clicked.
        if (!isSelected(number)) {
            m_anchor = number;
            choose({}, number);
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (keys & Qt::ShiftModifier) {
        const int from = anchor();
        std::vector<int> range(static_cast<std::size_t>(std::abs(number - from) + 1));
        std::iota(range.begin(), range.end(), std::min(from, number));
        if (keys & Qt::ControlModifier)
            range.insert(range.end(), m_selection.begin(), m_selection.end());
        m_anchor = from;
        choose(std::move(range), number);
    } else if (keys & Qt::ControlModifier) {
        std::vector<int> rest = m_selection;
        if (!isSelected(number)) {
            rest.push_back(number);
            m_anchor = number;
            choose(std::move(rest), number);
        } else if (rest.size() > 1) {
            rest.erase(std::lower_bound(rest.begin(), rest.end(), number));
            // A current frame taken out hands over to its nearest selected neighbour.
            int current = m_current;
            if (current == number) {
                const auto next = std::lower_bound(rest.begin(), rest.end(), number);
                current = next == rest.begin() ? *next : *(next - 1);
            }
            m_anchor = number;
            choose(std::move(rest), current);
        }
    } else {
        // A press on the selection may start dragging it; only its release
        // then selects the frame alone.
        m_pressed = number;
        m_pressPoint = point;
        m_mayDrag = true;
        if (!isSelected(number)) {
            m_anchor = number;
            choose({}, number);
        }
    }
}

void FramesPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (!m_mayDrag || !(event->buttons() & Qt::LeftButton) ||
        (m_dropBefore == 0 &&
         (point - m_pressPoint).manhattanLength() < QApplication::startDragDistance()))
        return;
    // Near an edge the panel scrolls along.
    const QRect inner = viewport()->rect().adjusted(16, 16, -16, -16);
    const auto scroll = [](QScrollBar* bar, int delta) { bar->setValue(bar->value() + delta); };
    if (point.x() < inner.left() || point.x() > inner.right())
        scroll(horizontalScrollBar(), point.x() < inner.left() ? -16 : 16);
    if (point.y() < inner.top() || point.y() > inner.bottom())
        scroll(verticalScrollBar(), point.y() < inner.top() ? -16 : 16);
    m_dropBefore = dropBefore(point);
    viewport()->update();
}

void FramesPanel::mouseReleaseEvent(QMouseEvent* event) {
    const int before = m_dropBefore;
    const int pressed = m_pressed;
    const bool click = m_mayDrag && before == 0 && frameAt(event->position().toPoint()) == pressed;
    endDrag();
    if (before > 0) {
        emit moveRequested(before);
    } else if (click && pressed > 0 && (m_selection.size() > 1 || m_current != pressed)) {
        m_anchor = pressed;
        choose({}, pressed);
    }
}

void FramesPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void FramesPanel::keyPressEvent(QKeyEvent* event) {
    const int count = m_model->count();
    if (event->matches(QKeySequence::SelectAll) && count > 0) {
        std::vector<int> all(static_cast<std::size_t>(count));
        std::iota(all.begin(), all.end(), 1);
        choose(std::move(all), m_current);
        return;
    }
    // The arrows, Home and End move the current frame as in a list: Up and
    // Down by a row, one direction; with Shift they extend the selection.
    const Qt::KeyboardModifiers keys = event->modifiers() & ~Qt::KeypadModifier;
    const int at = std::clamp(m_current, 1, std::max(1, count));
    const int perRow = std::max(1, m_model->perRow());
    const bool lastRow = (at - 1) / perRow + 1 >= m_model->rowCount();
    // From the row above a short last one, Down goes to its last frame.
    const std::pair<int, int> moves[] = {
        {Qt::Key_Left, at - 1},
        {Qt::Key_Right, at + 1},
        {Qt::Key_Up, at > perRow ? at - perRow : at},
        {Qt::Key_Down, lastRow ? at : at + perRow},
        {Qt::Key_Home, 1},
        {Qt::Key_End, count},
    };
    const auto* move = std::find_if(std::begin(moves), std::end(moves),
                                    [event](const auto& m) { return m.first == event->key(); });
    if (move == std::end(moves) || count == 0 || (keys & ~Qt::ShiftModifier)) {
        // Everything else is the window's (its zoom keys among them).
        QWidget::keyPressEvent(event);
        return;
    }
    const int to = std::clamp(move->second, 1, count);
    if (keys & Qt::ShiftModifier) {
        const int from = anchor();
        std::vector<int> range(static_cast<std::size_t>(std::abs(to - from) + 1));
        std::iota(range.begin(), range.end(), std::min(from, to));
        m_anchor = from;
        choose(std::move(range), to);
    } else {
        m_anchor = to;
        choose({}, to);
    }
}

int FramesPanel::dropBefore(QPoint point) const {
    const int count = m_model->count();
    const int perRow = m_model->perRow();
    if (count == 0)
        return 0;
    const QPoint inside(std::clamp(point.x(), 0, viewport()->width() - 1),
                        std::clamp(point.y(), 0, viewport()->height() - 1));
    const int row = rowAt(inside.y());
    if (row < 0)
        return count + 1;
    const int column = columnAt(inside.x());
    if (column < 0)
        return std::min(count + 1, (row + 1) * perRow + 1);
    const int number = row * perRow + column + 1;
    const QRect cell = visualRect(m_model->index(row, column));
    const int before = inside.x() > cell.center().x() ? number + 1 : number;
    return std::min(before, count + 1);
}

void FramesPanel::endDrag() {
    if (m_dropBefore > 0)
        viewport()->update();
    m_dropBefore = 0;
    m_mayDrag = false;
    m_pressed = 0;
}

void FramesPanel::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (m_dropBefore == 0)
        return;
    // A bar where the dragged frames would land.
    const int count = m_model->count();
    const QRect cell = frameRect(std::min(m_dropBefore, count));
    const int x = m_dropBefore > count ? cell.right() : cell.left();
    QPainter painter(viewport());
    painter.fillRect(QRect(x - 1, cell.top(), 3, cell.height()), palette().color(QPalette::Text));
}

QSize FramesPanel::sizeHint() const {
    const int frame = 2 * frameWidth();
    return {std::max(1, m_model->columnCount()) * kCellWidth + frame,
            std::max(1, m_model->rowCount()) * cellHeight(*this) + frame};
}

int FramesPanel::leastHeight() const {
    return cellHeight(*this) + 2 * frameWidth();
}

} // namespace quillet::display
