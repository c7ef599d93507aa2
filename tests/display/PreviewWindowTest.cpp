#include "display/DrawPic.h"
#include "display/ImageArea.h"
#include "display/frmShowFrame.h"
#include "imaging/FrameImage.h"
#include "sprite/SpriteTestSupport.h"

#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
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

// A frame of distinct indices with the given palette as its new one.
FramePtr frameOf(int width, int height, const Palette& palette) {
    Bytes pixels(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * 7 % 256);
    FramePtr frame = testing::makeFrame(width, height, pixels, 3, -4);
    frame->setNewPalette(palette);
    return frame;
}

QSize roomOnScreen(const QWidget& window) {
    const QRect available = window.screen()->availableGeometry();
    return {available.right() + 1 - window.x(), available.bottom() + 1 - window.y()};
}

TEST(frmShowFrame, TheWindowGrowsToShowTheWholeFrame) {
    frmShowFrame window;
    window.show();
    window.Setup(0, 0, 200, 150);
    DrawPic(window.Img(), 200, 150, Bytes(200 * 150, 1), Palette{});
    EXPECT_EQ(window.size(), QSize(218, 168));
    EXPECT_EQ(window.Img().geometry(), QRect(8, 8, 202, 152));
    EXPECT_EQ(window.Img().retainedImage().size(), QSize(200, 150));
}

TEST(frmShowFrame, AtActualSizeWithEveryViewOffImgHoldsWhatDrawPicDraws) {
    const Palette palette = testing::distinctPalette();
    const FrameList frames = {frameOf(3, 2, palette), frameOf(40, 17, palette),
                              frameOf(1, 1, palette)};
    frmShowFrame window;
    window.show();
    ImageArea drawn;
    for (int index : {1, 0, 2}) {
        SCOPED_TRACE(index);
        const DC6Frame& frame = *frames[index];
        window.showFrame(frames, index, 1, {});
        DrawPic(drawn, frame.get_X_size(), frame.get_Y_size(), frame.getPixelData(1), palette);
        EXPECT_EQ(window.Img().retainedImage(), drawn.retainedImage());
        EXPECT_EQ(window.Img().geometry(), QRect(QPoint(8, 8), drawn.size()));
        window.Img().clear();
        EXPECT_EQ(window.Img().retainedImage().pixel(0, 0), imaging::paletteColour(palette, 0));
    }
}

TEST(frmShowFrame, ZoomShowsEveryPixelAsASquareAndTheWindowStaysOnScreen) {
    const FrameList frames = {frameOf(64, 48, testing::distinctPalette())};
    frmShowFrame window;
    window.show();
    window.Setup(1500, 1500, 64, 48);
    struct Case {
        int zoom;
        bool scrolls;
    };
    for (const Case& c : std::vector<Case>{{3, false}, {16, true}, {1, false}}) {
        SCOPED_TRACE(c.zoom);
        window.showFrame(frames, 0, 0, {.zoom = c.zoom});
        const QSize zoomed(64 * c.zoom, 48 * c.zoom);
        ASSERT_EQ(window.Img().size(), zoomed + QSize(2, 2));
        const QImage shown = window.Img().grab(QRect(QPoint(1, 1), zoomed)).toImage();
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
                  window.Img().retainedImage().scaled(zoomed, Qt::IgnoreAspectRatio,
                                                      Qt::FastTransformation));
        const QSize room = roomOnScreen(window);
        EXPECT_TRUE(window.width() <= room.width() && window.height() <= room.height());
        const auto* scroll = window.findChild<QScrollArea*>();
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum() > 0, c.scrolls);
        if (!c.scrolls) {
            EXPECT_EQ(window.size(), (zoomed + QSize(18, 18)).expandedTo(QSize(134, 71)));
        }
    }
}

TEST(frmShowFrame, ASizeTheUserGaveIsKeptThroughZoomingOut) {
    const FrameList frames = {frameOf(40, 30, testing::distinctPalette())};
    frmShowFrame window;
    window.show();
    window.Setup(0, 0, 40, 30);
    window.resize(300, 200);
    window.showFrame(frames, 0, 0, {.zoom = 2});
    EXPECT_EQ(window.size(), QSize(300, 200));
    window.showFrame(frames, 0, 0, {.zoom = 8});
    EXPECT_EQ(window.size(), QSize(338, 258));
    window.showFrame(frames, 0, 0, {});
    EXPECT_EQ(window.size(), QSize(300, 200));
}

TEST(frmShowFrame, ZoomKeysAskTheOwnerOfTheViewOptions) {
    frmShowFrame window;
    QSignalSpy in(&window, &frmShowFrame::zoomInRequested);
    QSignalSpy out(&window, &frmShowFrame::zoomOutRequested);
    QSignalSpy actual(&window, &frmShowFrame::actualSizeRequested);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int in, out, actual;
    };
    const std::vector<Case> cases = {
        {Qt::Key_Plus, Qt::ControlModifier, 1, 0, 0},
        {Qt::Key_Equal, Qt::ControlModifier, 1, 0, 0},
        {Qt::Key_Minus, Qt::ControlModifier, 0, 1, 0},
        {Qt::Key_0, Qt::ControlModifier, 0, 0, 1},
        {Qt::Key_0, Qt::NoModifier, 0, 0, 0},
        {Qt::Key_Plus, Qt::NoModifier, 0, 0, 0},
    };
    for (const Case& c : cases) {
        in.clear(), out.clear(), actual.clear();
        QTest::keyClick(&window, c.key, c.modifiers);
        EXPECT_EQ(in.count(), c.in) << c.key;
        EXPECT_EQ(out.count(), c.out) << c.key;
        EXPECT_EQ(actual.count(), c.actual) << c.key;
    }
}

TEST(frmShowFrame, StatusTextShowsUnderThePictureOnlyWhenSet) {
    frmShowFrame window;
    window.show();
    auto* label = window.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isHidden());
    window.setStatusText(QStringLiteral("facing south"));
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(window.statusText(), "facing south");
    window.setStatusText({});
    EXPECT_TRUE(label->isHidden());
}

} // namespace
} // namespace quillet::display
