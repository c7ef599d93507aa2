#include "FrameListSteps.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace quillet::document::steps {

namespace {

std::vector<int> numbersFrom(int first, std::size_t count) {
    std::vector<int> numbers(count);
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

} // namespace

InsertFrames::InsertFrames(Document& doc, FrameList added, int at, const QString& name,
                           int currentAfter, bool selectAdded)
    : Step(doc, name), m_added(std::move(added)), m_at(at), m_currentAfter(currentAfter),
      m_selectAdded(selectAdded) {}

void InsertFrames::redo() {
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

void InsertFrames::undo() {
    const auto first = frames().begin() + m_at;
    frames().erase(first, first + static_cast<std::ptrdiff_t>(m_added.size()));
    finishAsBefore();
}

RemoveFrames::RemoveFrames(Document& doc, std::vector<int> numbers)
    : Step(doc, numbers.size() == 1 ? QStringLiteral("Delete Frame %1").arg(numbers[0])
                                    : QStringLiteral("Delete %1 Frames").arg(numbers.size())),
      m_numbers(std::move(numbers)) {
    for (int number : m_numbers)
        m_removed.push_back(doc.frames()[slot(number)]);
}

// One pass over the list each way, so that deleting every frame of a long
// animation costs no more than opening it.
void RemoveFrames::redo() {
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
    // The first number now designates the frame that followed the first one
    // removed; past the end the new last frame becomes current (0 when none
    // is left).
    finish(std::min(m_numbers.front(), count()), std::vector<int>{});
}

void RemoveFrames::undo() {
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

ReorderFrames::ReorderFrames(Document& doc, const QString& name, const FrameOrder& order)
    : Step(doc, name) {
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

void ReorderFrames::redo() {
    FrameList taken;
    for (int from : m_order)
        taken.push_back(frames()[static_cast<std::size_t>(from)]);
    std::copy(taken.begin(), taken.end(), frames().begin() + m_first);
    finish(m_currentAfter, m_selectedAfter);
}

void ReorderFrames::undo() {
    const FrameList placed(frames().begin() + m_first,
                           frames().begin() + m_first + std::ssize(m_order));
    for (std::size_t i = 0; i < m_order.size(); ++i)
        frames()[static_cast<std::size_t>(m_order[i])] = placed[i];
    finishAsBefore();
}

} // namespace quillet::document::steps
