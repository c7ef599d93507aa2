#include "Prompt.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <limits>

namespace quillet::platform {

namespace {

// OK and Cancel under the form; true when the dialog was accepted.
bool runForm(QDialog& dialog, QFormLayout* form) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    return dialog.exec() == QDialog::Accepted;
}

QSpinBox* spinBox(QDialog& dialog, int value, int min, int max) {
    auto* box = new QSpinBox(&dialog);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

} // namespace

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

std::optional<OffsetRequest> QtPrompt::offsets(const QString& title, const QString& label,
                                               const OffsetRequest& start) {
    QDialog dialog(m_parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel(label, &dialog));
    constexpr int low = std::numeric_limits<int>::min();
    constexpr int high = std::numeric_limits<int>::max();
    auto* set = new QRadioButton(QStringLiteral("Set"), &dialog);
    auto* shift = new QRadioButton(QStringLiteral("Shift by"), &dialog);
    (start.shift ? shift : set)->setChecked(true);
    auto* setX = new QCheckBox(QStringLiteral("x offset"), &dialog);
    auto* setY = new QCheckBox(QStringLiteral("y offset"), &dialog);
    setX->setChecked(start.setX);
    setY->setChecked(start.setY);
    QSpinBox* x = spinBox(dialog, start.shift ? 0 : start.x, low, high);
    QSpinBox* y = spinBox(dialog, start.shift ? 0 : start.y, low, high);
    QSpinBox* dx = spinBox(dialog, start.shift ? start.x : 0, low, high);
    QSpinBox* dy = spinBox(dialog, start.shift ? start.y : 0, low, high);
    form->addRow(set);
    form->addRow(setX, x);
    form->addRow(setY, y);
    form->addRow(shift);
    form->addRow(QStringLiteral("dx"), dx);
    form->addRow(QStringLiteral("dy"), dy);
    auto enable = [=] {
        const bool setting = set->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(setX), static_cast<QWidget*>(setY)})
            w->setEnabled(setting);
        x->setEnabled(setting && setX->isChecked());
        y->setEnabled(setting && setY->isChecked());
        dx->setEnabled(!setting);
        dy->setEnabled(!setting);
    };
    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(set), static_cast<QAbstractButton*>(setX),
          static_cast<QAbstractButton*>(setY)})
        QObject::connect(button, &QAbstractButton::toggled, &dialog, enable);
    enable();
    if (!runForm(dialog, form))
        return std::nullopt;
    if (shift->isChecked())
        return OffsetRequest{true, true, true, dx->value(), dy->value()};
    return OffsetRequest{false, setX->isChecked(), setY->isChecked(), x->value(), y->value()};
}

std::optional<IndexSwap> QtPrompt::indexSwap(const QString& title, const IndexSwap& start,
                                             const QList<QRgb>& colours) {
    QDialog dialog(m_parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    // Each number with a swatch of its colour beside it, following it as it changes.
    auto indexBox = [&](int value) {
        QSpinBox* box = spinBox(dialog, value, 0, 255);
        auto* swatch = new QLabel(&dialog);
        swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
        swatch->setFixedSize(box->sizeHint().height() * 2, box->sizeHint().height());
        const auto show = [swatch, colours](int index) {
            const QRgb colour = index < colours.size() ? colours[index] : qRgb(0, 0, 0);
            swatch->setStyleSheet(QStringLiteral("background: %1").arg(QColor(colour).name()));
            swatch->setToolTip(QColor(colour).name());
        };
        QObject::connect(box, &QSpinBox::valueChanged, swatch, show);
        show(value);
        auto* row = new QHBoxLayout;
        row->addWidget(box, 1);
        row->addWidget(swatch);
        return std::pair{box, row};
    };
    const auto [from, fromRow] = indexBox(start.from);
    const auto [to, toRow] = indexBox(start.to);
    form->addRow(QStringLiteral("Pixels of index"), fromRow);
    form->addRow(QStringLiteral("become index"), toRow);
    if (!runForm(dialog, form))
        return std::nullopt;
    return IndexSwap{from->value(), to->value()};
}

} // namespace quillet::platform
