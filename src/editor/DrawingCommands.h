#pragma once

#include "display/PictureDrawing.h"

#include <QList>
#include <QObject>
#include <cstdint>

class QAction;

namespace quillet::display {
class frmShowFrame;
}

namespace quillet::editor {

class CommandContext;
class PreviewCommands;

// Drawing in palette indices on the preview's picture: the tools (Pencil,
// Eraser, Line, Rectangle, Fill, Eyedropper, Select), one of them chosen, and the
// drawing index, stepped with [ and ] or chosen in the palette or by the
// eyedropper. Their keys belong to the picture alone, so a text box and the
// frames panel keep theirs. Each stroke becomes one document step at
// release, named after its tool.
class DrawingCommands : public QObject {
    Q_OBJECT
public:
    DrawingCommands(CommandContext& context, PreviewCommands& preview);
    ~DrawingCommands() override;

    std::uint8_t drawingIndex() const { return m_index; }
    void setDrawingIndex(int index);
    // Select All and Paste take the Select tool up.
    void chooseSelectTool();
    // Pixels floating on the picture go down as a step of their own: before
    // anything else changes the document, another frame is shown or another
    // tool chosen.
    void settle();
    // The step floating pixels would make ("Move", "Paste"); empty when none float.
    QString floatingStep() const;

signals:
    // A selection came or went, or its pixels began or ceased to float.
    void selectionChanged();

private:
    void wirePreview(display::frmShowFrame* window);
    void chooseTool(display::tools::ToolKind kind);
    bool takeStroke(display::PictureDrawing::Finished stroke);
    display::frmShowFrame* window() const;

    CommandContext& m_context;
    PreviewCommands& m_preview;
    QList<QAction*> m_tools;
    // Keys of the picture that are no tool of the bar: [, ] and Escape.
    QList<QAction*> m_keys;
    display::tools::ToolKind m_kind = display::tools::ToolKind::Pencil;
    std::uint8_t m_index = 1;
};

} // namespace quillet::editor
