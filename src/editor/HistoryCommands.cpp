#include "HistoryCommands.h"

#include "CommandContext.h"
#include "DrawingCommands.h"

#include <QAction>
#include <QPointer>
#include <QUndoStack>
#include <QWidget>

namespace quillet::editor {

HistoryCommands::HistoryCommands(CommandContext& context)
    : QObject(&context.window()), m_context(context),
      m_undo(makeAction(this, "Undo", QStringLiteral("Undo"), &HistoryCommands::undo,
                        {QKeySequence(Qt::CTRL | Qt::Key_Z)})),
      m_redo(makeAction(
          this, "Redo", QStringLiteral("Redo"), &HistoryCommands::redo,
          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})) {
    connect(&context.doc().undoStack(), &QUndoStack::indexChanged, this,
            &HistoryCommands::updateActions);
    updateActions();
}

void HistoryCommands::undo() {
    if (m_context.beginCommand())
        m_context.doc().undo();
}

void HistoryCommands::redo() {
    if (m_context.beginCommand())
        m_context.doc().redo();
}

void HistoryCommands::follow(DrawingCommands& drawing) {
    m_floatingStep = [drawing = QPointer(&drawing)] {
        return drawing ? drawing->floatingStep() : QString();
    };
    connect(&drawing, &DrawingCommands::selectionChanged, this, &HistoryCommands::updateActions);
}

void HistoryCommands::updateActions() {
    const document::Document& doc = m_context.doc();
    const QUndoStack& stack = m_context.doc().undoStack();
    const QString floating = m_floatingStep ? m_floatingStep() : QString();
    const QString undone = floating.isEmpty() ? stack.undoText() : floating;
    m_undo->setEnabled(doc.canUndo() || (doc.mayChange() && !floating.isEmpty()));
    m_redo->setEnabled(doc.canRedo());
    m_undo->setText(stack.canUndo() || !floating.isEmpty() ? QStringLiteral("Undo %1").arg(undone)
                                                           : QStringLiteral("Undo"));
    m_redo->setText(stack.canRedo() ? QStringLiteral("Redo %1").arg(stack.redoText())
                                    : QStringLiteral("Redo"));
}

} // namespace quillet::editor
