#include "SheetDataDialogs.h"

#include "SheetDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

namespace quillet::display {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

SheetExportDialog::SheetExportDialog(const QString& title,
                                     const platform::SheetExportRequest& start, int frames,
                                     int directions, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    const bool divides = directions >= 1 && frames % directions == 0;
    m_byColumns = new QRadioButton(QStringLiteral("Columns"), this);
    m_byColumns->setObjectName(QStringLiteral("sheetByColumns"));
    m_columns = new QSpinBox(this);
    m_columns->setObjectName(QStringLiteral("sheetColumns"));
    m_columns->setRange(1, std::max(frames, 1));
    m_columns->setValue(start.columns);
    m_byDirection = new QRadioButton(
        divides ? QStringLiteral("One row per direction (%1 rows of %2 frames)")
                      .arg(directions)
                      .arg(frames / directions)
                : QStringLiteral("One row per direction (%1 directions do not divide %2 frames)")
                      .arg(directions)
                      .arg(frames),
        this);
    m_byDirection->setObjectName(QStringLiteral("sheetByDirection"));
    m_byDirection->setEnabled(divides);
    (start.rowPerDirection && divides ? m_byDirection : m_byColumns)->setChecked(true);
    m_trim = new QCheckBox(QStringLiteral("Trim transparent borders"), this);
    m_trim->setObjectName(QStringLiteral("sheetTrim"));
    m_trim->setChecked(start.trim);
    m_data = new QCheckBox(QStringLiteral("Write data file (JSON beside the picture)"), this);
    m_data->setObjectName(QStringLiteral("sheetData"));
    m_data->setChecked(start.writeData);
    m_layout = new QComboBox(this);
    m_layout->setObjectName(QStringLiteral("sheetDataLayout"));
    m_layout->addItems({QStringLiteral("Array of frames"), QStringLiteral("Hash by file name")});
    m_layout->setCurrentIndex(start.hash ? 1 : 0);

    auto* form = new QFormLayout(this);
    form->addRow(m_byColumns, m_columns);
    form->addRow(m_byDirection);
    form->addRow(m_trim);
    form->addRow(m_data);
    form->addRow(QStringLiteral("Data layout"), m_layout);
    form->addRow(okCancel(this));
    connect(m_byColumns, &QRadioButton::toggled, this, &SheetExportDialog::follow);
    connect(m_data, &QCheckBox::toggled, this, &SheetExportDialog::follow);
    follow();
    m_columns->setFocus(Qt::TabFocusReason);
    m_columns->selectAll();
}

void SheetExportDialog::follow() {
    m_columns->setEnabled(m_byColumns->isChecked());
    m_layout->setEnabled(m_data->isChecked());
}

platform::SheetExportRequest SheetExportDialog::request() const {
    return {m_byDirection->isChecked(), m_columns->value(), m_trim->isChecked(),
            m_data->isChecked(), m_layout->currentIndex() == 1};
}

SheetAnchorDialog::SheetAnchorDialog(const QString& title,
                                     const platform::SheetAnchorRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setWindowTitle(title);
    const auto spin = [this](const char* name, int value) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(-32768, 32767);
        box->setValue(value);
        connect(box, &QSpinBox::valueChanged, this, &SheetAnchorDialog::showAnchors);
        return box;
    };
    m_x = spin("anchorX", request.anchor.x());
    m_y = spin("anchorY", request.anchor.y());
    m_view = new SheetView(request.picture, this);
    auto* text = new QLabel(
        QStringLiteral("The data places no anchor. Frame offsets count from this point of each "
                       "cell of %1 x %2; click a frame to put it there. %3 frames to add.")
            .arg(request.cell.width())
            .arg(request.cell.height())
            .arg(request.frames.size()),
        this);
    text->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Anchor x"), m_x);
    form->addRow(QStringLiteral("Anchor y"), m_y);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(text);
    whole->addLayout(form);
    whole->addWidget(m_view, 1);
    whole->addWidget(okCancel(this));
    connect(m_view, &SheetView::pictureClicked, this, &SheetAnchorDialog::place);
    showAnchors();
    m_x->setFocus(Qt::TabFocusReason);
}

QPoint SheetAnchorDialog::anchor() const {
    return QPoint(m_x->value(), m_y->value());
}

void SheetAnchorDialog::showAnchors() {
    std::vector<QPoint> anchors;
    anchors.reserve(m_request.cells.size());
    for (const QPoint& cell : m_request.cells)
        anchors.push_back(cell + anchor());
    m_view->showFrames(m_request.frames, std::move(anchors));
}

// A click on a frame puts the anchor there in its cell, so in every cell.
void SheetAnchorDialog::place(QPoint pixel) {
    for (std::size_t i = 0; i < m_request.frames.size() && i < m_request.cells.size(); ++i)
        if (m_request.frames[i].contains(pixel)) {
            const QPoint at = pixel - m_request.cells[i];
            m_x->setValue(at.x());
            m_y->setValue(at.y());
            return;
        }
}

std::optional<platform::SheetExportRequest> SheetDataDialogQuestion::exportSheet(
    const QString& title, const platform::SheetExportRequest& start, int frames, int directions) {
    SheetExportDialog dialog(title, start, frames, directions, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

std::optional<QPoint> SheetDataDialogQuestion::anchor(const QString& title,
                                                      const platform::SheetAnchorRequest& request) {
    SheetAnchorDialog dialog(title, request, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.anchor();
}

} // namespace quillet::display
