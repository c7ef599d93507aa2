#include "DrawingCommands.h"

#include "CommandContext.h"
#include "PreviewCommands.h"
#include "display/ImageArea.h"
#include "display/frmShowFrame.h"

#include <QAction>
#include <QActionGroup>
#include <algorithm>

namespace quillet::editor {

using display::tools::ToolKind;

namespace {

// A key of the picture area only: a text box or the frames panel with the
// focus keeps it.
QAction* pictureKey(QAction* action) {
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
}

} // namespace

DrawingCommands::DrawingCommands(CommandContext& context, PreviewCommands& preview)
    : QObject(&context.window()), m_context(context), m_preview(preview) {
    const struct {
        const char* name;
        const char* caption;
        Qt::Key key;
        ToolKind kind;
    } tools[] = {
        {"ToolPencil", "Pencil", Qt::Key_B, ToolKind::Pencil},
        {"ToolEraser", "Eraser", Qt::Key_E, ToolKind::Eraser},
        {"ToolLine", "Line", Qt::Key_L, ToolKind::Line},
        {"ToolRectangle", "Rectangle", Qt::Key_U, ToolKind::Rectangle},
        {"ToolFill", "Fill", Qt::Key_G, ToolKind::Fill},
        {"ToolEyedropper", "Eyedropper", Qt::Key_I, ToolKind::Eyedropper},
        {"ToolSelect", "Select", Qt::Key_M, ToolKind::Select},
    };
    auto* group = new QActionGroup(this);
    for (const auto& tool : tools) {
        const QKeySequence key(tool.key);
        const ToolKind kind = tool.kind;
        QAction* action = pictureKey(makeAction(this, tool.name, QString::fromLatin1(tool.caption),
                                                [this, kind] { chooseTool(kind); }, {key}));
        action->setToolTip(QStringLiteral("%1 (%2)").arg(action->text(), key.toString()));
        action->setCheckable(true);
        action->setChecked(kind == m_kind);
        group->addAction(action);
        m_tools.append(action);
    }
    m_keys = {
        pictureKey(makeAction(
            this, "PreviousDrawingIndex", QStringLiteral("Previous Drawing Index"),
            [this] { setDrawingIndex(m_index - 1); }, {QKeySequence(Qt::Key_BracketLeft)})),
        pictureKey(makeAction(this, "NextDrawingIndex", QStringLiteral("Next Drawing Index"),
                              [this] { setDrawingIndex(m_index + 1); },
                              {QKeySequence(Qt::Key_BracketRight)})),
        // A stroke under way goes, or else the selection (its pixels put down).
        pictureKey(makeAction(this, "CancelStroke", QStringLiteral("Cancel"),
                              [this] {
                                  if (display::frmShowFrame* shown = window())
                                      shown->drawing().escape();
                              },
                              {QKeySequence(Qt::Key_Escape)})),
    };
    connect(&m_preview, &PreviewCommands::previewCreated, this, &DrawingCommands::wirePreview);
    m_context.setSettle([this] { settle(); });
}

// The preview may outlive the commands a little while the window goes.
DrawingCommands::~DrawingCommands() {
    m_context.setSettle({});
    if (display::frmShowFrame* shown = window()) {
        shown->drawing().setSink({});
        shown->drawing().setGate({});
    }
}

display::frmShowFrame* DrawingCommands::window() const {
    return m_preview.previewWindow();
}

void DrawingCommands::wirePreview(display::frmShowFrame* shown) {
    shown->addTools(m_tools);
    shown->Img().addActions(m_tools);
    shown->Img().addActions(m_keys);
    shown->setDrawingIndex(m_index);
    display::PictureDrawing& drawing = shown->drawing();
    drawing.setTool(m_kind);
    drawing.setGate([this] { return m_context.beginCommand(); });
    drawing.setSink(
        [this](display::PictureDrawing::Finished stroke) { return takeStroke(std::move(stroke)); });
    connect(&drawing, &display::PictureDrawing::indexPicked, this,
            &DrawingCommands::setDrawingIndex);
    connect(&drawing, &display::PictureDrawing::selectionChanged, this,
            &DrawingCommands::selectionChanged);
    connect(shown, &display::frmShowFrame::drawingIndexChosen, this,
            &DrawingCommands::setDrawingIndex);
}

void DrawingCommands::chooseTool(ToolKind kind) {
    m_kind = kind;
    display::frmShowFrame* shown = window();
    if (!shown)
        return;
    // Another tool puts floating pixels down, and its strokes ignore a selection.
    if (kind != ToolKind::Select && m_context.mayRun())
        shown->drawing().dropSelection();
    shown->drawing().setTool(kind);
}

void DrawingCommands::chooseSelectTool() {
    QAction* select = m_tools[static_cast<qsizetype>(ToolKind::Select)];
    if (!select->isChecked())
        select->trigger();
}

QString DrawingCommands::floatingStep() const {
    display::frmShowFrame* shown = window();
    return shown ? shown->drawing().floatingStep() : QString();
}

void DrawingCommands::settle() {
    if (display::frmShowFrame* shown = window())
        shown->drawing().settle();
}

void DrawingCommands::setDrawingIndex(int index) {
    m_index = static_cast<std::uint8_t>(std::clamp(index, 0, 255));
    if (display::frmShowFrame* shown = window())
        shown->setDrawingIndex(m_index);
}

bool DrawingCommands::takeStroke(display::PictureDrawing::Finished stroke) {
    // Only whole strokes on the frame they began on, as it was then.
    document::Document& doc = m_context.doc();
    const int number = stroke.frame + 1;
    if (!m_context.mayRun() || number != doc.curFrame() || doc.currentFrame() != stroke.target ||
        stroke.target->pixelsId() != stroke.pixelsId)
        return false;
    return doc.paintFrame(number, stroke.changed, std::move(stroke.pixels), stroke.toolName);
}

} // namespace quillet::editor
