#include "DrawingSteps.h"

#include <utility>

namespace quillet::document::steps {

PaintPixels::PaintPixels(Document& doc, int number, const pixels::Rect& changed, Bytes pixels,
                         bool converts, const QString& name)
    : Step(doc, name), m_number(number), m_frame(doc.frames()[slot(number)]), m_rect(changed),
      m_after(pixels::copyRect(pixels, width(), changed)), m_drawn(std::move(pixels)) {
    if (converts)
        m_replaced = std::make_unique<const Replaced>(
            Replaced{m_frame->sharedPixels(), m_frame->getOrigPalette()});
    else
        m_before = pixels::copyRect(m_frame->pixels(), width(), changed);
}

void PaintPixels::redo() {
    Bytes next;
    if (!m_drawn.empty()) {
        next = std::move(m_drawn);
        m_drawn = Bytes();
    } else {
        // Converted as the first time: the frame holds what it held then.
        const ByteView now = m_frame->pixels();
        next = m_replaced ? m_frame->getPixelData(1) : Bytes(now.begin(), now.end());
        pixels::pasteRect(next, width(), m_rect, m_after);
    }
    m_frame->replacePixels(std::make_shared<const Bytes>(std::move(next)));
    if (m_replaced)
        m_frame->seOriginalPalette(m_frame->getNewPalette());
    finish(m_number);
}

void PaintPixels::undo() {
    if (m_replaced) {
        m_frame->replacePixels(m_replaced->matrix);
        m_frame->seOriginalPalette(m_replaced->original);
    } else {
        const ByteView now = m_frame->pixels();
        Bytes previous(now.begin(), now.end());
        pixels::pasteRect(previous, width(), m_rect, m_before);
        m_frame->replacePixels(std::make_shared<const Bytes>(std::move(previous)));
    }
    finish(m_number);
}

} // namespace quillet::document::steps
