#pragma once

#include <optional>
#include <vector>

namespace quillet {

// A new order of a frame list: slot i takes the frame from slot order[i]
// (both 0-based), so undoing it needs nothing but the same vector.
using FrameOrder = std::vector<int>;

// Frame numbers (1-based) of a list of `count` frames, ascending and each
// once, at least one: anything else selects nothing to change.
bool isFrameSelection(const std::vector<int>& numbers, int count);

// "Move Frames": the frames `numbers`, in their order, go where frame
// `before` stands (count + 1: to the end). Nothing when the order stays or
// the input names no frames of the list.
std::optional<FrameOrder> orderMovingFrames(int count, const std::vector<int>& numbers, int before);

// "Move Earlier/Later": each frame of `numbers` one place earlier (delta < 0)
// or later (delta > 0), unless the frame there is one of them too or there
// is none; nothing when none can move.
std::optional<FrameOrder> orderShiftingFrames(int count, const std::vector<int>& numbers,
                                              int delta);

} // namespace quillet
