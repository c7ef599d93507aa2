#pragma once

namespace quillet::document::steps {

// Steps of one kind that follow each other merge into one when their
// QUndoCommand::id() is the same; a step that never merges keeps the
// default of -1. Every id is listed here, so two kinds never share one.
enum class StepId : int {
    Offset = 1, // keystrokes in one offset box
};

constexpr int idOf(StepId id) {
    return static_cast<int>(id);
}

} // namespace quillet::document::steps
