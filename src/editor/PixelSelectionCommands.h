#pragma once

#include <QList>
#include <QObject>

class QAction;

namespace quillet::display {
class PictureDrawing;
class frmShowFrame;
} // namespace quillet::display

namespace quillet::editor {

class CommandContext;
class DrawingCommands;
class FrameImportCommands;
class PreviewCommands;

// The Select tool's keys on the picture: Select All, Copy, Cut, Paste and
// Delete with the clipboard, the arrows that move the selection (Shift: ten
// pixels) and Enter that puts floating pixels down. Like the drawing keys they
// belong to the picture alone, so a text box keeps its Cut and Paste and
// Ctrl+X stays Exit elsewhere. Cut, Delete, a move and a paste each end as one
// step once their pixels are down.
class PixelSelectionCommands : public QObject {
    Q_OBJECT
public:
    PixelSelectionCommands(CommandContext& context, PreviewCommands& preview,
                           DrawingCommands& drawing, const FrameImportCommands& imports);

    void selectAll();
    void copy();
    void cut();
    void clear();
    void paste();
    // Dx to the right, dy down, as on screen.
    void nudge(int dx, int dy);
    void putDown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wirePreview(display::frmShowFrame* window);
    display::PictureDrawing* drawing() const;
    // The clipboard's pixels in the frame's palette; false after a message
    // when there are none to paste.
    bool pasteFromClipboard(display::PictureDrawing& drawing);

    CommandContext& m_context;
    PreviewCommands& m_preview;
    DrawingCommands& m_drawing;
    const FrameImportCommands& m_imports;
    QList<QAction*> m_keys;
    QList<QAction*> m_moves; // the arrows, enabled while there is a selection
    QAction* m_cut = nullptr;
};

} // namespace quillet::editor
