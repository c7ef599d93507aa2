#include "FrameSelectionCommands.h"

#include "CommandContext.h"
#include "ExportCommands.h"
#include "PreviewCommands.h"
#include "display/FramesPanel.h"
#include "display/frmShowFrame.h"
#include "imaging/view/FrameImage.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <QAction>
#include <tuple>

namespace quillet::editor {

FrameSelectionCommands::FrameSelectionCommands(CommandContext& context, PreviewCommands& preview,
                                               ExportCommands& exports)
    : QObject(&context.window()), m_context(context), m_preview(preview) {
    auto separator = [this] {
        auto* line = new QAction(this);
        line->setSeparator(true);
        return line;
    };
    m_earlier =
        makeAction(this, "MoveFrameEarlier", QStringLiteral("Move Frame Earlier"),
                   &FrameSelectionCommands::moveEarlier, {QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    m_later =
        makeAction(this, "MoveFrameLater", QStringLiteral("Move Frame Later"),
                   &FrameSelectionCommands::moveLater, {QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    m_duplicate =
        makeAction(this, "DuplicateFrame", QStringLiteral("Duplicate Frame"),
                   &FrameSelectionCommands::duplicate, {QKeySequence(Qt::CTRL | Qt::Key_D)});
    // The Delete key deletes frames only where the frames are seen: in the panel.
    m_delete = makeAction(this, "DeleteFrames", QStringLiteral("Delete Frame"),
                          &FrameSelectionCommands::remove, {QKeySequence(Qt::Key_Delete)});
    m_delete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_actions = {
        m_earlier,
        m_later,
        m_duplicate,
        m_delete,
        separator(),
        makeAction(this, "Offsets", QStringLiteral("Offsets..."),
                   &FrameSelectionCommands::chooseOffsets),
        makeAction(this, "FlipHorizontal", QStringLiteral("Flip Horizontal"),
                   [this] { flip(FrameEdit::Kind::FlipHorizontal); }),
        makeAction(this, "FlipVertical", QStringLiteral("Flip Vertical"),
                   [this] { flip(FrameEdit::Kind::FlipVertical); }),
        makeAction(this, "CanvasSize", QStringLiteral("Canvas Size..."),
                   &FrameSelectionCommands::chooseCanvas),
        makeAction(this, "TrimBorders", QStringLiteral("Trim Transparent Borders"),
                   &FrameSelectionCommands::trim),
        makeAction(this, "ReplaceColour", QStringLiteral("Replace Colour..."),
                   &FrameSelectionCommands::replaceColour),
        makeAction(this, "RemapColours", QStringLiteral("Remap Colours..."),
                   &FrameSelectionCommands::remapColours),
        makeAction(this, "ExportSelected", QStringLiteral("Export Selected as PNG(s)..."),
                   [&exports] { exports.exportSelectedPngs(); }),
    };
    m_directions = makeAction(this, "Directions", QStringLiteral("Directions..."),
                              &FrameSelectionCommands::chooseDirections);

    connect(&m_preview, &PreviewCommands::previewCreated, this, &FrameSelectionCommands::wirePanel);
    connect(&context.doc(), &document::Document::selectionChanged, this,
            &FrameSelectionCommands::selectionChanged);
}

void FrameSelectionCommands::wirePanel(display::frmShowFrame* window) {
    display::FramesPanel& panel = window->framesPanel();
    panel.setContextMenuPolicy(Qt::ActionsContextMenu);
    panel.addActions(m_actions);
    connect(&panel, &display::FramesPanel::selectionChosen, this, &FrameSelectionCommands::select);
    connect(&panel, &display::FramesPanel::moveRequested, this, &FrameSelectionCommands::moveTo);
}

void FrameSelectionCommands::selectionChanged() {
    const document::Document& doc = m_context.doc();
    const auto count = static_cast<qsizetype>(doc.selection().size());
    const bool one = count <= 1;
    m_earlier->setText(one ? QStringLiteral("Move Frame Earlier")
                           : QStringLiteral("Move Frames Earlier"));
    m_later->setText(one ? QStringLiteral("Move Frame Later")
                         : QStringLiteral("Move Frames Later"));
    m_duplicate->setText(one ? QStringLiteral("Duplicate Frame")
                             : QStringLiteral("Duplicate %1 Frames").arg(count));
    m_delete->setText(one ? QStringLiteral("Delete Frame")
                          : QStringLiteral("Delete %1 Frames").arg(count));
    if (display::frmShowFrame* window = m_preview.previewWindow())
        window->framesPanel().showSelection(doc.curFrame(), doc.selection());
}

void FrameSelectionCommands::select(const std::vector<int>& numbers, int current) {
    if (m_context.beginCommand())
        m_context.doc().select(numbers, current);
}

void FrameSelectionCommands::moveEarlier() {
    if (m_context.beginCommand())
        m_context.doc().shiftFrames(m_context.doc().selection(), -1);
}

void FrameSelectionCommands::moveLater() {
    if (m_context.beginCommand())
        m_context.doc().shiftFrames(m_context.doc().selection(), +1);
}

void FrameSelectionCommands::moveTo(int before) {
    if (m_context.beginCommand())
        m_context.doc().moveFrames(m_context.doc().selection(), before);
}

void FrameSelectionCommands::duplicate() {
    document::Document& doc = m_context.doc();
    if (!m_context.beginCommand() || doc.frameCount() < 1)
        return;
    if (!doc.duplicateFrames(doc.selection()))
        m_context.warn(QStringLiteral("%1 copies do not fit: a document holds at most %2 frames.")
                           .arg(doc.selection().size())
                           .arg(limits::kMaxFrames));
}

void FrameSelectionCommands::remove() {
    document::Document& doc = m_context.doc();
    if (!m_context.beginCommand() || !doc.currentFrame())
        return;
    const std::vector<int> chosen = doc.selection();
    const QString question =
        chosen.size() == 1
            ? QStringLiteral("Are you sure you want to remove the current frame ?")
            : QStringLiteral("Are you sure you want to remove the %1 selected frames ?")
                  .arg(chosen.size());
    if (m_context.ask(question, platform::Buttons::YesNoCancel) == platform::Answer::Yes)
        doc.removeFrames(chosen);
}

void FrameSelectionCommands::chooseDirections() {
    document::Document& doc = m_context.doc();
    if (!m_context.beginCommand() || doc.frameCount() < 1)
        return;
    const std::optional<int> chosen = m_context.services().prompt->number(
        QStringLiteral("Directions"),
        QStringLiteral("Directions (they must divide the %1 frames):").arg(doc.frameCount()),
        doc.directions(), 1, limits::kMaxDirections);
    if (!chosen)
        return;
    if (doc.frameCount() % *chosen != 0) {
        m_context.warn(QStringLiteral("%1 frames cannot be split into %2 directions.")
                           .arg(doc.frameCount())
                           .arg(*chosen));
        return;
    }
    doc.setDirections(*chosen);
}

void FrameSelectionCommands::chooseOffsets() {
    const document::Document& doc = m_context.doc();
    if (!m_context.beginCommand() || !doc.currentFrame())
        return;
    const FramePtr current = doc.currentFrame();
    const std::size_t count = doc.selection().size();
    const std::optional<platform::OffsetRequest> request = m_context.services().prompt->offsets(
        QStringLiteral("Offsets"),
        count <= 1 ? QStringLiteral("Changes frame %1.").arg(doc.curFrame())
                   : QStringLiteral("Changes the %1 selected frames.").arg(count),
        {false, true, true, current->get_X_offset(), current->get_Y_offset()});
    if (!request || (!request->shift && !request->setX && !request->setY))
        return;
    FrameEdit change{.kind = request->shift ? FrameEdit::Kind::ShiftOffset
                                            : FrameEdit::Kind::SetOffset};
    if (request->shift || request->setX)
        change.x = request->x;
    if (request->shift || request->setY)
        change.y = request->y;
    edit(change, request->shift ? QStringLiteral("Shift Offsets") : QStringLiteral("Set Offsets"));
}

void FrameSelectionCommands::flip(FrameEdit::Kind kind) {
    if (m_context.beginCommand())
        edit({.kind = kind}, kind == FrameEdit::Kind::FlipHorizontal
                                 ? QStringLiteral("Flip Horizontal")
                                 : QStringLiteral("Flip Vertical"));
}

namespace {

// What the dialog shows: the current frame's new size and the first frame
// the request would leave without pixels or beyond a frame's limits.
platform::CanvasOutcome canvasOutcome(const document::Document& doc,
                                      const platform::CanvasRequest& r) {
    const auto sized = [&r](const DC6Frame& frame) {
        return std::pair{std::int64_t{frame.get_X_size()} + r.left + r.right,
                         std::int64_t{frame.get_Y_size()} + r.top + r.bottom};
    };
    platform::CanvasOutcome outcome;
    std::tie(outcome.width, outcome.height) = sized(*doc.currentFrame());
    const bool changes = r.left != 0 || r.top != 0 || r.right != 0 || r.bottom != 0;
    if (!changes)
        return outcome;
    const std::vector<int>& selection = doc.selection();
    outcome.frames = static_cast<int>(selection.size());
    for (int number : selection) {
        const auto [width, height] = sized(*doc.frames()[static_cast<std::size_t>(number - 1)]);
        try {
            checkedFramePixels(width, height);
        } catch (const QuilletError& e) {
            outcome.problem = QStringLiteral("Frame %1: %2").arg(number).arg(e.what());
            break;
        }
    }
    return outcome;
}

} // namespace

void FrameSelectionCommands::chooseCanvas() {
    const document::Document& doc = m_context.doc();
    if (!m_context.beginCommand() || !doc.currentFrame())
        return;
    const std::optional<platform::CanvasRequest> r = m_context.services().canvasQuestion->ask(
        QStringLiteral("Canvas Size"),
        [&doc](const platform::CanvasRequest& request) { return canvasOutcome(doc, request); });
    if (r)
        edit({.kind = FrameEdit::Kind::Canvas, .margins = {r->left, r->top, r->right, r->bottom}},
             QStringLiteral("Canvas Size"));
}

void FrameSelectionCommands::trim() {
    if (m_context.beginCommand() && m_context.doc().currentFrame())
        edit({.kind = FrameEdit::Kind::Trim}, QStringLiteral("Trim"));
}

void FrameSelectionCommands::replaceColour() {
    const FramePtr current = m_context.doc().currentFrame();
    if (!m_context.beginCommand() || !current)
        return;
    // The colour each stored index stands for, as the frames are drawn untransformed.
    const std::optional<platform::IndexSwap> swap = m_context.services().prompt->indexSwap(
        QStringLiteral("Replace Colour"), {},
        imaging::paletteColourList(current->getOrigPalette()));
    if (!swap)
        return;
    FrameEdit change{.kind = FrameEdit::Kind::ReplaceIndex};
    change.from = static_cast<std::uint8_t>(swap->from);
    change.to = static_cast<std::uint8_t>(swap->to);
    edit(change, QStringLiteral("Replace Colour"));
}

namespace {

FrameEdit remapping(const platform::RemapRequest& request) {
    // A source written backwards is already reversed; Reverse turns it again.
    const int from = request.reverse ? request.fromLast : request.from;
    const int fromLast = request.reverse ? request.from : request.fromLast;
    return {.kind = FrameEdit::Kind::MapIndices,
            .table = rangeMapping(from, fromLast, request.to, request.toLast)};
}

} // namespace

void FrameSelectionCommands::remapColours() {
    document::Document& doc = m_context.doc();
    if (!m_context.beginCommand() || !doc.currentFrame())
        return;
    const display::frmShowFrame* shown = m_preview.previewWindow();
    const auto [first, last] = shown ? shown->paletteRange() : std::pair{1, 1};
    const auto trial = [this, &doc](const std::optional<platform::RemapRequest>& request) {
        if (!request)
            return m_preview.UpdatePreview();
        FrameList frames = doc.frames();
        const auto at = static_cast<std::size_t>(doc.curFrame() - 1);
        try {
            frames[at] =
                std::make_shared<DC6Frame>(doc.editedCopy(doc.curFrame(), remapping(*request)));
        } catch (const QuilletError&) {
            return; // a frame without pixels has nothing to show remapped
        }
        m_preview.showTrial(frames);
    };
    const std::optional<platform::RemapRequest> request = m_context.services().remapQuestion->ask(
        QStringLiteral("Remap Colours"), imaging::paletteColourList(doc.palette()),
        {first, last, first, last, false}, trial);
    if (request)
        edit(remapping(*request), QStringLiteral("Remap Colours"));
}

void FrameSelectionCommands::edit(const FrameEdit& change, const QString& stepName) {
    document::Document& doc = m_context.doc();
    try {
        doc.editFrames(doc.selection(), change, stepName);
    } catch (const QuilletError& e) {
        m_context.warn(QStringLiteral("%1 was refused; no frame was changed.\n%2")
                           .arg(stepName, QString::fromUtf8(e.what())));
    }
}

} // namespace quillet::editor
