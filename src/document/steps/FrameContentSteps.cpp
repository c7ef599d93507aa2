#include "FrameContentSteps.h"

#include "StepIds.h"

#include <algorithm>
#include <utility>

namespace quillet::document::steps {

SetOffset::SetOffset(Document& doc, int number, Axis axis, std::int32_t value)
    : Step(doc, axis == Axis::X ? QStringLiteral("X Offset") : QStringLiteral("Y Offset")),
      m_number(number), m_axis(axis), m_frame(doc.frames()[slot(number)]), m_before(get()),
      m_after(value) {}

int SetOffset::id() const {
    return idOf(StepId::Offset);
}

bool SetOffset::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const SetOffset*>(other);
    if (next->m_frame != m_frame || next->m_axis != m_axis)
        return false;
    m_after = next->m_after;
    return true;
}

std::int32_t SetOffset::get() const {
    return m_axis == Axis::X ? m_frame->get_X_offset() : m_frame->get_Y_offset();
}

void SetOffset::apply(std::int32_t value) {
    if (m_axis == Axis::X)
        m_frame->set_X_offset(value);
    else
        m_frame->set_Y_offset(value);
    finish(m_number);
}

EditFrames::EditFrames(Document& doc, const QString& name, std::vector<int> numbers,
                       std::vector<FrameState> states,
                       std::vector<std::optional<Palette>> originals)
    : Step(doc, name), m_numbers(std::move(numbers)), m_states(std::move(states)),
      m_originals(std::move(originals)) {
    for (int number : m_numbers)
        m_frames.push_back(doc.frames()[slot(number)]);
    m_current = std::binary_search(m_numbers.begin(), m_numbers.end(), doc.curFrame())
                    ? doc.curFrame()
                    : m_numbers.front();
}

void EditFrames::swap() {
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        swapState(*m_frames[i], m_states[i]);
        if (std::optional<Palette>& other = m_originals[i]) {
            const Palette now = m_frames[i]->getOrigPalette();
            m_frames[i]->seOriginalPalette(*other);
            other = now;
        }
    }
    finish(m_current, m_numbers);
}

ReplaceFrame::ReplaceFrame(Document& doc, int number, const DC6Frame& contents, const QString& name)
    : Step(doc, name), m_number(number), m_frame(doc.frames()[slot(number)]), m_other(contents) {}

void ReplaceFrame::swap() {
    std::swap(*m_frame, m_other);
    finish(m_number);
}

} // namespace quillet::document::steps
