#include "PictureDrawing.h"

#include "ImageArea.h"
#include "imaging/view/PixelReadout.h"
#include "tools/Tools.h"

#include <utility>

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
    // Floating pixels were composed on these very indices; anything else
    // shown drops them (whatever changes the frame puts them down first).
    const FramePtr shown = index >= 0 && index < std::ssize(frames)
                               ? frames[static_cast<std::size_t>(index)]
                               : nullptr;
    if (!shown || shown != m_selectTarget.lock() ||
        (m_select.isFloating() &&
         (shown->pixelsId() != m_liftId || palTransform != m_palTransform)))
        m_select.drop();
    m_selectTarget = shown;
    m_select.setFrameSize(shown ? shown->get_X_size() : 0, shown ? shown->get_Y_size() : 0);
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
    if (m_kind == tools::ToolKind::Select && !keys.testFlag(Qt::AltModifier)) {
        selectPress(point);
        return;
    }
    if (m_stroke || (m_mayBegin && !m_mayBegin()))
        return;
    // The gate may have stopped playback and shown another frame.
    const imaging::ShownFrame& shown = m_shown.shown;
    const FramePtr target = this->target();
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
        emit refused(protectedNotice(paint));
        return;
    }
    m_stroke.emplace(shown.indices, shown.width, shown.height, paint, m_locked);
    m_active->press(*m_stroke, at(point), modifiersOf(keys));
    showChanges();
}

void PictureDrawing::drag(QPoint point, Qt::KeyboardModifiers keys) {
    if (m_select.isDragging()) {
        m_select.drag(at(point), frameIndices());
        showSelection();
    }
    if (!m_stroke)
        return;
    m_active->move(*m_stroke, at(point), modifiersOf(keys));
    showChanges();
}

void PictureDrawing::release(QPoint point, Qt::KeyboardModifiers keys) {
    if (m_select.isDragging()) {
        m_select.release(at(point), frameIndices());
        showSelection();
    }
    if (!m_stroke)
        return;
    m_active->release(*m_stroke, at(point), modifiersOf(keys));
    showChanges();
    tools::PutDown done{m_stroke->changed(), m_stroke->takePixels(), m_active->name()};
    m_stroke.reset();
    m_active = nullptr;
    if (!done.changed.empty())
        handOver(std::move(done), m_startId);
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

namespace quillet::display {

FramePtr PictureDrawing::target() const {
    return m_frame >= 0 && m_frame < std::ssize(m_frames)
               ? m_frames[static_cast<std::size_t>(m_frame)]
               : nullptr;
}

ByteView PictureDrawing::frameIndices() const {
    const imaging::ShownFrame& shown = m_shown.shown;
    const FramePtr frame = target();
    if (!frame || shown.width != frame->get_X_size() || shown.height != frame->get_Y_size() ||
        std::ssize(shown.indices) != std::int64_t{shown.width} * shown.height)
        return {};
    return shown.indices;
}

void PictureDrawing::selectPress(QPoint point) {
    // Floating pixels stay up while they are dragged on; any other press puts
    // them down and begins as a stroke does.
    if (!m_select.isFloating() || !m_select.rect().contains(at(point))) {
        settle();
        if (m_mayBegin && !m_mayBegin())
            return;
    }
    const ByteView frame = frameIndices();
    if (frame.empty()) {
        emit refused(QStringLiteral("There is no frame to select on."));
        return;
    }
    if (!m_select.isFloating())
        m_liftId = target()->pixelsId();
    m_select.press(at(point), frame);
    showSelection();
}

void PictureDrawing::selectAll() {
    settle();
    if (!frameIndices().empty())
        m_select.selectAll();
    showSelection();
}

void PictureDrawing::nudge(int dx, int dy) {
    const ByteView frame = frameIndices();
    if (frame.empty() || m_select.isDragging())
        return;
    if (!m_select.isFloating())
        m_liftId = target()->pixelsId();
    m_select.nudge(dx, dy, frame);
    showSelection();
}

void PictureDrawing::paste(pixels::Block block, int left, int top) {
    settle();
    const ByteView frame = frameIndices();
    if (frame.empty() || block.empty())
        return;
    const int width = m_shown.shown.width;
    const int height = m_shown.shown.height;
    if (left < 0 || top < 0 || left >= width || top >= height)
        left = top = 0;
    m_liftId = target()->pixelsId();
    // The block's first row is its bottom one, as in the frame.
    const pixels::Point corner{left, height - top - block.height};
    m_select.paste(std::move(block), corner, frame);
    showSelection();
}

std::optional<std::tuple<pixels::Block, int, int>> PictureDrawing::selectedPixels() const {
    const ByteView frame = frameIndices();
    if (frame.empty() || !m_select.hasSelection())
        return std::nullopt;
    const pixels::Rect place = m_select.rect();
    return std::tuple{m_select.selected(frame), place.x,
                      m_shown.shown.height - place.y - place.height};
}

void PictureDrawing::settle() {
    if (!m_select.isFloating())
        return;
    handOver(m_select.putDown(frameIndices()), m_liftId);
    showSelection();
}

void PictureDrawing::clearSelection(const QString& name) {
    const ByteView frame = frameIndices();
    if (frame.empty())
        return;
    const std::uint64_t id = m_select.isFloating() ? m_liftId : target()->pixelsId();
    handOver(m_select.clear(frame, name.toStdString()), id);
    showSelection();
}

void PictureDrawing::dropSelection() {
    settle();
    m_select.drop();
    showSelection();
}

void PictureDrawing::escape() {
    if (m_stroke)
        cancel();
    else
        dropSelection();
}

void PictureDrawing::handOver(std::optional<tools::PutDown> done, std::uint64_t pixelsId) {
    if (!done)
        return;
    const pixels::Rect changed = done->changed;
    Finished finished{m_frame,
                      target(),
                      pixelsId,
                      changed,
                      std::move(done->pixels),
                      QString::fromStdString(done->name)};
    // Taken, the document changes and the picture is drawn anew from it.
    if (!m_sink || !m_sink(std::move(finished)))
        redraw(m_shown.shown.indices, changed);
}

void PictureDrawing::pictureShown() {
    if (m_select.isFloating())
        redraw(m_select.pixels(), m_select.covered());
    m_select.takeDirty();
    showSelection();
}

void PictureDrawing::showSelection() {
    const pixels::Rect dirty = m_select.takeDirty();
    if (!dirty.empty() && m_select.isFloating())
        redraw(m_select.pixels(), dirty);
    m_area.setOutline(m_select.hasSelection() ? imaging::viewRectOf(m_shown, m_select.rect())
                                              : QRect());
    const std::pair state{m_select.hasSelection(), m_select.isFloating()};
    if (std::exchange(m_selectionShown, state) != state)
        emit selectionChanged();
}

} // namespace quillet::display
