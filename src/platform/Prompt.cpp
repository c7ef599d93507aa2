#include "Prompt.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QRadioButton>
#include <QSpinBox>

namespace quillet::platform {

std::optional<int> QtPrompt::number(const QString& title, const QString& label, int value, int min,
                                    int max) {
    bool ok = false;
    const int chosen = QInputDialog::getInt(m_parent, title, label, value, min, max, 1, &ok);
    return ok ? std::optional<int>(chosen) : std::nullopt;
}

std::optional<QString> QtPrompt::text(const QString& title, const QString& label,
                                      const QString& value) {
    bool ok = false;
    const QString chosen =
        QInputDialog::getText(m_parent, title, label, QLineEdit::Normal, value, &ok);
    return ok ? std::optional<QString>(chosen) : std::nullopt;
}

std::optional<SheetRequest> QtPrompt::sheet(const QString& title, const SheetRequest& start) {
    QDialog dialog(m_parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    auto spin = [&](int value, int min) {
        auto* box = new QSpinBox(&dialog);
        box->setRange(min, 32767);
        box->setValue(value);
        return box;
    };
    auto* byCells = new QRadioButton(QStringLiteral("Cell size"), &dialog);
    auto* byGrid = new QRadioButton(QStringLiteral("Columns x rows"), &dialog);
    (start.byCellSize ? byCells : byGrid)->setChecked(true);
    QSpinBox* cellWidth = spin(start.cellWidth, 1);
    QSpinBox* cellHeight = spin(start.cellHeight, 1);
    QSpinBox* columns = spin(start.columns, 1);
    QSpinBox* rows = spin(start.rows, 1);
    QSpinBox* margin = spin(start.margin, 0);
    QSpinBox* spacing = spin(start.spacing, 0);
    auto* trim = new QCheckBox(QStringLiteral("Trim transparent borders"), &dialog);
    trim->setChecked(start.trim);
    form->addRow(byCells);
    form->addRow(QStringLiteral("Cell width"), cellWidth);
    form->addRow(QStringLiteral("Cell height"), cellHeight);
    form->addRow(byGrid);
    form->addRow(QStringLiteral("Columns"), columns);
    form->addRow(QStringLiteral("Rows"), rows);
    form->addRow(QStringLiteral("Margin"), margin);
    form->addRow(QStringLiteral("Spacing"), spacing);
    form->addRow(trim);
    auto enable = [=] {
        const bool cells = byCells->isChecked();
        cellWidth->setEnabled(cells);
        cellHeight->setEnabled(cells);
        columns->setEnabled(!cells);
        rows->setEnabled(!cells);
    };
    QObject::connect(byCells, &QRadioButton::toggled, &dialog, enable);
    enable();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return SheetRequest{byCells->isChecked(), cellWidth->value(), cellHeight->value(),
                        columns->value(),     rows->value(),      margin->value(),
                        spacing->value(),     trim->isChecked()};
}

} // namespace quillet::platform
