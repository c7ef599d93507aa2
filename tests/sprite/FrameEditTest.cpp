#include "sprite/FrameEdit.h"

#include "sprite/Error.h"
#include "support/SpriteTestSupport.h"

#include <limits>
#include <optional>

namespace quillet {
namespace {

using Kind = FrameEdit::Kind;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// A 3 x 2 frame, stored rows 1 2 3 (bottom) and 4 5 6 (top). A case with a
// `refusal` changes nothing and names the value; flips given twice, and any
// edit swapped back, leave the frame as it was.
TEST(FrameEdit, FlipsMirrorAboutTheAnchorAndOffsetsStayWithin32Bits) {
    const Bytes pixels = {1, 2, 3, 4, 5, 6};
    struct Case {
        FrameEdit edit;
        std::int32_t x, y;
        std::int32_t wantX, wantY;
        Bytes wantPixels;
        const char* refusal = nullptr;
    };
    const Case cases[] = {
        {{.kind = Kind::FlipHorizontal}, 5, 7, -8, 7, {3, 2, 1, 6, 5, 4}},
        {{.kind = Kind::FlipVertical}, 5, 7, 5, -5, {4, 5, 6, 1, 2, 3}},
        {{.kind = Kind::FlipHorizontal}, kMax - 2, 0, kMin, 0, {3, 2, 1, 6, 5, 4}},
        {{.kind = Kind::FlipHorizontal}, kMax - 1, 0, 0, 0, {}, "-2147483649"},
        {{.kind = Kind::FlipVertical}, 0, kMin + 3, 0, kMax, {4, 5, 6, 1, 2, 3}},
        {{.kind = Kind::FlipVertical}, 0, kMin + 2, 0, 0, {}, "2147483648"},
        {{.kind = Kind::ShiftOffset, .x = 3, .y = -2}, 5, 7, 8, 5, pixels},
        {{.kind = Kind::ShiftOffset, .x = 1}, kMax, 0, 0, 0, {}, "2147483647 + 1"},
        {{.kind = Kind::SetOffset, .x = -4}, 5, 7, -4, 7, pixels},
        {{.kind = Kind::SetOffset, .y = std::int64_t{kMax} + 1}, 5, 7, 0, 0, {}, "2147483648"},
        {{.kind = Kind::Canvas, .margins = {-2, 0, -1, 0}}, 5, 7, 0, 0, {}, "0 x 2"},
        {{.kind = Kind::Canvas, .margins = {0, 32766, 0, 0}}, 5, 7, 0, 0, {}, "3 x 32768"},
        {{.kind = Kind::ReplaceIndex, .from = 5, .to = 9}, 5, 7, 5, 7, {1, 2, 3, 4, 9, 6}},
        {{.kind = Kind::ReplaceIndex, .from = 8, .to = 9}, 5, 7, 5, 7, pixels},
        {{.kind = Kind::MapIndices, .table = rangeMapping(2, 5, 6, 3)},
         5,
         7,
         5,
         7,
         {1, 6, 5, 4, 3, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        const FramePtr frame = testing::makeFrame(3, 2, pixels, c.x, c.y);
        frame->setNewPalette(testing::distinctPalette());
        if (c.refusal) {
            try {
                editedState(*frame, c.edit);
                ADD_FAILURE() << "not refused";
            } catch (const QuilletError& e) {
                EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
            }
            continue;
        }
        FrameState state = editedState(*frame, c.edit);
        swapState(*frame, state);
        EXPECT_EQ(frame->get_X_offset(), c.wantX);
        EXPECT_EQ(frame->get_Y_offset(), c.wantY);
        EXPECT_EQ(frame->getPixelData(0), c.wantPixels);
        EXPECT_EQ(frame->getNewPalette(), testing::distinctPalette());
        if (c.edit.kind == Kind::FlipHorizontal || c.edit.kind == Kind::FlipVertical)
            state = editedState(*frame, c.edit);
        swapState(*frame, state);
        EXPECT_EQ(frame->get_X_offset(), c.x);
        EXPECT_EQ(frame->get_Y_offset(), c.y);
        EXPECT_EQ(frame->getPixelData(0), pixels);
    }
}

// The index at a place around the anchor, x to the right and y down; the
// frame covers x .. x + w - 1 and y - h .. y - 1, its stored row 0 the last.
std::optional<std::uint8_t> indexAt(const DC6Frame& frame, int x, int y) {
    const int column = x - frame.get_X_offset();
    const int row = frame.get_Y_offset() - 1 - y;
    if (column < 0 || row < 0 || column >= frame.get_X_size() || row >= frame.get_Y_size())
        return std::nullopt;
    return frame.pixels()[static_cast<std::size_t>(row * frame.get_X_size() + column)];
}

// A 4 x 3 frame at 5, 7: every place of the old and the new frame holds the
// same index, or 0 where there was none; trimming takes only 0 away.
TEST(FrameEdit, CanvasAndTrimKeepEveryPixelWhereItStoodAroundTheAnchor) {
    const Bytes full = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const Bytes bordered = {0, 0, 0, 0, 0, 5, 6, 0, 0, 0, 0, 0};
    const auto canvas = [](int left, int top, int right, int bottom) {
        return FrameEdit{.kind = Kind::Canvas, .margins = {left, top, right, bottom}};
    };
    const struct {
        const char* name;
        Bytes pixels;
        FrameEdit edit;
        int width, height;
    } cases[] = {
        {"room on every side", full, canvas(2, 1, 3, 4), 9, 8},
        {"cut at the left and bottom", full, canvas(-1, 0, 1, -2), 4, 1},
        {"trimmed to its opaque box", bordered, {.kind = Kind::Trim}, 2, 1},
        {"trimmed to nothing", Bytes(12, 0), {.kind = Kind::Trim}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FramePtr frame = testing::makeFrame(4, 3, c.pixels, 5, 7);
        const DC6Frame before = *frame;
        FrameState state = editedState(*frame, c.edit);
        swapState(*frame, state);
        EXPECT_EQ(frame->get_X_size(), c.width);
        EXPECT_EQ(frame->get_Y_size(), c.height);
        for (int y = -8; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                const auto now = indexAt(*frame, x, y);
                const auto was = indexAt(before, x, y);
                // A canvas change may cut pixels away, a trim only 0.
                if (now || c.edit.kind == Kind::Trim) {
                    EXPECT_EQ(now.value_or(0), was.value_or(0)) << x << "," << y;
                }
            }
    }
}

// Where each entry of a source range lands: the ends on the ends, the rest
// spread and rounded, halves away from the destination's start.
TEST(FrameEdit, RangesMapEndsOntoEndsAndSpreadTheRest) {
    const struct {
        const char* name;
        int from, fromLast, to, toLast;
        std::vector<std::pair<int, int>> landings; // entry, index it becomes
    } cases[] = {
        {"equal lengths", 16, 19, 40, 43, {{16, 40}, {17, 41}, {19, 43}, {15, 15}, {20, 20}}},
        {"shorter destination", 0, 4, 10, 12, {{0, 10}, {1, 11}, {2, 11}, {3, 12}, {4, 12}}},
        {"longer destination", 10, 12, 0, 9, {{10, 0}, {11, 5}, {12, 9}}},
        {"reversed source", 12, 10, 0, 9, {{10, 9}, {11, 5}, {12, 0}}},
        {"backwards destination", 0, 2, 9, 5, {{0, 9}, {1, 7}, {2, 5}}},
        {"one entry", 7, 7, 200, 210, {{7, 200}, {8, 8}}},
        {"ramp shifted by one", 32, 47, 33, 48, {{32, 33}, {47, 48}, {48, 48}}},
        {"whole palette reversed", 255, 0, 0, 255, {{0, 255}, {255, 0}, {100, 155}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MapTable table = rangeMapping(c.from, c.fromLast, c.to, c.toLast);
        for (const auto& [entry, index] : c.landings)
            EXPECT_EQ(table[static_cast<std::size_t>(entry)], index) << entry;
    }
}

} // namespace
} // namespace quillet
