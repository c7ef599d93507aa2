#pragma once

#include <QString>

class QWidget;

namespace quillet::platform {

enum class Buttons { Ok, YesNo, YesNoCancel, YesCancel };
enum class Answer { Ok, Yes, No, Cancel };
enum class Icon { None, Warning };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual Answer show(const QString& text, const QString& title, Buttons buttons,
                        Icon icon = Icon::None) = 0;
};

class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent) : m_parent(parent) {}
    Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::platform
