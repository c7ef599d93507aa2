#pragma once

#include <QString>

class QWidget;

namespace quillet::platform {

// RestoreDiscard: the offer of a recovery copy, Restore the default.
enum class Buttons { Ok, YesNo, YesNoCancel, YesCancel, RestoreDiscard };
enum class Answer { Ok, Yes, No, Cancel, Restore, Discard };
enum class Icon { None, Warning };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual Answer show(const QString& text, const QString& title, Buttons buttons,
                        Icon icon = Icon::None) = 0;
};

// Escape, or closing the box, answers Cancel where there is a Cancel and No
// where there is only No; the recovery offer can only be answered by its two
// buttons (a box closed some other way leaves the copy for the next start,
// as Cancel).
class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent) : m_parent(parent) {}
    Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::platform
