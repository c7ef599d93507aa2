#include "Document.h"

#include "palette/PaletteFile.h"
#include "sprite/Error.h"
#include "sprite/FrameEdit.h"
#include "sprite/FrameOrder.h"
#include "sprite/Limits.h"
#include "steps/DocumentSteps.h"
#include "steps/DrawingSteps.h"
#include "steps/FrameContentSteps.h"
#include "steps/FrameListSteps.h"

#include <algorithm>
#include <array>
#include <optional>

namespace quillet::document {

using steps::slot;

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
    // Frames come and go by steps and undo; each takes the set as it is now.
    for (const FramePtr& frame : m_frames)
        frame->setProtectedEntries(m_protected);
    updateModified();
    emit framesChanged();
    emit snapshotChanged();
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
    if (changePalette(palette) && !m_frames.empty())
        emit framesChanged();
    emit snapshotChanged();
}

bool Document::changePalette(const Palette& palette) {
    m_palette = palette;
    return m_protectionLookup && takeProtection(m_protectionLookup(palette));
}

void Document::setProtectionLookup(std::function<IndexSet(const Palette&)> lookup) {
    m_protectionLookup = std::move(lookup);
}

void Document::setProtectedEntries(IndexSet entries) {
    // Frames re-indexed into the palette may come out otherwise.
    if (takeProtection(entries))
        emit framesChanged();
}

bool Document::takeProtection(IndexSet entries) {
    entries.reset(0); // transparent, whatever the palette holds there
    if (entries == m_protected)
        return false;
    m_protected = entries;
    for (const FramePtr& frame : m_frames)
        frame->setProtectedEntries(m_protected);
    emit protectedEntriesChanged();
    return true;
}

void Document::setTransform(bool on) {
    if (on == m_transform)
        return;
    m_transform = on;
    updateModified();
    emit snapshotChanged();
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
    changePalette(state.palette);
    m_transform = state.transform;
    const int count = static_cast<int>(frames.size());
    reset(std::move(frames), state.fileName, state.directions, true,
          std::clamp(state.curFrame, std::min(count, 1), count));
}

void Document::push(steps::Step* step) {
    m_undo.push(step);
}

bool Document::insertFrames(FrameList added, int at, const QString& stepName) {
    if (added.empty() || std::ssize(added) > room() || at < 0 || at > frameCount())
        return false;
    // Adding to an empty document makes the first new frame current; otherwise
    // the number stays (after an insert it designates the first new frame).
    const int currentAfter = m_curFrame == 0 ? 1 : m_curFrame;
    adoptImportedFrames(added, m_palette, m_protected);
    push(new steps::InsertFrames(*this, std::move(added), at, stepName, currentAfter));
    return true;
}

bool Document::addFramesInDirections(FrameList added, int directions, const QString& stepName) {
    if (!m_frames.empty() || directions < 1 || directions == m_directions)
        return insertFrames(std::move(added), frameCount(), stepName);
    if (added.empty() || std::ssize(added) > room())
        return false;
    m_undo.beginMacro(stepName);
    insertFrames(std::move(added), 0, stepName);
    push(new steps::SetDirections(*this, directions, stepName));
    m_undo.endMacro();
    return true;
}

void Document::removeFrames(const std::vector<int>& numbers) {
    if (isFrameSelection(numbers, frameCount()))
        push(new steps::RemoveFrames(*this, numbers));
}

void Document::setOffset(int number, Axis axis, std::int32_t value) {
    if (number < 1 || number > frameCount())
        return;
    const DC6Frame& frame = *m_frames[slot(number)];
    if ((axis == Axis::X ? frame.get_X_offset() : frame.get_Y_offset()) != value)
        push(new steps::SetOffset(*this, number, axis, value));
}

void Document::applyPalette(const Palette& palette) {
    push(new steps::ApplyPalette(*this, palette));
}

void Document::shiftFrames(const std::vector<int>& numbers, int delta) {
    const std::optional<FrameOrder> order = orderShiftingFrames(frameCount(), numbers, delta);
    if (!order)
        return;
    const QString name =
        numbers.size() == 1 ? QStringLiteral("Move Frame %1") : QStringLiteral("Move Frames %1");
    push(new steps::ReorderFrames(
        *this, name.arg(delta < 0 ? QStringLiteral("Earlier") : QStringLiteral("Later")), *order));
}

void Document::moveFrames(const std::vector<int>& numbers, int before) {
    if (const std::optional<FrameOrder> order = orderMovingFrames(frameCount(), numbers, before))
        push(new steps::ReorderFrames(*this, QStringLiteral("Move Frames"), *order));
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
    push(new steps::InsertFrames(*this, std::move(copies), numbers.back(), name, current, true));
    return true;
}

void Document::editFrames(const std::vector<int>& numbers, const FrameEdit& edit,
                          const QString& stepName) {
    if (!isFrameSelection(numbers, frameCount()))
        return;
    std::vector<FrameState> states;
    std::vector<std::optional<Palette>> originals(numbers.size());
    bool changes = false;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const DC6Frame& frame = *m_frames[slot(numbers[i])];
        try {
            states.push_back(stateAfter(frame, edit, originals[i]));
        } catch (const QuilletError& e) {
            throw QuilletError("frame " + std::to_string(numbers[i]) + ": " + e.what());
        }
        const FrameState& state = states.back();
        changes = changes || state.pixels || state.x != frame.get_X_offset() ||
                  state.y != frame.get_Y_offset();
    }
    if (changes)
        push(new steps::EditFrames(*this, stepName, numbers, std::move(states),
                                   std::move(originals)));
}

// Replace Colour and Remap Colours name indices as they are shown and saved.
// A frame that a save re-indexes into the document palette (a picture with
// a palette of its own, Transform palette on) is converted in the same step,
// as a drawing tool converts it: its matrix then holds the indices as saved,
// edited, and its original palette becomes the document palette. One whose
// indices the edit leaves alone stays as it is.
FrameState Document::stateAfter(const DC6Frame& frame, const FrameEdit& edit,
                                std::optional<Palette>& original) const {
    const bool indices =
        edit.kind == FrameEdit::Kind::ReplaceIndex || edit.kind == FrameEdit::Kind::MapIndices;
    if (!indices || !m_transform || !frame.hasPixels() ||
        frame.getOrigPalette() == frame.getNewPalette())
        return editedState(frame, edit);
    const MapTable wanted = edit.kind == FrameEdit::Kind::MapIndices
                                ? edit.table
                                : rangeMapping(edit.from, edit.from, edit.to, edit.to);
    const MapTable saved = frame.mappingTable(palTransform());
    std::array<bool, 256> present{};
    for (const std::uint8_t pixel : frame.pixels())
        present[pixel] = true;
    FrameEdit converting{.kind = FrameEdit::Kind::MapIndices};
    bool changes = false;
    for (std::size_t i = 0; i < converting.table.size(); ++i) {
        converting.table[i] = wanted[saved[i]];
        changes = changes || (present[i] && wanted[saved[i]] != saved[i]);
    }
    if (!changes)
        return {frame.get_X_offset(), frame.get_Y_offset(), nullptr};
    original = frame.getNewPalette();
    return editedState(frame, converting);
}

DC6Frame Document::editedCopy(int number, const FrameEdit& edit) const {
    if (number < 1 || number > frameCount())
        return {};
    DC6Frame copy = *m_frames[slot(number)];
    std::optional<Palette> original;
    FrameState state = stateAfter(copy, edit, original);
    swapState(copy, state);
    if (original)
        copy.seOriginalPalette(*original);
    return copy;
}

void Document::replaceFrame(int number, const DC6Frame& contents, const QString& stepName) {
    if (number >= 1 && number <= frameCount())
        push(new steps::ReplaceFrame(*this, number, contents, stepName));
}

void Document::setDirections(int directions) {
    if (directions >= 1 && directions != m_directions)
        push(new steps::SetDirections(*this, directions, QStringLiteral("Directions")));
}

bool Document::paintFrame(int number, const pixels::Rect& changed, Bytes pixels,
                          const QString& toolName) {
    if (number < 1 || number > frameCount() || changed.empty())
        return false;
    const DC6Frame& frame = *m_frames[slot(number)];
    const pixels::Rect bounds{0, 0, frame.get_X_size(), frame.get_Y_size()};
    if (!frame.hasPixels() || std::ssize(pixels) != bounds.area() ||
        changed.intersected(bounds) != changed)
        return false;
    // What Save would map is what the tools were shown and drew on.
    const bool converts = m_transform && frame.getOrigPalette() != frame.getNewPalette();
    push(new steps::PaintPixels(*this, number, changed, std::move(pixels), converts, toolName));
    return true;
}

void Document::setSavedDirections(int directions) {
    if (directions < 1 || directions == m_directions)
        return;
    push(new steps::SetDirections(*this, directions,
                                  directions == 1
                                      ? QStringLiteral("Save as One Direction")
                                      : QStringLiteral("Save as %1 Directions").arg(directions)));
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
