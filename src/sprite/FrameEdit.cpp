#include "FrameEdit.h"

#include "Error.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace quillet {

namespace {

std::int32_t checkedOffset(const char* axis, std::int64_t value, const std::string& how) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw QuilletError(std::string(axis) + " offset " + (how.empty() ? "" : how + " = ") +
                           std::to_string(value) + " leaves the 32-bit range");
    return static_cast<std::int32_t>(value);
}

// Every change of a frame's pixels goes through these, each making a new
// matrix of the same size and leaving the frame's own alone.
ByteView matrixOf(const DC6Frame& frame) {
    if (!frame.hasPixels())
        throw QuilletError("the frame has no pixels yet");
    return frame.pixels();
}

std::shared_ptr<const Bytes> mirroredRows(const DC6Frame& frame) {
    const ByteView source = matrixOf(frame);
    Bytes pixels(source.begin(), source.end());
    const auto width = static_cast<std::ptrdiff_t>(frame.get_X_size());
    for (auto row = pixels.begin(); row != pixels.end(); row += width)
        std::reverse(row, row + width);
    return std::make_shared<const Bytes>(std::move(pixels));
}

std::shared_ptr<const Bytes> reversedRows(const DC6Frame& frame) {
    const ByteView source = matrixOf(frame);
    const auto width = static_cast<std::ptrdiff_t>(frame.get_X_size());
    Bytes result(source.size());
    auto target = result.begin();
    for (auto row = source.end(); row != source.begin(); row -= width, target += width)
        std::copy(row - width, row, target);
    return std::make_shared<const Bytes>(std::move(result));
}

std::shared_ptr<const Bytes> replacedIndex(const DC6Frame& frame, std::uint8_t from,
                                           std::uint8_t to) {
    const ByteView source = matrixOf(frame);
    if (from == to || std::find(source.begin(), source.end(), from) == source.end())
        return nullptr;
    Bytes pixels(source.begin(), source.end());
    std::replace(pixels.begin(), pixels.end(), from, to);
    return std::make_shared<const Bytes>(std::move(pixels));
}

std::shared_ptr<const Bytes> mappedIndices(const DC6Frame& frame, const MapTable& table) {
    const ByteView source = matrixOf(frame);
    if (std::none_of(source.begin(), source.end(), [&](std::uint8_t p) { return table[p] != p; }))
        return nullptr;
    Bytes pixels(source.size());
    std::transform(source.begin(), source.end(), pixels.begin(),
                   [&](std::uint8_t p) { return table[p]; });
    return std::make_shared<const Bytes>(std::move(pixels));
}

// The frame given `margins`, its offsets keeping every kept pixel where it
// was relative to the anchor; nothing changes where no margin is given.
void addMargins(const DC6Frame& frame, const pixels::Margins& m, FrameState& state) {
    if (m.none())
        return;
    const ByteView source = matrixOf(frame);
    const std::int64_t w = frame.get_X_size();
    const std::int64_t h = frame.get_Y_size();
    try {
        checkedFramePixels(w + m.left + m.right, h + m.top + m.bottom);
    } catch (const QuilletError& e) {
        throw QuilletError("the new canvas is refused: " + std::string(e.what()));
    }
    const auto text = [](std::int64_t v) { return std::to_string(v); };
    state.x = checkedOffset("x", frame.get_X_offset() - m.left,
                            text(frame.get_X_offset()) + " - " + text(m.left));
    state.y = checkedOffset("y", frame.get_Y_offset() + m.bottom,
                            text(frame.get_Y_offset()) + " + " + text(m.bottom));
    state.width = static_cast<std::int32_t>(w + m.left + m.right);
    state.height = static_cast<std::int32_t>(h + m.top + m.bottom);
    state.pixels = std::make_shared<const Bytes>(
        pixels::withMargins(source, frame.get_X_size(), frame.get_Y_size(), m));
}

} // namespace

MapTable rangeMapping(int from, int fromLast, int to, int toLast) {
    MapTable table;
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(i);
    const int steps = std::abs(fromLast - from);
    const int direction = fromLast < from ? -1 : 1;
    const int span = toLast - to;
    for (int k = 0; k <= steps; ++k) {
        int target = to;
        if (steps > 0) {
            // k * span / steps rounded, halves away from `to`.
            const int twice = 2 * k * std::abs(span) / steps;
            target += (span < 0 ? -1 : 1) * ((twice + 1) / 2);
        }
        table[static_cast<std::size_t>(from + direction * k)] = static_cast<std::uint8_t>(target);
    }
    return table;
}

FrameState editedState(const DC6Frame& frame, const FrameEdit& edit) {
    const std::int64_t x = frame.get_X_offset();
    const std::int64_t y = frame.get_Y_offset();
    const std::int64_t w = frame.get_X_size();
    const std::int64_t h = frame.get_Y_size();
    const auto text = [](std::int64_t v) { return std::to_string(v); };
    FrameState state{frame.get_X_offset(), frame.get_Y_offset(), nullptr};
    switch (edit.kind) {
    case FrameEdit::Kind::SetOffset:
        if (edit.x)
            state.x = checkedOffset("x", *edit.x, "");
        if (edit.y)
            state.y = checkedOffset("y", *edit.y, "");
        break;
    case FrameEdit::Kind::ShiftOffset: {
        const std::int64_t dx = edit.x.value_or(0);
        const std::int64_t dy = edit.y.value_or(0);
        state.x = checkedOffset("x", x + dx, text(x) + " + " + text(dx));
        state.y = checkedOffset("y", y + dy, text(y) + " + " + text(dy));
        break;
    }
    case FrameEdit::Kind::FlipHorizontal:
        state.x = checkedOffset("x", -(x + w), "-(" + text(x) + " + " + text(w) + ")");
        state.pixels = mirroredRows(frame);
        break;
    case FrameEdit::Kind::FlipVertical:
        state.y = checkedOffset("y", h - y, text(h) + " - " + text(y));
        state.pixels = reversedRows(frame);
        break;
    case FrameEdit::Kind::ReplaceIndex:
        state.pixels = replacedIndex(frame, edit.from, edit.to);
        break;
    case FrameEdit::Kind::MapIndices:
        state.pixels = mappedIndices(frame, edit.table);
        break;
    case FrameEdit::Kind::Canvas:
        addMargins(frame, edit.margins, state);
        break;
    case FrameEdit::Kind::Trim:
        addMargins(frame,
                   pixels::trimmedMargins(matrixOf(frame), frame.get_X_size(), frame.get_Y_size()),
                   state);
        break;
    }
    return state;
}

void swapState(DC6Frame& frame, FrameState& state) {
    FrameState previous{frame.get_X_offset(), frame.get_Y_offset(), nullptr};
    if (state.pixels && state.width > 0) {
        previous.width = frame.get_X_size();
        previous.height = frame.get_Y_size();
        previous.pixels = frame.sharedPixels();
        frame.replacePixels(std::move(state.pixels), state.width, state.height);
    } else if (state.pixels) {
        previous.pixels = frame.sharedPixels();
        frame.replacePixels(std::move(state.pixels));
    }
    frame.set_X_offset(state.x);
    frame.set_Y_offset(state.y);
    state = std::move(previous);
}

} // namespace quillet
