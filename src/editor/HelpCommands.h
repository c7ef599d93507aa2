#pragma once

#include <QObject>

class QAction;

namespace quillet::editor {

class CommandContext;

// Help > About  Quillet...: the About dialog with what it looks up about the system.
class HelpCommands : public QObject {
    Q_OBJECT
public:
    explicit HelpCommands(CommandContext& context);

    QAction* aboutAction() const { return m_about; }

    void showAbout();

private:
    CommandContext& m_context;
    QAction* m_about;
};

} // namespace quillet::editor
