#pragma once

// Steps that change what frames hold (offsets, pixels, the whole contents)
// and leave the frame objects in place, so that whoever holds one (an
// external edit watching it) keeps holding the same frame.

#include "Step.h"
#include "sprite/FrameEdit.h"

#include <cstdint>
#include <optional>

namespace quillet::document::steps {

class SetOffset : public Step {
public:
    SetOffset(Document& doc, int number, Axis axis, std::int32_t value);
    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }
    int id() const override;
    // Keystrokes in one box on one frame make one step.
    bool mergeWith(const QUndoCommand* other) override;

private:
    std::int32_t get() const;
    void apply(std::int32_t value);

    int m_number;
    Axis m_axis;
    FramePtr m_frame;
    std::int32_t m_before;
    std::int32_t m_after;
};

// Offsets or pixels of several frames. Each holds the state it does not show
// at the moment, and redo and undo swap the two; an original palette given
// for a frame is swapped with its own likewise.
class EditFrames : public Step {
public:
    EditFrames(Document& doc, const QString& name, std::vector<int> numbers,
               std::vector<FrameState> states, std::vector<std::optional<Palette>> originals);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();

    std::vector<int> m_numbers;
    std::vector<FrameState> m_states;
    std::vector<std::optional<Palette>> m_originals;
    FrameList m_frames;
    int m_current = 0;
};

// Swaps a frame's contents (pixels, size, offsets, palettes) rather than the frame.
class ReplaceFrame : public Step {
public:
    ReplaceFrame(Document& doc, int number, const DC6Frame& contents, const QString& name);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();

    int m_number;
    FramePtr m_frame;
    DC6Frame m_other;
};

} // namespace quillet::document::steps
