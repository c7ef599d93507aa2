#pragma once

// Steps that change which frames the list holds and in what order: insert
// (Add, Insert, Duplicate), remove, and reorder (Move Frames, Move
// Earlier/Later).

#include "Step.h"
#include "sprite/FrameOrder.h"

namespace quillet::document::steps {

class InsertFrames : public Step {
public:
    // `at`: the slot the first new frame takes. `selectAdded`: the new frames
    // are selected from the start, not only when a redo brings them back.
    InsertFrames(Document& doc, FrameList added, int at, const QString& name, int currentAfter,
                 bool selectAdded = false);
    void redo() override;
    void undo() override;

private:
    FrameList m_added;
    int m_at;
    int m_currentAfter;
    bool m_selectAdded;
    bool m_done = false;
};

class RemoveFrames : public Step {
public:
    // `numbers` ascending, each once.
    RemoveFrames(Document& doc, std::vector<int> numbers);
    void redo() override;
    void undo() override;

private:
    std::vector<int> m_numbers;
    FrameList m_removed;
};

// Only the stretch of the new order that changes is kept, so swapping two
// neighbours in a long animation costs a few bytes.
class ReorderFrames : public Step {
public:
    ReorderFrames(Document& doc, const QString& name, const FrameOrder& order);
    void redo() override;
    void undo() override;

private:
    int m_first = 0;
    std::vector<int> m_order;
    int m_currentAfter = 0;
    std::vector<int> m_selectedAfter;
};

} // namespace quillet::document::steps
