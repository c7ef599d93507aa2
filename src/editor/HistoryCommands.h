#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QAction;

namespace quillet::editor {

class CommandContext;
class DrawingCommands;

// Edit > Undo and Redo over the document's history: each item names the
// step it would take, and is enabled only while there is one and no save
// is writing the document.
class HistoryCommands : public QObject {
    Q_OBJECT
public:
    explicit HistoryCommands(CommandContext& context);

    // In Edit menu order.
    QList<QAction*> actions() const { return {m_undo, m_redo}; }

    void undo();
    void redo();
    // The texts and enabling, after the history or the save state changed.
    void updateActions();
    // Undo names the step pixels floating on the picture would make, and
    // takes it back once they are down.
    void follow(DrawingCommands& drawing);

private:
    CommandContext& m_context;
    QAction* m_undo;
    QAction* m_redo;
    std::function<QString()> m_floatingStep;
};

} // namespace quillet::editor
