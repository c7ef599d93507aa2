#pragma once

#include "document/Document.h"

#include <QUndoCommand>
#include <cstddef>
#include <optional>
#include <vector>

namespace quillet::document::steps {

// The slot in the frame list of a 1-based frame number.
inline std::ptrdiff_t slot(int number) {
    return static_cast<std::ptrdiff_t>(number) - 1;
}

// The base of every undoable edit and the one door from a step into the
// document: a step reads the document through its public face and changes
// only what this class lets it (the frames, the direction count and the
// palette). Each redo and undo ends in finish(), which leaves the frame the
// step touched current, selects what it touched and tells the window.
class Step : public QUndoCommand {
public:
    Step(Document& doc, const QString& name);

protected:
    const Document& doc() const { return m_doc; }
    FrameList& frames() { return m_doc.m_frames; }
    int count() const { return m_doc.frameCount(); }
    void setDirectionCount(int directions) { m_doc.m_directions = directions; }
    void setPalette(const Palette& palette) { m_doc.changePalette(palette); }
    // `selected` joined by `current`; without it the selection stays if it
    // holds the current frame (the frames kept their places), else the
    // current frame is selected alone.
    void finish(int current, std::optional<std::vector<int>> selected = std::nullopt);
    // The current frame and the selection from before the step, for an undo
    // that put the frames back where they were.
    void finishAsBefore();

private:
    Document& m_doc;
    const int m_currentBefore;
    const std::vector<int> m_selectedBefore;
};

} // namespace quillet::document::steps
