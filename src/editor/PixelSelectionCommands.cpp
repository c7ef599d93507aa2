#include "PixelSelectionCommands.h"

#include "CommandContext.h"
#include "DrawingCommands.h"
#include "FrameImportCommands.h"
#include "PixelClipboard.h"
#include "PreviewCommands.h"
#include "display/ImageArea.h"
#include "display/PictureDrawing.h"
#include "display/frmShowFrame.h"
#include "imaging/PictureImport.h"
#include "sprite/transform.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <algorithm>

namespace quillet::editor {

namespace {

const QKeyCombination kCutKey = Qt::CTRL | Qt::Key_X;

} // namespace

PixelSelectionCommands::PixelSelectionCommands(CommandContext& context, PreviewCommands& preview,
                                               DrawingCommands& drawing,
                                               const FrameImportCommands& imports)
    : QObject(&context.window()), m_context(context), m_preview(preview), m_drawing(drawing),
      m_imports(imports) {
    const auto key = [this](const char* name, const QString& caption, auto handler,
                            QList<QKeySequence> keys) {
        QAction* action = makeAction(this, name, caption, std::move(handler), keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        m_keys.append(action);
        return action;
    };
    key("SelectAllPixels", QStringLiteral("Select All"), &PixelSelectionCommands::selectAll,
        {QKeySequence(Qt::CTRL | Qt::Key_A)});
    key("CopyPixels", QStringLiteral("Copy"), &PixelSelectionCommands::copy,
        {QKeySequence(Qt::CTRL | Qt::Key_C)});
    m_cut = key("CutPixels", QStringLiteral("Cut"), &PixelSelectionCommands::cut,
                {QKeySequence(kCutKey)});
    key("PastePixels", QStringLiteral("Paste"), &PixelSelectionCommands::paste,
        {QKeySequence(Qt::CTRL | Qt::Key_V)});
    key("DeletePixels", QStringLiteral("Delete"), &PixelSelectionCommands::clear,
        {QKeySequence(Qt::Key_Delete)});
    key("PutDownPixels", QStringLiteral("Put Down"), &PixelSelectionCommands::putDown,
        {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    const struct {
        const char* name;
        Qt::Key key;
        int dx, dy;
    } moves[] = {
        {"MoveSelectionLeft", Qt::Key_Left, -1, 0},
        {"MoveSelectionRight", Qt::Key_Right, 1, 0},
        {"MoveSelectionUp", Qt::Key_Up, 0, -1},
        {"MoveSelectionDown", Qt::Key_Down, 0, 1},
    };
    for (const auto& move : moves) {
        const int dx = move.dx;
        const int dy = move.dy;
        m_moves.append(key(move.name, QStringLiteral("Move Selection"),
                           [this, dx, dy] { nudge(dx, dy); }, {QKeySequence(move.key)}));
        m_moves.append(
            key((std::string(move.name) + "10").c_str(), QStringLiteral("Move Selection by 10"),
                [this, dx, dy] { nudge(10 * dx, 10 * dy); }, {QKeySequence(Qt::SHIFT | move.key)}));
    }
    connect(&m_preview, &PreviewCommands::previewCreated, this,
            &PixelSelectionCommands::wirePreview);
    // Without a selection the arrows scroll the picture, as they always did.
    connect(&m_drawing, &DrawingCommands::selectionChanged, this, [this] {
        for (QAction* move : m_moves)
            move->setEnabled(this->drawing() && this->drawing()->hasSelection());
    });
    for (QAction* move : m_moves)
        move->setEnabled(false);
}

void PixelSelectionCommands::wirePreview(display::frmShowFrame* window) {
    window->Img().addActions(m_keys);
    window->Img().installEventFilter(this);
}

bool PixelSelectionCommands::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+X is also the window's Exit, and two shortcuts on one key would
    // leave it to neither: on the picture the key is taken first and cuts,
    // as a text box takes it.
    const auto isCut = [event] {
        return static_cast<QKeyEvent*>(event)->keyCombination() == kCutKey;
    };
    if (event->type() == QEvent::ShortcutOverride && isCut()) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress && isCut()) {
        m_cut->trigger();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

display::PictureDrawing* PixelSelectionCommands::drawing() const {
    display::frmShowFrame* window = m_preview.previewWindow();
    return window ? &window->drawing() : nullptr;
}

void PixelSelectionCommands::selectAll() {
    if (!m_context.beginCommand() || !drawing())
        return;
    m_drawing.chooseSelectTool();
    drawing()->selectAll();
}

void PixelSelectionCommands::copy() {
    display::PictureDrawing* picture = drawing();
    if (!m_context.mayRun() || !picture)
        return;
    if (auto selected = picture->selectedPixels()) {
        auto& [block, left, top] = *selected;
        QGuiApplication::clipboard()->setMimeData(
            clipboardData({std::move(block), picture->shownPalette(), left, top}).release());
    }
}

void PixelSelectionCommands::cut() {
    if (!m_context.mayRun() || !drawing() || !drawing()->hasSelection())
        return;
    copy();
    drawing()->clearSelection(QStringLiteral("Cut"));
}

void PixelSelectionCommands::clear() {
    if (m_context.mayRun() && drawing())
        drawing()->clearSelection(QStringLiteral("Delete"));
}

void PixelSelectionCommands::paste() {
    if (!m_context.beginCommand() || !drawing() || !m_context.doc().currentFrame())
        return;
    // beginCommand put down whatever floated, as a step of its own.
    if (pasteFromClipboard(*drawing()))
        m_drawing.chooseSelectTool();
}

bool PixelSelectionCommands::pasteFromClipboard(display::PictureDrawing& picture) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return false;
    const Palette& palette = picture.shownPalette();
    // Matched colours never land on a protected entry, as in an added frame.
    const IndexSet& locked = m_context.doc().protectedEntries();
    if (std::optional<CopiedPixels> ours = readCopiedPixels(*data)) {
        // Indices for another palette are matched as a paletted import's are,
        // but index 0 is no colour here: it stays the pixel a paste leaves
        // alone, and no colour of the block turns into it.
        if (ours->palette != palette) {
            MapTable table = transform{}.Map(ours->palette, palette, locked | IndexSet{1});
            table[0] = 0;
            for (std::uint8_t& index : ours->block.indices)
                index = table[index];
        }
        picture.paste(std::move(ours->block), ours->left, ours->top);
        return true;
    }
    const QByteArray bytes = clipboardPicture(*data);
    if (bytes.isEmpty())
        return false;
    imaging::ImportOptions options{palette, m_imports.dither(), locked};
    options.tile = false;
    options.limits = imaging::oneFrameLimits();
    try {
        const FrameList frames = imaging::LoadImageFromMemory(
            ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::size_t>(bytes.size())),
            options);
        if (frames.empty())
            return false;
        // A picture with a palette of its own keeps it until it is matched,
        // as an added frame is on its way to the screen.
        const DC6Frame& frame = *frames.front();
        picture.paste({frame.get_X_size(), frame.get_Y_size(), frame.getPixelData(1)}, 0, 0);
        return true;
    } catch (const std::exception& e) {
        m_context.warn(QStringLiteral("The picture on the clipboard cannot be pasted.\n%1")
                           .arg(QString::fromUtf8(e.what())));
        return false;
    }
}

void PixelSelectionCommands::nudge(int dx, int dy) {
    if (m_context.mayRun() && drawing())
        drawing()->nudge(dx, dy);
}

void PixelSelectionCommands::putDown() {
    if (m_context.mayRun() && drawing())
        drawing()->settle();
}

} // namespace quillet::editor
