#include "Document.h"

#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "sprite/FrameEdit.h"
#include "sprite/FrameOrder.h"
#include "sprite/Limits.h"

#include <QUndoCommand>
#include <algorithm>
#include <iterator>
#include <map>
#include <numeric>
#include <optional>

namespace quillet::document {

// The base of every undoable edit: the document's state is reached through
// it, and each step leaves the frame it touched current, selects what it
// touched and tells the window.
class Step : public QUndoCommand {
public:
    Step(Document& doc, const QString& name)
        : QUndoCommand(name), m_doc(doc), m_currentBefore(doc.curFrame()),
          m_selectedBefore(doc.selection()) {}

protected:
    FrameList& frames() { return m_doc.m_frames; }
    int count() const { return m_doc.frameCount(); }
    void setDirectionCount(int directions) { m_doc.m_directions = directions; }
    // `selected` joined by `current`; without it the selection stays if it
    // holds the current frame (the frames kept their places), else the
    // current frame is selected alone.
    void finish(int current, std::optional<std::vector<int>> selected = std::nullopt) {
        m_doc.m_curFrame = current;
        if (!selected)
            selected = m_doc.isSelected(current) ? m_doc.m_selection : std::vector<int>{};
        m_doc.setSelection(std::move(*selected), current);
        m_doc.notify();
    }
    // The current frame and the selection from before the step, for an undo
    // that put the frames back where they were.
    void finishAsBefore() { finish(std::min(m_currentBefore, count()), m_selectedBefore); }

    Document& m_doc;
    const int m_currentBefore;
    const std::vector<int> m_selectedBefore;
};

namespace {

std::ptrdiff_t slot(int number) {
    return static_cast<std::ptrdiff_t>(number) - 1;
}

std::vector<int> numbersFrom(int first, std::size_t count) {
    std::vector<int> numbers(count);
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

class InsertFrames : public Step {
public:
    // `selectAdded`: the new frames are selected from the start, not only
    // when a redo brings them back.
    InsertFrames(Document& doc, FrameList added, int at, const QString& name, int currentAfter,
                 bool selectAdded = false)
        : Step(doc, name), m_added(std::move(added)), m_at(at), m_currentAfter(currentAfter),
          m_selectAdded(selectAdded) {}
    void redo() override {
        frames().insert(frames().begin() + m_at, m_added.begin(), m_added.end());
        // The first time, the command's own rule for the current frame holds;
        // a redo shows the first frame it brought back.
        const std::vector<int> added = numbersFrom(m_at + 1, m_added.size());
        if (m_done)
            finish(m_at + 1, added);
        else
            finish(m_currentAfter, m_selectAdded ? added : std::vector<int>{});
        m_done = true;
    }
    void undo() override {
        const auto first = frames().begin() + m_at;
        frames().erase(first, first + static_cast<std::ptrdiff_t>(m_added.size()));
        finishAsBefore();
    }

private:
    FrameList m_added;
    int m_at;
    int m_currentAfter;
    bool m_selectAdded;
    bool m_done = false;
};

class RemoveFrames : public Step {
public:
    RemoveFrames(Document& doc, std::vector<int> numbers)
        : Step(doc, numbers.size() == 1 ? QStringLiteral("Delete Frame %1").arg(numbers[0])
                                        : QStringLiteral("Delete %1 Frames").arg(numbers.size())),
          m_numbers(std::move(numbers)) {
        for (int number : m_numbers)
            m_removed.push_back(doc.frames()[slot(number)]);
    }
    // One pass over the list each way, so that deleting every frame of a
    // long animation costs no more than opening it.
    void redo() override {
        FrameList kept;
        kept.reserve(frames().size() - m_numbers.size());
        auto removed = m_numbers.begin();
        for (std::size_t i = 0; i < frames().size(); ++i) {
            if (removed != m_numbers.end() && *removed == static_cast<int>(i) + 1)
                ++removed;
            else
                kept.push_back(std::move(frames()[i]));
        }
        frames() = std::move(kept);
        // The first number now designates the frame that followed the first
        // one removed; past the end the new last frame becomes current (0
        // when none is left).
        finish(std::min(m_numbers.front(), count()), std::vector<int>{});
    }
    void undo() override {
        FrameList merged;
        merged.reserve(frames().size() + m_numbers.size());
        auto kept = frames().begin();
        for (std::size_t i = 0; i < m_numbers.size(); ++i) {
            while (std::ssize(merged) < slot(m_numbers[i]))
                merged.push_back(std::move(*kept++));
            merged.push_back(m_removed[i]);
        }
        std::move(kept, frames().end(), std::back_inserter(merged));
        frames() = std::move(merged);
        finishAsBefore();
    }

private:
    std::vector<int> m_numbers;
    FrameList m_removed;
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

// Only the stretch of the new order that changes is kept, so swapping two
// neighbours in a long animation costs a few bytes.
class ReorderFrames : public Step {
public:
    ReorderFrames(Document& doc, const QString& name, const FrameOrder& order) : Step(doc, name) {
        const auto moved = [&](int i) { return order[static_cast<std::size_t>(i)] != i; };
        const int size = static_cast<int>(order.size());
        int last = size - 1;
        while (m_first < size && !moved(m_first))
            ++m_first;
        while (last > m_first && !moved(last))
            --last;
        m_order.assign(order.begin() + m_first, order.begin() + last + 1);
        std::vector<int> placeOf(order.size());
        for (int i = 0; i < size; ++i)
            placeOf[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])] = i + 1;
        const auto after = [&](int number) { return placeOf[slot(number)]; };
        m_currentAfter = after(doc.curFrame());
        for (int number : doc.selection())
            m_selectedAfter.push_back(after(number));
    }
    void redo() override {
        FrameList taken;
        for (int from : m_order)
            taken.push_back(frames()[static_cast<std::size_t>(from)]);
        std::copy(taken.begin(), taken.end(), frames().begin() + m_first);
        finish(m_currentAfter, m_selectedAfter);
    }
    void undo() override {
        const FrameList placed(frames().begin() + m_first,
                               frames().begin() + m_first + std::ssize(m_order));
        for (std::size_t i = 0; i < m_order.size(); ++i)
            frames()[static_cast<std::size_t>(m_order[i])] = placed[i];
        finishAsBefore();
    }

private:
    int m_first = 0;
    std::vector<int> m_order;
    int m_currentAfter = 0;
    std::vector<int> m_selectedAfter;
};

// Offsets or pixels of several frames. Each holds the state it does not show
// at the moment, and redo and undo swap the two, so the frame objects stay
// the same (whoever watches one keeps watching it).
class EditFrames : public Step {
public:
    EditFrames(Document& doc, const QString& name, std::vector<int> numbers,
               std::vector<FrameState> states)
        : Step(doc, name), m_numbers(std::move(numbers)), m_states(std::move(states)) {
        for (int number : m_numbers)
            m_frames.push_back(doc.frames()[slot(number)]);
        m_current = std::binary_search(m_numbers.begin(), m_numbers.end(), doc.curFrame())
                        ? doc.curFrame()
                        : m_numbers.front();
    }
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap() {
        for (std::size_t i = 0; i < m_frames.size(); ++i)
            swapState(*m_frames[i], m_states[i]);
        finish(m_current, m_numbers);
    }
    std::vector<int> m_numbers;
    std::vector<FrameState> m_states;
    FrameList m_frames;
    int m_current = 0;
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

void Document::setCurFrame(int number) {
    m_curFrame = number;
    if (!isSelected(number))
        setSelection({}, number);
}

bool Document::isSelected(int number) const {
    return std::binary_search(m_selection.begin(), m_selection.end(), number);
}

void Document::select(std::vector<int> numbers, int current) {
    if (current < 1 || current > frameCount())
        return;
    const bool moved = current != m_curFrame;
    m_curFrame = current;
    setSelection(std::move(numbers), current);
    if (moved)
        notify();
}

void Document::setSelection(std::vector<int> numbers, int current) {
    const int count = frameCount();
    numbers.push_back(current);
    std::erase_if(numbers, [count](int number) { return number < 1 || number > count; });
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    if (numbers == m_selection)
        return;
    m_selection = std::move(numbers);
    emit selectionChanged();
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
    setSelection({}, m_curFrame);
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

QString Document::keepOriginal(const QString& path) const {
    return document::keepOriginal(path, &m_knownFile);
}

void Document::markSaved(const QString& fileName) {
    m_fileName = fileName;
    m_restored = false;
    m_savedTransform = m_transform;
    m_knownFile = KnownFile::describe(fileName);
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
    removeFrames({number});
}

void Document::removeFrames(const std::vector<int>& numbers) {
    if (isFrameSelection(numbers, frameCount()))
        push(new RemoveFrames(*this, numbers));
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
    shiftFrames({number}, delta);
}

void Document::shiftFrames(const std::vector<int>& numbers, int delta) {
    const std::optional<FrameOrder> order = orderShiftingFrames(frameCount(), numbers, delta);
    if (!order)
        return;
    const QString name =
        numbers.size() == 1 ? QStringLiteral("Move Frame %1") : QStringLiteral("Move Frames %1");
    push(new ReorderFrames(
        *this, name.arg(delta < 0 ? QStringLiteral("Earlier") : QStringLiteral("Later")), *order));
}

void Document::moveFrames(const std::vector<int>& numbers, int before) {
    if (const std::optional<FrameOrder> order = orderMovingFrames(frameCount(), numbers, before))
        push(new ReorderFrames(*this, QStringLiteral("Move Frames"), *order));
}

void Document::duplicateFrame(int number) {
    duplicateFrames({number});
}

bool Document::duplicateFrames(const std::vector<int>& numbers) {
    if (!isFrameSelection(numbers, frameCount()) || std::ssize(numbers) > room())
        return false;
    FrameList copies;
    int current = numbers.back() + 1;
    for (int number : numbers) {
        if (number == m_curFrame)
            current = numbers.back() + 1 + static_cast<int>(copies.size());
        copies.push_back(std::make_shared<DC6Frame>(*m_frames[slot(number)]));
    }
    const QString name = numbers.size() == 1
                             ? QStringLiteral("Duplicate Frame")
                             : QStringLiteral("Duplicate %1 Frames").arg(numbers.size());
    push(new InsertFrames(*this, std::move(copies), numbers.back(), name, current, true));
    return true;
}

void Document::editFrames(const std::vector<int>& numbers, const FrameEdit& edit,
                          const QString& stepName) {
    if (!isFrameSelection(numbers, frameCount()))
        return;
    std::vector<FrameState> states;
    bool changes = false;
    for (int number : numbers) {
        const DC6Frame& frame = *m_frames[slot(number)];
        try {
            states.push_back(editedState(frame, edit));
        } catch (const QuilletError& e) {
            throw QuilletError("frame " + std::to_string(number) + ": " + e.what());
        }
        const FrameState& state = states.back();
        changes = changes || state.pixels || state.x != frame.get_X_offset() ||
                  state.y != frame.get_Y_offset();
    }
    if (changes)
        push(new EditFrames(*this, stepName, numbers, std::move(states)));
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
