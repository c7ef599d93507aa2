#include "MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace quillet::platform {

namespace {

Answer askRestoreOrDiscard(QMessageBox& box) {
    QPushButton* restore = box.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() == restore)
        return Answer::Restore;
    // Anything but a click on Discard keeps the copy.
    return box.clickedButton() == discard ? Answer::Discard : Answer::Cancel;
}

} // namespace

Answer QtMessageBox::show(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);

    QMessageBox::StandardButtons standard;
    switch (buttons) {
    case Buttons::Ok:
        standard = QMessageBox::Ok;
        break;
    case Buttons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case Buttons::YesCancel:
        standard = QMessageBox::Yes | QMessageBox::Cancel;
        break;
    case Buttons::RestoreDiscard:
        return askRestoreOrDiscard(box);
    }
    box.setStandardButtons(standard);
    // The first button is the default: Enter answers Yes (or OK).
    box.setDefaultButton(buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Yes);
    // A question that can be cancelled is cancelled by Escape, never answered No.
    if (standard & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);

    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Closed some other way: never let that read as "Yes".
        return buttons == Buttons::Ok      ? Answer::Ok
               : buttons == Buttons::YesNo ? Answer::No
                                           : Answer::Cancel;
    }
}

} // namespace quillet::platform
