#include "PictureDrawing.h"

#include "ImageArea.h"
#include "imaging/view/PixelReadout.h"
#include "tools/Tools.h"

namespace quillet::display {

namespace {

tools::Modifiers modifiersOf(Qt::KeyboardModifiers keys) {
    return {keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::ControlModifier)};
}

} // namespace

PictureDrawing::PictureDrawing(ImageArea& area, const imaging::ViewImage& shown, QObject* parent)
    : QObject(parent), m_area(area), m_shown(shown) {
    for (std::size_t kind = 0; kind < m_tools.size(); ++kind)
        m_tools[kind] = tools::makeTool(static_cast<tools::ToolKind>(kind));
    connect(&area, &ImageArea::pressed, this, &PictureDrawing::press);
    connect(&area, &ImageArea::dragged, this, &PictureDrawing::drag);
    connect(&area, &ImageArea::released, this, &PictureDrawing::release);
    connect(&area, &ImageArea::focusLost, this, &PictureDrawing::cancel);
}

PictureDrawing::~PictureDrawing() = default;

void PictureDrawing::frameShown(const FrameList& frames, int index, std::int16_t palTransform,
                                const imaging::ViewOptions& options) {
    cancel();
    m_frames = frames;
    m_frame = index;
    m_palTransform = palTransform;
    m_options = options;
    m_underlay = QImage();
}

pixels::Point PictureDrawing::at(QPoint point) const {
    return imaging::framePointAt(m_shown, m_area.zoom(), point);
}

void PictureDrawing::press(QPoint point, Qt::KeyboardModifiers keys) {
    if (m_stroke || (m_mayBegin && !m_mayBegin()))
        return;
    // The gate may have stopped playback and shown another frame.
    const imaging::ShownFrame& shown = m_shown.shown;
    const FramePtr target = m_frame >= 0 && m_frame < std::ssize(m_frames)
                                ? m_frames[static_cast<std::size_t>(m_frame)]
                                : nullptr;
    if (!target || shown.indices.empty() ||
        std::ssize(shown.indices) != std::int64_t{shown.width} * shown.height) {
        emit refused(QStringLiteral("There is no frame to draw on."));
        return;
    }
    if (m_lastTarget.lock() != target)
        for (const auto& tool : m_tools)
            tool->forget();
    m_lastTarget = target;
    m_startId = target->pixelsId();
    // Alt picks for one click, whatever the tool.
    const tools::ToolKind kind =
        keys.testFlag(Qt::AltModifier) ? tools::ToolKind::Eyedropper : m_kind;
    m_active = m_tools[static_cast<std::size_t>(kind)].get();
    const std::uint8_t paint = m_active->paintsWith(m_index);
    if (kind != tools::ToolKind::Eyedropper && m_locked[paint]) {
        m_active = nullptr;
        emit refused(
            QStringLiteral("Index %1 is protected: the tools draw nothing with it.").arg(paint));
        return;
    }
    m_stroke.emplace(shown.indices, shown.width, shown.height, paint, m_locked);
    m_active->press(*m_stroke, at(point), modifiersOf(keys));
    showChanges();
}

void PictureDrawing::drag(QPoint point, Qt::KeyboardModifiers keys) {
    if (!m_stroke)
        return;
    m_active->move(*m_stroke, at(point), modifiersOf(keys));
    showChanges();
}

void PictureDrawing::release(QPoint point, Qt::KeyboardModifiers keys) {
    if (!m_stroke)
        return;
    m_active->release(*m_stroke, at(point), modifiersOf(keys));
    showChanges();
    Finished done;
    done.frame = m_frame;
    done.target = m_frames[static_cast<std::size_t>(m_frame)];
    done.pixelsId = m_startId;
    done.changed = m_stroke->changed();
    done.pixels = m_stroke->takePixels();
    done.toolName = QString::fromStdString(m_active->name());
    m_stroke.reset();
    m_active = nullptr;
    // Taken, the document changes and the picture is drawn anew from it.
    if (done.changed.empty())
        return;
    const pixels::Rect changed = done.changed;
    if (!m_sink || !m_sink(std::move(done)))
        redraw(m_shown.shown.indices, changed);
}

void PictureDrawing::cancel() {
    if (!m_stroke)
        return;
    const pixels::Rect changed = m_stroke->changed();
    m_stroke.reset();
    m_active = nullptr;
    redraw(m_shown.shown.indices, changed);
}

void PictureDrawing::showChanges() {
    if (const std::optional<std::uint8_t> picked = m_stroke->takePicked())
        emit indexPicked(*picked);
    const pixels::Rect dirty = m_stroke->takeDirty();
    if (!dirty.empty())
        redraw(m_stroke->pixels(), dirty);
}

void PictureDrawing::redraw(ByteView indices, const pixels::Rect& box) {
    if (box.empty())
        return;
    if (m_underlay.isNull())
        m_underlay = imaging::renderUnderlay(m_frames, m_frame, m_palTransform, m_options);
    m_area.updateImageRect(imaging::redrawFramePixels(
        m_area.image(), m_shown, m_options.highlightIndex, indices, box, m_underlay));
}

} // namespace quillet::display
