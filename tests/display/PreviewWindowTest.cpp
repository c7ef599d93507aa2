#include "display/DrawPic.h"
#include "display/ImageArea.h"
#include "display/PalettePanel.h"
#include "display/frmShowFrame.h"
#include "imaging/view/FrameImage.h"
#include "imaging/view/FrameView.h"
#include "imaging/view/Thumbnail.h"
#include "support/FrameMaker.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>
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
    const FrameList frames = {testing::frameOf(3, 2, 5, -4), testing::frameOf(40, 17),
                              testing::frameOf(1, 1)};
    frmShowFrame window;
    window.show();
    ImageArea drawn;
    for (int index : {1, 0, 2}) {
        const DC6Frame& frame = *frames[index];
        window.showFrame(frames, index, 1, {});
        DrawPic(drawn, frame.get_X_size(), frame.get_Y_size(), frame.getPixelData(1),
                frame.getNewPalette());
        EXPECT_EQ(window.Img().retainedImage(), drawn.retainedImage()) << index;
        EXPECT_EQ(window.Img().geometry(), QRect(QPoint(8, 8), drawn.size())) << index;
        window.Img().clear(); // the background is colour 0, as DrawPic leaves it
        EXPECT_EQ(window.Img().retainedImage().pixel(0, 0),
                  imaging::paletteColour(frame.getNewPalette(), 0));
    }
}

TEST(frmShowFrame, ZoomEnlargesEveryPixelAndTheWindowGrowsWithinTheScreen) {
    const FrameList frames = {testing::frameOf(64, 48)};
    frmShowFrame window;
    window.show();
    window.Setup(1500, 1500, 64, 48);
    window.resize(400, 150); // as the user might
    const QRect available = window.screen()->availableGeometry();
    struct Case {
        int zoom;
        QSize window; // above the status line; empty: as much as the screen gives, scrolling
    };
    // Beside the picture stands the palette, 171 x 177.
    for (const Case& c :
         std::vector<Case>{{2, {400, 177}}, {4, {274 + 171, 210}}, {16, {}}, {1, {400, 177}}}) {
        window.showFrame(frames, 0, 0, {.zoom = c.zoom});
        const QSize zoomed(64 * c.zoom, 48 * c.zoom);
        ASSERT_EQ(window.Img().size(), zoomed + QSize(2, 2));
        EXPECT_EQ(window.Img()
                      .grab(QRect(QPoint(1, 1), zoomed))
                      .toImage()
                      .convertToFormat(QImage::Format_RGB32),
                  window.Img().retainedImage().scaled(zoomed, Qt::IgnoreAspectRatio,
                                                      Qt::FastTransformation));
        const bool scrolls = window.findChild<QScrollArea*>()->horizontalScrollBar()->maximum() > 0;
        EXPECT_EQ(scrolls, c.window.isEmpty()) << c.zoom;
        if (c.window.isEmpty()) // out to the free area's far corner
            EXPECT_EQ(window.frameGeometry().bottomRight(), available.bottomRight());
        else
            EXPECT_EQ(window.size(), c.window + QSize(0, window.findChild<QLabel*>()->height()))
                << c.zoom;
    }
}

// A 4 x 3 frame of solidPixel indices in distinctPalette colours; the point is
// where the mouse stands on the picture, counted inside Img's border.
TEST(frmShowFrame, TheStatusLineReadsThePixelUnderTheMouse) {
    struct Case {
        int zoom;
        bool aligned;
        QPoint offsets, point;
        const char* readout;
    };
    const std::vector<Case> cases = {
        {1, false, {0, 0}, {0, 0}, "x 0, y 0 | anchor 0, -3 | index 15 #0ff007"},
        {3, false, {10, 20}, {11, 8}, "x 3, y 2 | anchor 13, 19 | index 40 #28d714"},
        {8, false, {10, 20}, {32, 0}, ""}, // right of the frame
        // Aligned, the anchor stands at (30, 10) of the view, (5, 5) in the other two.
        {1, true, {-30, -7}, {1, 2}, "x 1, y 2 | anchor -29, -8 | index 14 #0ef107"},
        {8, true, {10, 20}, {127, 183}, "x 0, y 0 | anchor 10, 17 | index 15 #0ff007"},
        {8, true, {10, 20}, {40, 40}, ""}, // on the view, off the frame
        {16, true, {-2, 1}, {111, 80}, "x 3, y 2 | anchor 1, 0 | index 40 #28d714"},
    };
    for (const Case& c : cases) {
        const FrameList frames = {testing::frameOf(4, 3, c.offsets.x(), c.offsets.y())};
        frmShowFrame window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.showFrame(frames, 0, 0, {.zoom = c.zoom, .alignByOffsets = c.aligned});
        QTest::mouseMove(&window.Img(), c.point + QPoint(1, 1));
        EXPECT_EQ(window.statusText().toStdString(), c.readout) << c.zoom << " " << c.aligned;
        QTest::mouseMove(&window.Img(), QPoint(0, 1)); // the border
        EXPECT_EQ(window.statusText().toStdString(), "");
    }
}

TEST(frmShowFrame, ZoomKeysAndClosingAreLeftToTheOwnerOfTheViews) {
    frmShowFrame window;
    QSignalSpy in(&window, &frmShowFrame::zoomInRequested);
    QSignalSpy out(&window, &frmShowFrame::zoomOutRequested);
    QSignalSpy actual(&window, &frmShowFrame::actualSizeRequested);
    for (Qt::Key key : {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Minus, Qt::Key_0}) {
        QTest::keyClick(&window, key, Qt::ControlModifier);
        QTest::keyClick(&window, key); // without Ctrl nothing
    }
    QTest::keyClick(&window, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(in.count(), 3);
    EXPECT_EQ(out.count(), 1);
    EXPECT_EQ(actual.count(), 1);

    QSignalSpy closed(&window, &frmShowFrame::closed);
    window.show();
    window.close();
    EXPECT_EQ(closed.count(), 1);
}

// A thumbnail is the preview's picture scaled to fit its box, its proportions kept.
TEST(FramesPanel, ThumbnailsAreThePreviewScaledIntoTheirBox) {
    const auto holed = [](int column, int row) -> std::uint8_t {
        return column == 1 ? 0 : testing::solidPixel(column, row);
    };
    struct Case {
        FramePtr frame;
        QSize box;
        QSize size;
        bool transparent = false;
    };
    for (const Case& c :
         std::vector<Case>{{testing::frameOf(16, 12, 0, 0, holed), {48, 48}, {48, 36}},
                           {testing::frameOf(16, 12, 0, 0, holed), {48, 48}, {48, 36}, true},
                           {testing::frameOf(200, 100), {50, 50}, {50, 25}},
                           {testing::frameOf(1, 30), {48, 48}, {2, 48}},
                           {std::make_shared<DC6Frame>(), {48, 48}, {0, 0}}}) {
        const QImage thumbnail = imaging::renderThumbnail(*c.frame, 0, c.box, c.transparent);
        ASSERT_EQ(thumbnail.size(), c.size);
        const QImage preview =
            imaging::renderView({c.frame}, 0, 0, {.transparentBackground = c.transparent}).image;
        for (int y = 0; y < c.size.height(); ++y)
            for (int x = 0; x < c.size.width(); ++x) {
                const QPoint source(x * preview.width() / c.size.width(),
                                    y * preview.height() / c.size.height());
                if (c.transparent && source.x() == 1)
                    EXPECT_EQ(thumbnail.pixel(x, y),
                              (x / imaging::kCheckerCell + y / imaging::kCheckerCell) % 2
                                  ? imaging::kCheckerDark
                                  : imaging::kCheckerLight);
                else
                    ASSERT_EQ(thumbnail.pixel(x, y), preview.pixel(source)) << x << "," << y;
            }
    }
}

// Each gesture in turn, the owner of the views answering a highlight request;
// a screen reader hears each entry's part in its description. The entries'
// stand-ins are the panel's children in index order.
TEST(PalettePanel, ClicksAndKeysChooseTheDrawingIndexTheRangeAndTheHighlight) {
    PalettePanel panel;
    QObject::connect(&panel, &PalettePanel::highlightRequested, [&panel](int index) {
        panel.showColours({}, {}, index < 0 ? std::nullopt : std::optional<std::uint8_t>(index));
    });
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    const QList<QWidget*> entries = panel.findChildren<QWidget*>();
    const auto click = [&](int index, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(&panel, Qt::LeftButton, keys, entries[index]->geometry().center());
    };
    const auto key = [](Qt::Key key, Qt::KeyboardModifiers keys = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, keys);
    };
    const struct {
        const char* what;
        std::function<void()> gesture;
        int drawing, first, last, highlighted;
    } steps[] = {
        {"click", [&] { click(5); }, 5, 5, 5, -1},
        {"shift+click", [&] { click(20, Qt::ShiftModifier); }, 5, 5, 20, -1},
        {"ctrl+click", [&] { click(7, Qt::ControlModifier); }, 5, 5, 20, 7},
        {"right moves the mark only", [&] { key(Qt::Key_Right); }, 5, 5, 20, 7},
        {"space chooses", [&] { key(Qt::Key_Space); }, 21, 21, 21, 7},
        {"shift+up extends", [&] { key(Qt::Key_Up, Qt::ShiftModifier); }, 21, 5, 21, 7},
        {"shift+left further", [&] { key(Qt::Key_Left, Qt::ShiftModifier); }, 21, 4, 21, 7},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.gesture();
        EXPECT_EQ(panel.range(), std::pair(step.first, step.last));
        for (int index = 0; index < 256; ++index) {
            const QString said = entries[index]->accessibleDescription();
            const bool inRange =
                step.first < step.last && index >= step.first && index <= step.last;
            EXPECT_EQ(std::tuple(said.contains("the drawing index"), said.contains("highlighted"),
                                 said.contains("in the range")),
                      std::tuple(index == step.drawing, index == step.highlighted, inRange))
                << index;
        }
    }
}

} // namespace
} // namespace quillet::display
