#include "SheetDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

namespace quillet::display {

namespace {

// Room around the picture, so the grid's outer lines stay in sight.
constexpr int kPad = 8;
// Larger zooms make no sheet easier to cut.
constexpr int kMaxZoom = 16;
// The view at first: large enough to see cells, small enough for any screen.
constexpr QSize kLargestStart(720, 540);
constexpr QSize kSmallest(320, 240);

// The light checkerboard the preview shows transparent pixels on.
constexpr QRgb kCheckerLight = 0xFFEEEEEE;
constexpr QRgb kCheckerDark = 0xFFCCCCCC;
constexpr int kCheckerCell = 8;
// Cells smaller than this on screen get no lines of their own.
constexpr double kLeastOutlined = 4;
const QColor kSkipped(40, 40, 40, 170);
const QColor kGrid(0, 150, 255);
const QColor kTrimmed(255, 128, 0);
const QColor kHovered(0, 150, 255, 70);
// The anchor's mark, as the preview draws it.
const QColor kAnchorCross(255, 0, 255);
constexpr double kCrossArm = 4;

QBrush checkerBrush() {
    QPixmap tile(2 * kCheckerCell, 2 * kCheckerCell);
    tile.fill(QColor::fromRgb(kCheckerLight));
    QPainter painter(&tile);
    painter.fillRect(0, 0, kCheckerCell, kCheckerCell, QColor::fromRgb(kCheckerDark));
    painter.fillRect(kCheckerCell, kCheckerCell, kCheckerCell, kCheckerCell,
                     QColor::fromRgb(kCheckerDark));
    return QBrush(tile);
}

// The zoom that fits `picture` into `room`: whole steps when it is smaller.
double fitting(QSize picture, QSize room) {
    if (picture.isEmpty())
        return 1;
    const double fit =
        std::min(double(room.width()) / picture.width(), double(room.height()) / picture.height());
    return fit >= 1 ? std::min(std::floor(fit), double(kMaxZoom)) : std::max(fit, 0.0);
}

QString sizeText(QSize size) {
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

QString plural(qsizetype count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

SheetView::SheetView(const QImage& picture, QWidget* parent) : QWidget(parent), m_picture(picture) {
    setObjectName(QStringLiteral("sheetView"));
    setMouseTracking(true);
    setMinimumSize(kSmallest);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SheetView::showLayout(const platform::SheetLayout& layout, bool trim) {
    m_layout = layout;
    m_trim = trim;
    m_hovered = -1;
    update();
}

QSize SheetView::sizeHint() const {
    const double zoom = fitting(m_picture.size(), kLargestStart);
    return QSize(int(m_picture.width() * zoom), int(m_picture.height() * zoom))
        .grownBy({kPad, kPad, kPad, kPad})
        .expandedTo(kSmallest)
        .boundedTo(kLargestStart.grownBy({kPad, kPad, kPad, kPad}));
}

QRect SheetView::pictureArea() const {
    const QSize room = size().shrunkBy({kPad, kPad, kPad, kPad}).expandedTo({1, 1});
    const double zoom = fitting(m_picture.size(), room);
    const QSize shown(std::max(1, int(std::lround(m_picture.width() * zoom))),
                      std::max(1, int(std::lround(m_picture.height() * zoom))));
    return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

QRectF SheetView::onScreen(const QRect& inPicture) const {
    const QRect area = pictureArea();
    const double sx = double(area.width()) / std::max(1, m_picture.width());
    const double sy = double(area.height()) / std::max(1, m_picture.height());
    return QRectF(area.left() + inPicture.left() * sx, area.top() + inPicture.top() * sy,
                  inPicture.width() * sx, inPicture.height() * sy);
}

void SheetView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRect area = pictureArea();
    // Scaled once per size: only the pixels shown are made, whatever the sheet's size.
    if (m_scaled.size() != area.size())
        m_scaled = QPixmap::fromImage(
            m_picture.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    painter.setBrushOrigin(area.topLeft());
    painter.fillRect(area, checkerBrush());
    painter.drawPixmap(area.topLeft(), m_scaled);
    paintFrames(painter);

    const std::vector<platform::SheetLayout::Cell>& cells = m_layout.cells;
    const int columns = m_layout.columns, rows = m_layout.rows;
    if (cells.empty() || std::ssize(cells) != qsizetype{columns} * rows)
        return;
    QList<QRectF> skipped, boxes;
    const QRectF first = onScreen(cells.front().rect);
    // Boxes in cells a few pixels wide would only hide the picture.
    const bool showBoxes =
        m_trim && first.width() >= kLeastOutlined && first.height() >= kLeastOutlined;
    for (const platform::SheetLayout::Cell& cell : cells)
        if (cell.box.isEmpty())
            skipped.push_back(onScreen(cell.rect));
        else if (showBoxes)
            boxes.push_back(onScreen(cell.box));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSkipped);
    painter.drawRects(skipped);

    // The grid as the edges of its columns and rows, not a frame per cell:
    // tens of thousands of cells stay quick to draw. Edges closer than a
    // few pixels would paint the picture over; then the grid's outline shows.
    const QRectF grid = first.united(onScreen(cells.back().rect));
    QList<QLineF> edges;
    for (int c = 0; c < columns; ++c) {
        if (first.width() < kLeastOutlined && c > 0 && c < columns - 1)
            continue;
        const QRectF r = onScreen(cells[static_cast<std::size_t>(c)].rect);
        edges << QLineF(r.left(), grid.top(), r.left(), grid.bottom())
              << QLineF(r.right(), grid.top(), r.right(), grid.bottom());
    }
    for (int row = 0; row < rows; ++row) {
        if (first.height() < kLeastOutlined && row > 0 && row < rows - 1)
            continue;
        const QRectF r = onScreen(cells[static_cast<std::size_t>(row) * columns].rect);
        edges << QLineF(grid.left(), r.top(), grid.right(), r.top())
              << QLineF(grid.left(), r.bottom(), grid.right(), r.bottom());
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kGrid, 0));
    painter.drawLines(edges);
    painter.setPen(QPen(kTrimmed, 0));
    painter.drawRects(boxes);
    if (m_hovered >= 0 && m_hovered < std::ssize(cells)) {
        painter.setPen(QPen(kGrid, 2));
        painter.setBrush(kHovered);
        painter.drawRect(onScreen(cells[static_cast<std::size_t>(m_hovered)].rect));
    }
}

int SheetView::cellAt(QPointF point) const {
    for (std::size_t i = 0; i < m_layout.cells.size(); ++i)
        if (onScreen(m_layout.cells[i].rect).contains(point))
            return static_cast<int>(i);
    return -1;
}

void SheetView::hover(int cell) {
    if (cell == m_hovered)
        return;
    m_hovered = cell;
    update();
    emit cellHovered(cell);
}

void SheetView::mouseMoveEvent(QMouseEvent* event) {
    hover(cellAt(event->position()));
}

void SheetView::leaveEvent(QEvent*) {
    hover(-1);
}

// Frames placed by a sheet's data.

void SheetView::showFrames(std::vector<QRect> frames, std::vector<QPoint> anchors) {
    m_frames = std::move(frames);
    m_anchors = std::move(anchors);
    update();
}

QPoint SheetView::inPicture(QPointF point) const {
    const QRect area = pictureArea();
    const double sx = double(area.width()) / std::max(1, m_picture.width());
    const double sy = double(area.height()) / std::max(1, m_picture.height());
    return QPoint(int(std::floor((point.x() - area.left()) / sx)),
                  int(std::floor((point.y() - area.top()) / sy)));
}

void SheetView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit pictureClicked(inPicture(event->position()));
}

void SheetView::paintFrames(QPainter& painter) const {
    if (m_frames.empty())
        return;
    QList<QRectF> outlines;
    for (const QRect& frame : m_frames)
        outlines.push_back(onScreen(frame));
    QList<QLineF> crosses;
    for (const QPoint& anchor : m_anchors) {
        const QPointF at = onScreen(QRect(anchor, QSize(1, 1))).topLeft();
        crosses << QLineF(at.x() - kCrossArm, at.y(), at.x() + kCrossArm, at.y())
                << QLineF(at.x(), at.y() - kCrossArm, at.x(), at.y() + kCrossArm);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kGrid, 0));
    painter.drawRects(outlines);
    painter.setPen(QPen(kAnchorCross, 0));
    painter.drawLines(crosses);
}

SheetDialog::SheetDialog(const QString& title, const QImage& picture,
                         const platform::SheetRequest& start, platform::SheetLayoutOf layout,
                         QWidget* parent)
    : QDialog(parent), m_layoutOf(std::move(layout)) {
    setWindowTitle(title);
    auto spin = [this](const char* name, int value, int min) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(min, 32767);
        box->setValue(value);
        connect(box, &QSpinBox::valueChanged, this, &SheetDialog::layOut);
        return box;
    };
    m_byCells = new QRadioButton(QStringLiteral("Cell size"), this);
    auto* byGrid = new QRadioButton(QStringLiteral("Columns x rows"), this);
    (start.byCellSize ? m_byCells : byGrid)->setChecked(true);
    m_cellWidth = spin("cellWidth", start.cellWidth, 1);
    m_cellHeight = spin("cellHeight", start.cellHeight, 1);
    m_columns = spin("columns", start.columns, 1);
    m_rows = spin("rows", start.rows, 1);
    m_margin = spin("margin", start.margin, 0);
    m_spacing = spin("spacing", start.spacing, 0);
    m_trim = new QCheckBox(QStringLiteral("Trim transparent borders"), this);
    m_trim->setChecked(start.trim);
    m_view = new SheetView(picture, this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("sheetStatus"));
    m_status->setWordWrap(true);
    m_cell = new QLabel(this);
    m_cell->setObjectName(QStringLiteral("sheetCell"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Picture"), new QLabel(sizeText(picture.size()), this));
    form->addRow(m_byCells);
    form->addRow(QStringLiteral("Cell width"), m_cellWidth);
    form->addRow(QStringLiteral("Cell height"), m_cellHeight);
    form->addRow(byGrid);
    form->addRow(QStringLiteral("Columns"), m_columns);
    form->addRow(QStringLiteral("Rows"), m_rows);
    form->addRow(QStringLiteral("Margin"), m_margin);
    form->addRow(QStringLiteral("Spacing"), m_spacing);
    form->addRow(m_trim);
    auto* seen = new QVBoxLayout;
    seen->addWidget(m_view, 1);
    seen->addWidget(m_status);
    seen->addWidget(m_cell);
    auto* sides = new QHBoxLayout;
    auto* numbers = new QVBoxLayout;
    numbers->addLayout(form);
    numbers->addStretch();
    sides->addLayout(numbers);
    sides->addLayout(seen, 1);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(sides, 1);
    whole->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_byCells, &QRadioButton::toggled, this, &SheetDialog::layOut);
    connect(m_trim, &QCheckBox::toggled, this,
            [this](bool trim) { m_view->showLayout(m_layout, trim); });
    connect(m_view, &SheetView::cellHovered, this, &SheetDialog::describeCell);
    layOut();
    // Typing starts in the first number, replacing it.
    QSpinBox* first = start.byCellSize ? m_cellWidth : m_columns;
    first->setFocus(Qt::TabFocusReason);
    first->selectAll();
}

platform::SheetRequest SheetDialog::request() const {
    return platform::SheetRequest{
        m_byCells->isChecked(), m_cellWidth->value(), m_cellHeight->value(), m_columns->value(),
        m_rows->value(),        m_margin->value(),    m_spacing->value(),    m_trim->isChecked()};
}

// Runs at every number typed: the grid is laid again on the decoded picture.
void SheetDialog::layOut() {
    const bool cells = m_byCells->isChecked();
    m_cellWidth->setEnabled(cells);
    m_cellHeight->setEnabled(cells);
    m_columns->setEnabled(!cells);
    m_rows->setEnabled(!cells);

    m_layout = m_layoutOf(request());
    m_view->showLayout(m_layout, m_trim->isChecked());
    // The greyed numbers show the grid laid, so switching starts from it.
    if (!m_layout.cells.empty()) {
        const QSize cell = m_layout.cells.front().rect.size();
        const std::pair<QSpinBox*, int> shown[] = {{m_cellWidth, cell.width()},
                                                   {m_cellHeight, cell.height()},
                                                   {m_columns, m_layout.columns},
                                                   {m_rows, m_layout.rows}};
        for (const auto& [box, value] : shown) {
            if (box->isEnabled())
                continue;
            const QSignalBlocker quiet(box);
            box->setValue(value);
        }
    }
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_layout.problem.isEmpty());
    QString text;
    if (!m_layout.cells.empty())
        text = QStringLiteral("%1 x %2 cells of %3: ")
                   .arg(m_layout.columns)
                   .arg(m_layout.rows)
                   .arg(sizeText(m_layout.cells.front().rect.size()));
    if (!m_layout.problem.isEmpty()) {
        text += text.isEmpty() ? m_layout.problem.front().toUpper() + m_layout.problem.mid(1)
                               : m_layout.problem;
    } else {
        const auto kept =
            std::count_if(m_layout.cells.begin(), m_layout.cells.end(),
                          [](const platform::SheetLayout::Cell& c) { return !c.box.isEmpty(); });
        const auto skipped = std::ssize(m_layout.cells) - kept;
        text += plural(kept, "frame", "frames") + QStringLiteral(" to add");
        if (skipped > 0)
            text +=
                QStringLiteral(", %1 skipped").arg(plural(skipped, "empty cell", "empty cells"));
    }
    m_status->setText(text);
    describeCell(-1);
}

void SheetDialog::describeCell(int cell) {
    if (m_layout.cells.empty()) {
        m_cell->setText(QStringLiteral("No cells to point at until a grid can be laid."));
        return;
    }
    if (cell < 0 || cell >= std::ssize(m_layout.cells)) {
        m_cell->setText(QStringLiteral("Point at a cell to see which frame it gives."));
        return;
    }
    const platform::SheetLayout::Cell& at = m_layout.cells[static_cast<std::size_t>(cell)];
    const int columns = std::max(1, m_layout.columns);
    QString text = QStringLiteral("Cell %1 (column %2, row %3): ")
                       .arg(cell + 1)
                       .arg(cell % columns + 1)
                       .arg(cell / columns + 1);
    if (at.box.isEmpty()) {
        m_cell->setText(text + QStringLiteral("empty, skipped"));
        return;
    }
    const auto before =
        std::count_if(m_layout.cells.begin(), m_layout.cells.begin() + cell,
                      [](const platform::SheetLayout::Cell& c) { return !c.box.isEmpty(); });
    text += QStringLiteral("frame %1").arg(before + 1);
    if (m_trim->isChecked())
        text += QStringLiteral(", trimmed to %1").arg(sizeText(at.box.size()));
    m_cell->setText(text);
}

std::optional<platform::SheetRequest>
SheetDialogQuestion::ask(const QString& title, const QImage& picture,
                         const platform::SheetRequest& start,
                         const platform::SheetLayoutOf& layout) {
    SheetDialog dialog(title, picture, start, layout, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

} // namespace quillet::display
