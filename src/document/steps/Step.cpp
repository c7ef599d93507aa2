#include "Step.h"

#include <algorithm>

namespace quillet::document::steps {

Step::Step(Document& doc, const QString& name)
    : QUndoCommand(name), m_doc(doc), m_currentBefore(doc.curFrame()),
      m_selectedBefore(doc.selection()) {}

void Step::finish(int current, std::optional<std::vector<int>> selected) {
    m_doc.m_curFrame = current;
    if (!selected)
        selected = m_doc.isSelected(current) ? m_doc.m_selection : std::vector<int>{};
    m_doc.setSelection(std::move(*selected), current);
    m_doc.notify();
}

void Step::finishAsBefore() {
    finish(std::min(m_currentBefore, count()), m_selectedBefore);
}

} // namespace quillet::document::steps
