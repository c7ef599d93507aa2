#include "FrameOrder.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <numeric>

namespace quillet {

namespace {

std::optional<FrameOrder> ifChanged(FrameOrder order) {
    if (std::is_sorted(order.begin(), order.end()))
        return std::nullopt;
    return order;
}

} // namespace

bool isFrameSelection(const std::vector<int>& numbers, int count) {
    return !numbers.empty() && numbers.front() >= 1 && numbers.back() <= count &&
           std::adjacent_find(numbers.begin(), numbers.end(), std::greater_equal<>()) ==
               numbers.end();
}

std::optional<FrameOrder> orderMovingFrames(int count, const std::vector<int>& numbers,
                                            int before) {
    if (!isFrameSelection(numbers, count) || before < 1 || before > count + 1)
        return std::nullopt;
    std::vector<int> rest;
    FrameOrder order;
    for (int i = 0, next = 0; i < count; ++i) {
        if (next < std::ssize(numbers) && numbers[static_cast<std::size_t>(next)] == i + 1)
            ++next;
        else
            rest.push_back(i);
    }
    const auto split = std::lower_bound(rest.begin(), rest.end(), before - 1);
    order.insert(order.end(), rest.begin(), split);
    for (int number : numbers)
        order.push_back(number - 1);
    order.insert(order.end(), split, rest.end());
    return ifChanged(std::move(order));
}

std::optional<FrameOrder> orderShiftingFrames(int count, const std::vector<int>& numbers,
                                              int delta) {
    if (!isFrameSelection(numbers, count) || delta == 0)
        return std::nullopt;
    std::vector<bool> chosen(static_cast<std::size_t>(count));
    for (int number : numbers)
        chosen[static_cast<std::size_t>(number - 1)] = true;
    FrameOrder order(chosen.size());
    std::iota(order.begin(), order.end(), 0);
    // A frame passes the neighbour on its way unless that one moves too; the
    // walk goes against the direction, so a block moves as a whole.
    const auto pass = [&](std::size_t a, std::size_t b) {
        if (chosen[static_cast<std::size_t>(order[b])] &&
            !chosen[static_cast<std::size_t>(order[a])])
            std::swap(order[a], order[b]);
    };
    if (delta < 0)
        for (std::size_t i = 1; i < order.size(); ++i)
            pass(i - 1, i);
    else
        for (std::size_t i = order.size() - 1; i-- > 0;)
            pass(i + 1, i);
    return ifChanged(std::move(order));
}

} // namespace quillet
