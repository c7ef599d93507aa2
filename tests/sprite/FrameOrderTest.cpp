#include "sprite/FrameOrder.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

// Slot i of the result takes the frame from slot order[i]; an empty order
// stands for "no change", which leaves no step to undo.
TEST(FrameOrder, MovesGiveThePermutationOrNoChange) {
    enum Kind { Move, Shift };
    const struct {
        const char* what;
        Kind kind;
        int count;
        std::vector<int> numbers;
        int to; // Move: the frame they go before; Shift: the direction
        FrameOrder order;
    } cases[] = {
        {"block to the start", Move, 5, {3, 4}, 1, {2, 3, 0, 1, 4}},
        {"block to the end", Move, 5, {1, 2}, 6, {2, 3, 4, 0, 1}},
        {"block to the middle", Move, 5, {1, 2}, 4, {2, 0, 1, 3, 4}},
        {"scattered gather", Move, 5, {1, 3, 5}, 3, {1, 0, 2, 4, 3}},
        {"before itself", Move, 5, {2, 3}, 2, {}},
        {"right after itself", Move, 5, {2, 3}, 4, {}},
        {"before 0", Move, 5, {2}, 0, {}},
        {"past the end", Move, 5, {2}, 7, {}},
        {"no frames", Move, 5, {}, 1, {}},
        {"out of order", Move, 5, {3, 1}, 5, {}},
        {"twice", Move, 5, {2, 2}, 5, {}},
        {"beyond the list", Move, 5, {6}, 1, {}},
        {"block earlier", Shift, 5, {2, 3}, -1, {1, 2, 0, 3, 4}},
        {"block later", Shift, 5, {2, 3}, +1, {0, 3, 1, 2, 4}},
        {"scattered later", Shift, 5, {1, 3}, +1, {1, 0, 3, 2, 4}},
        {"first stays, another moves", Shift, 4, {1, 3}, -1, {0, 2, 1, 3}},
        {"block at the start earlier", Shift, 5, {1, 2}, -1, {}},
        {"block at the end later", Shift, 5, {4, 5}, +1, {}},
        {"no direction", Shift, 5, {2}, 0, {}},
        {"empty list", Shift, 0, {1}, -1, {}},
        {"unsorted", Shift, 5, {4, 2}, -1, {}},
    };
    for (const auto& c : cases) {
        const std::optional<FrameOrder> order = c.kind == Move
                                                    ? orderMovingFrames(c.count, c.numbers, c.to)
                                                    : orderShiftingFrames(c.count, c.numbers, c.to);
        EXPECT_EQ(order.value_or(FrameOrder{}), c.order) << c.what;
    }
}

} // namespace
} // namespace quillet
