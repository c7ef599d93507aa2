#include "display/tools/Tools.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <string_view>

namespace quillet::display::tools {
namespace {

// Rows of digits, stored row 0 first, split by '/'.
Bytes grid(std::string_view rows) {
    Bytes pixels;
    for (char c : rows)
        if (c != '/')
            pixels.push_back(static_cast<std::uint8_t>(c - '0'));
    return pixels;
}

// The drawing index is 5. Events are "p" (press), "m" (move) or "r"
// (release) at x,y, "s" after them for Shift and "c" for Ctrl; each press
// starts a stroke on what the one before left.
TEST(DrawingTools, TurnMouseEventsIntoTheirPixels) {
    using enum ToolKind;
    void (Tool::*const kSteps[])(Stroke&, Point, Modifiers) = {&Tool::press, &Tool::move,
                                                               &Tool::release};
    const struct {
        const char* what;
        ToolKind tool;
        const char *before, *events, *after;
        const char* locked = ""; // protected indices
    } cases[] = {
        {"shift+click joins the last point", Pencil, "0000/0000/0000", "p0,0 r0,0 p3,2s r3,2s",
         "5000/0550/0005"},
        {"a line from far away", Pencil, "000/000", "p-100000,1 r100000,1", "000/555"},
        {"the eraser paints 0", Eraser, "555/555", "p0,0 r2,0", "000/555"},
        {"a line anew at every move, at 45 degrees with shift", Line, "0000/0000/0000/0000",
         "p0,0 m4,1 r3,2s", "5000/0500/0050/0005"},
        {"shift makes a square", Rectangle, "00000/00000/00000/00000", "p0,0 r3,1s",
         "55550/50050/50050/55550"},
        {"a far corner", Rectangle, "000/000/000", "p1,1 r99999,99999", "000/055/050"},
        {"ctrl fills every pixel of the index", Fill, "110/100/001", "p0,0c r0,0c", "550/500/005"},
        {"a stroke passes over protected pixels", Pencil, "03030", "p0,0 r4,0", "53535", "3"},
        {"a protected index paints nothing", Fill, "000", "p0,0 r0,0", "000", "5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<Tool> tool = makeTool(c.tool);
        const int width = static_cast<int>(std::strcspn(c.before, "/"));
        Bytes pixels = grid(c.before);
        const int height = static_cast<int>(pixels.size()) / width;
        std::optional<Stroke> stroke;
        pixels::IndexSet locked;
        for (const char* index = c.locked; *index; ++index)
            locked.set(static_cast<std::size_t>(*index - '0'));
        std::istringstream events(c.events);
        for (std::string event; events >> event;) {
            Point at;
            std::sscanf(event.c_str() + 1, "%d,%d", &at.x, &at.y);
            const Modifiers keys{event.back() == 's', event.back() == 'c'};
            if (event[0] == 'p')
                stroke.emplace(pixels, width, height, tool->paintsWith(5), locked);
            (tool.get()->*kSteps[std::string_view("pmr").find(event[0])])(*stroke, at, keys);
            if (event[0] != 'r')
                continue;
            // Every pixel the stroke changed lies in the box it names.
            const Bytes old = std::exchange(pixels, stroke->takePixels());
            for (std::size_t i = 0; i < old.size(); ++i)
                EXPECT_TRUE(old[i] == pixels[i] ||
                            stroke->changed().contains({int(i) % width, int(i) / width}));
        }
        EXPECT_EQ(pixels, grid(c.after));
    }
}

} // namespace
} // namespace quillet::display::tools
