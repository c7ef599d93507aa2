#pragma once

#include "sprite/FrameEdit.h"

#include <QList>
#include <QObject>
#include <vector>

class QAction;

namespace quillet::display {
class frmShowFrame;
}

namespace quillet::editor {

class CommandContext;
class ExportCommands;
class PreviewCommands;

// The commands on the frame list. Those on the selected frames, Move Frame
// Earlier and Later, Duplicate, Delete, Offsets..., Flip Horizontal and
// Vertical, Canvas Size..., Trim Transparent Borders, Replace Colour...,
// Remap Colours... and Export Selected as PNG(s)..., are the same
// items in the Edit menu and in the frames panel's context menu; Edit >
// Directions... splits the whole list. The selection is the document's:
// with the current frame alone selected, as after New, Open or a move to
// another frame, each acts on the current frame as the main window's items
// always did. The frames panel of every preview window is wired here too:
// its clicks select, its drags move, and it shows the selection.
class FrameSelectionCommands : public QObject {
    Q_OBJECT
public:
    FrameSelectionCommands(CommandContext& context, PreviewCommands& preview,
                           ExportCommands& exports);

    // In Edit menu order, separators included; shared with the frames panel.
    QList<QAction*> actions() const { return m_actions; }
    QAction* directionsAction() const { return m_directions; }

    void moveEarlier();
    void moveLater();
    void duplicate();
    // After one question, in one step.
    void remove();
    void chooseOffsets();
    void flip(FrameEdit::Kind kind);
    // Canvas Size... and Trim Transparent Borders: every kept pixel stays
    // where it was around the anchor.
    void chooseCanvas();
    void trim();
    void replaceColour();
    // A range of palette entries onto another, over the whole of each
    // selected frame, previewed on the current frame while it is asked.
    void remapColours();
    // "Move Frames": the selection goes where frame `before` stands.
    void moveTo(int before);
    void select(const std::vector<int>& numbers, int current);
    // Asks a direction count that divides the frames.
    void chooseDirections();

private:
    void wirePanel(display::frmShowFrame* window);
    void selectionChanged();
    void edit(const FrameEdit& edit, const QString& stepName);

    CommandContext& m_context;
    PreviewCommands& m_preview;
    QList<QAction*> m_actions;
    QAction* m_earlier;
    QAction* m_later;
    QAction* m_duplicate;
    QAction* m_delete;
    QAction* m_directions;
};

} // namespace quillet::editor
