#include "display/DrawPic.h"
#include "display/ImageArea.h"
#include "display/frmShowFrame.h"

#include <gtest/gtest.h>
#include <vector>

namespace quillet::display {
namespace {

TEST(frmShowFrame, StartsAsASmallToolWindowWithAnEmptyArea) {
    frmShowFrame window;
    EXPECT_EQ(window.windowTitle(), "Frame Preview");
    EXPECT_EQ(window.windowType(), Qt::Tool);
    EXPECT_FALSE(window.windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.size(), QSize(134, 71));
    EXPECT_EQ(window.Img().geometry(), QRect(8, 8, 25, 25));
}

TEST(frmShowFrame, SetupPlacesTheWindowInTwipsAndLeavesItsSize) {
    struct Case {
        std::int32_t xTwips, yTwips;
        QPoint pixels;
    };
    const std::vector<Case> cases = {
        {1500, 3000, {100, 200}},
        {1516, 0, {101, 0}}, // one twip right of a window edge rounds to that edge
        {-1500, -150, {-100, -10}},
    };
    for (const Case& c : cases) {
        frmShowFrame window;
        window.show();
        window.Setup(c.xTwips, c.yTwips, 500, 400);
        EXPECT_EQ(window.pos(), c.pixels);
        EXPECT_EQ(window.size(), QSize(134, 71));
        EXPECT_EQ(window.palette().color(QPalette::Window), QColor(192, 192, 192));
        EXPECT_TRUE(window.autoFillBackground());
    }
}

TEST(frmShowFrame, ALargeFrameIsCutOffRatherThanGrowingTheWindow) {
    frmShowFrame window;
    window.show();
    window.Setup(0, 0, 200, 150);
    Palette palette{};
    DrawPic(window.Img(), 200, 150, Bytes(200 * 150, 1), palette);
    EXPECT_EQ(window.size(), QSize(134, 71));
    EXPECT_EQ(window.Img().geometry(), QRect(8, 8, 202, 152));
    EXPECT_EQ(window.Img().retainedImage().size(), QSize(200, 150));
}

} // namespace
} // namespace quillet::display
