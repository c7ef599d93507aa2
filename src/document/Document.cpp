#include "Document.h"

#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <QUndoCommand>
#include <algorithm>
#include <map>

namespace quillet::document {

// The base of every undoable edit: the document's state is reached through
// it, and each step leaves the frame it touched current and tells the window.
class Step : public QUndoCommand {
public:
    Step(Document& doc, const QString& name) : QUndoCommand(name), m_doc(doc) {}

protected:
    FrameList& frames() { return m_doc.m_frames; }
    int count() const { return m_doc.frameCount(); }
    void setDirectionCount(int directions) { m_doc.m_directions = directions; }
    void finish(int current) {
        m_doc.m_curFrame = current;
        m_doc.notify();
    }
    Document& m_doc;
};

namespace {

std::ptrdiff_t slot(int number) {
    return static_cast<std::ptrdiff_t>(number) - 1;
}

class InsertFrames : public Step {
public:
    InsertFrames(Document& doc, FrameList added, int at, const QString& name, int currentAfter)
        : Step(doc, name), m_added(std::move(added)), m_at(at), m_currentAfter(currentAfter),
          m_currentBefore(doc.curFrame()) {}
    void redo() override {
        frames().insert(frames().begin() + m_at, m_added.begin(), m_added.end());
        // The first time, the command's own rule for the current frame holds;
        // a redo shows the first frame it brought back.
        finish(m_done ? m_at + 1 : m_currentAfter);
        m_done = true;
    }
    void undo() override {
        const auto first = frames().begin() + m_at;
        frames().erase(first, first + static_cast<std::ptrdiff_t>(m_added.size()));
        finish(std::min(m_currentBefore, count()));
    }

private:
    FrameList m_added;
    int m_at;
    int m_currentAfter;
    int m_currentBefore;
    bool m_done = false;
};

class RemoveFrame : public Step {
public:
    RemoveFrame(Document& doc, int number)
        : Step(doc, QStringLiteral("Delete Frame %1").arg(number)), m_number(number),
          m_frame(doc.frames()[slot(number)]) {}
    void redo() override {
        const bool wasLast = m_number == count();
        frames().erase(frames().begin() + slot(m_number));
        // The number stays and now designates the next frame; after the last
        // one the new last frame becomes current (0 when none is left).
        finish(wasLast ? count() : m_number);
    }
    void undo() override {
        frames().insert(frames().begin() + slot(m_number), m_frame);
        finish(m_number);
    }

private:
    int m_number;
    FramePtr m_frame;
};

class SetOffset : public Step {
public:
    SetOffset(Document& doc, int number, Axis axis, std::int32_t value)
        : Step(doc, axis == Axis::X ? QStringLiteral("X Offset") : QStringLiteral("Y Offset")),
          m_number(number), m_axis(axis), m_frame(doc.frames()[slot(number)]), m_before(get()),
          m_after(value) {}
    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }
    int id() const override { return 1; }
    // Keystrokes in one box on one frame make one step.
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const SetOffset*>(other);
        if (next->m_frame != m_frame || next->m_axis != m_axis)
            return false;
        m_after = next->m_after;
        return true;
    }

private:
    std::int32_t get() const {
        return m_axis == Axis::X ? m_frame->get_X_offset() : m_frame->get_Y_offset();
    }
    void apply(std::int32_t value) {
        if (m_axis == Axis::X)
            m_frame->set_X_offset(value);
        else
            m_frame->set_Y_offset(value);
        finish(m_number);
    }
    int m_number;
    Axis m_axis;
    FramePtr m_frame;
    std::int32_t m_before;
    std::int32_t m_after;
};

// Every frame's two palettes and the document palette, with each distinct
// palette stored once: on a document of thousands of frames that share one
// palette the snapshot costs a few bytes per frame.
class PaletteSnapshot {
public:
    PaletteSnapshot(const FrameList& frames, const Palette& documentPalette)
        : m_frames(frames), m_document(store(documentPalette)) {
        m_perFrame.reserve(frames.size());
        for (const FramePtr& frame : frames)
            m_perFrame.push_back({store(frame->getOrigPalette()), store(frame->getNewPalette())});
        m_index.clear();
    }
    const Palette& documentPalette() const { return m_palettes[m_document]; }
    void restoreFrames() const {
        for (std::size_t i = 0; i < m_frames.size(); ++i) {
            m_frames[i]->seOriginalPalette(m_palettes[m_perFrame[i].first]);
            m_frames[i]->setNewPalette(m_palettes[m_perFrame[i].second]);
        }
    }

private:
    std::uint32_t store(const Palette& palette) {
        const auto [it, added] =
            m_index.try_emplace(palette, static_cast<std::uint32_t>(m_palettes.size()));
        if (added)
            m_palettes.push_back(palette);
        return it->second;
    }

    FrameList m_frames;
    std::vector<Palette> m_palettes;
    std::map<Palette, std::uint32_t> m_index;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_perFrame;
    std::uint32_t m_document;
};

class ApplyPalette : public Step {
public:
    ApplyPalette(Document& doc, Palette palette)
        : Step(doc, QStringLiteral("Select Palette")), m_before(doc.frames(), doc.palette()),
          m_palette(palette) {}
    void redo() override {
        m_doc.setPalette(m_palette);
        applyPaletteToFrames(frames(), m_palette);
        finish(m_doc.curFrame());
    }
    void undo() override {
        m_doc.setPalette(m_before.documentPalette());
        m_before.restoreFrames();
        finish(m_doc.curFrame());
    }

private:
    PaletteSnapshot m_before;
    Palette m_palette;
};

class MoveFrame : public Step {
public:
    MoveFrame(Document& doc, int number, int delta)
        : Step(doc, delta < 0 ? QStringLiteral("Move Frame Earlier")
                              : QStringLiteral("Move Frame Later")),
          m_from(number), m_to(number + delta) {}
    void redo() override { move(m_from, m_to); }
    void undo() override { move(m_to, m_from); }

private:
    void move(int from, int to) {
        FramePtr frame = frames()[slot(from)];
        frames().erase(frames().begin() + slot(from));
        frames().insert(frames().begin() + slot(to), std::move(frame));
        finish(to);
    }
    int m_from;
    int m_to;
};

// Swaps a frame's contents rather than the frame, so that whoever holds the
// frame (an external edit watching it) keeps holding the same one.
class ReplaceFrame : public Step {
public:
    ReplaceFrame(Document& doc, int number, const DC6Frame& contents, const QString& name)
        : Step(doc, name), m_number(number), m_frame(doc.frames()[slot(number)]),
          m_other(contents) {}
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap() {
        std::swap(*m_frame, m_other);
        finish(m_number);
    }
    int m_number;
    FramePtr m_frame;
    DC6Frame m_other;
};

class SetDirections : public Step {
public:
    SetDirections(Document& doc, int directions, const QString& name)
        : Step(doc, name), m_other(directions) {}
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();
    int m_other;
};

} // namespace

void adoptOpenedFrames(const FrameList& frames, const Palette& palette) {
    for (const FramePtr& frame : frames) {
        frame->seOriginalPalette(palette);
        frame->setNewPalette(palette);
    }
}

void adoptImportedFrames(const FrameList& frames, const Palette& palette) {
    for (const FramePtr& frame : frames)
        frame->setNewPalette(palette);
}

Document::Document(QObject* parent) : QObject(parent) {
    connect(&m_undo, &QUndoStack::cleanChanged, this, &Document::updateModified);
}

Document::~Document() {
    // Steps refer to the document; they go first. Emptying the history here
    // is no change to tell anyone of: it would make a modified document look
    // clean to a recovery keeper, which would then remove its copy.
    blockSignals(true);
    m_undo.clear();
}

FramePtr Document::currentFrame() const {
    if (m_curFrame < 1 || m_curFrame > frameCount())
        return nullptr;
    return m_frames[slot(m_curFrame)];
}

int Document::room() const {
    return limits::kMaxFrames - frameCount();
}

void Document::replace(FrameList frames, const QString& fileName, int directions) {
    reset(std::move(frames), fileName, directions, false, 1);
}

void Document::clear() {
    replace({}, QString(), 1);
}

void Document::reset(FrameList frames, const QString& fileName, int directions, bool restored,
                     int curFrame) {
    // The state is settled before the history goes, so the clean signal of
    // the emptied stack already sees the new document.
    m_restored = restored;
    m_savedTransform = m_transform;
    m_knownFile = {};
    m_frames = std::move(frames);
    m_curFrame = curFrame;
    m_fileName = fileName;
    m_directions = std::max(1, directions);
    m_undo.clear();
    notify();
}

void Document::notify() {
    updateModified();
    emit changed();
    emit contentsChanged();
}

void Document::updateModified() {
    const bool modified =
        m_restored || !m_undo.isClean() || (!m_frames.empty() && m_transform != m_savedTransform);
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void Document::setPalette(const Palette& palette) {
    if (palette == m_palette)
        return;
    m_palette = palette;
    emit contentsChanged();
}

void Document::setTransform(bool on) {
    if (on == m_transform)
        return;
    m_transform = on;
    updateModified();
    emit contentsChanged();
}

void Document::setOpenedLayout(bool ownLayout) {
    m_knownFile = KnownFile::describe(m_fileName, ownLayout);
}

QString Document::keepOriginal(const QString& path) const {
    return document::keepOriginal(path, &m_knownFile);
}

void Document::markSaved(const QString& fileName) {
    m_fileName = fileName;
    m_restored = false;
    m_savedTransform = m_transform;
    m_knownFile = KnownFile::describe(fileName, true);
    m_undo.setClean();
    updateModified();
}

DocumentSnapshot Document::snapshot() const {
    DocumentSnapshot state;
    state.frames.reserve(m_frames.size());
    for (const FramePtr& frame : m_frames)
        state.frames.push_back(*frame);
    state.directions = m_directions;
    state.curFrame = m_curFrame;
    state.palette = m_palette;
    state.transform = m_transform;
    state.fileName = m_fileName;
    return state;
}

void Document::restore(const DocumentSnapshot& state) {
    FrameList frames;
    frames.reserve(state.frames.size());
    for (const DC6Frame& frame : state.frames)
        frames.push_back(std::make_shared<DC6Frame>(frame));
    m_palette = state.palette;
    m_transform = state.transform;
    const int count = static_cast<int>(frames.size());
    reset(std::move(frames), state.fileName, state.directions, true,
          std::clamp(state.curFrame, std::min(count, 1), count));
}

void Document::push(Step* step) {
    m_undo.push(step);
}

bool Document::insertFrames(FrameList added, int at, const QString& stepName) {
    if (added.empty() || std::ssize(added) > room() || at < 0 || at > frameCount())
        return false;
    // Adding to an empty document makes the first new frame current; otherwise
    // the number stays (after an insert it designates the first new frame).
    const int currentAfter = m_curFrame == 0 ? 1 : m_curFrame;
    adoptImportedFrames(added, m_palette);
    push(new InsertFrames(*this, std::move(added), at, stepName, currentAfter));
    return true;
}

void Document::removeFrame(int number) {
    if (number >= 1 && number <= frameCount())
        push(new RemoveFrame(*this, number));
}

void Document::setOffset(int number, Axis axis, std::int32_t value) {
    if (number < 1 || number > frameCount())
        return;
    const DC6Frame& frame = *m_frames[slot(number)];
    if ((axis == Axis::X ? frame.get_X_offset() : frame.get_Y_offset()) != value)
        push(new SetOffset(*this, number, axis, value));
}

void Document::applyPalette(const Palette& palette) {
    push(new ApplyPalette(*this, palette));
}

void Document::moveFrame(int number, int delta) {
    if (number >= 1 && number <= frameCount() && number + delta >= 1 &&
        number + delta <= frameCount() && delta != 0)
        push(new MoveFrame(*this, number, delta));
}

void Document::duplicateFrame(int number) {
    if (number < 1 || number > frameCount() || room() < 1)
        return;
    auto copy = std::make_shared<DC6Frame>(*m_frames[slot(number)]);
    push(new InsertFrames(*this, {std::move(copy)}, number, QStringLiteral("Duplicate Frame"),
                          number + 1));
}

void Document::replaceFrame(int number, const DC6Frame& contents, const QString& stepName) {
    if (number >= 1 && number <= frameCount())
        push(new ReplaceFrame(*this, number, contents, stepName));
}

void Document::setDirections(int directions) {
    if (directions >= 1 && directions != m_directions)
        push(new SetDirections(*this, directions, QStringLiteral("Directions")));
}

void Document::setSavedDirections(int directions) {
    if (directions < 1 || directions == m_directions)
        return;
    push(new SetDirections(*this, directions,
                           directions == 1
                               ? QStringLiteral("Save as One Direction")
                               : QStringLiteral("Save as %1 Directions").arg(directions)));
}

void SetDirections::swap() {
    const int previous = m_doc.directions();
    setDirectionCount(m_other);
    m_other = previous;
    finish(m_doc.curFrame());
}

void Document::undo() {
    if (canUndo())
        m_undo.undo();
}

void Document::redo() {
    if (canRedo())
        m_undo.redo();
}

} // namespace quillet::document
