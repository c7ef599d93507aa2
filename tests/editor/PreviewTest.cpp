#include "EditorTestSupport.h"
#include "display/FramesPanel.h"
#include "imaging/view/FrameImage.h"
#include "imaging/view/PixelReadout.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QtTest/QTest>
#include <set>

namespace quillet::editor::test {
namespace {

using Preview = EditorTest;

TEST_F(Preview, PlaysInOrderWrapsAndStopsOnTheFrameShown) {
    openDocument({{1, 2}, {2, 2}, {3, 2}});
    qint64 now = 0;
    display::AnimationPlayer& player = window->preview().usePlaybackClock([&now] { return now; });
    frameNr().setValue(2);
    QTest::mouseClick(&child<QPushButton>("cmdAnimate"), Qt::LeftButton);
    ASSERT_TRUE(window->preview().isPlaying());
    EXPECT_TRUE(child<QPushButton>("cmdAnimate").isChecked());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->preview().previewWindow()));
    // The mouse rests on the bottom-left pixel.
    QTest::mouseMove(&window->preview().previewWindow()->Img(), QPoint(1, 2));
    std::vector<int> shown;
    QStringList readouts; // follow the frame shown under the mouse
    for (int step = 0; step < 4; ++step) {
        now += 40; // 25 frames per second
        player.tick();
        shown.push_back(previewImage().width());
        readouts << window->preview().previewWindow()->statusText();
    }
    EXPECT_EQ(shown, (std::vector<int>{3, 1, 2, 3}));
    EXPECT_EQ(readouts[3], readouts[0]);
    EXPECT_EQ(QSet<QString>(readouts.begin(), readouts.end()).size(), 3);
    // A late tick drops frames rather than slowing down.
    now += 80;
    player.tick();
    EXPECT_EQ(previewImage().width(), 2);

    QTest::mouseClick(&child<QPushButton>("cmdAnimate"), Qt::LeftButton);
    EXPECT_FALSE(window->preview().isPlaying());
    EXPECT_EQ(window->curFrame(), 2);
    EXPECT_EQ(frameNr().value(), 2);
    EXPECT_EQ(text("txtWidth"), "2");
    EXPECT_TRUE(messages().shown.empty());
}

TEST_F(Preview, ChangesSavesAndClosingThePreviewStopIt) {
    const std::vector<std::pair<const char*, std::function<void()>>> stops = {
        {"delete",
         [this] {
             messages().answers = {platform::Answer::Yes};
             window->frameCommands().remove();
         }},
        {"add", [this] { addPicture(5, 2); }},
        {"undo", [this] { trigger("Undo"); }},
        {"new",
         [this] {
             messages().answers = {platform::Answer::No};
             window->files().newDocument();
         }},
        {"close preview", [this] { window->preview().previewWindow()->close(); }},
        {"offset typed", [this] { child<QLineEdit>("txtXoffset").setText("9"); }},
        {"next frame", [this] { trigger("NextFrame"); }},
    };
    for (const auto& [what, stop] : stops) {
        SCOPED_TRACE(what);
        openDocument({{1, 2}, {2, 2}, {3, 2}});
        trigger("DuplicateFrame");
        window->preview().animate();
        ASSERT_TRUE(window->preview().isPlaying());
        stop();
        EXPECT_FALSE(window->preview().isPlaying());
        EXPECT_FALSE(child<QPushButton>("cmdAnimate").isChecked());
        EXPECT_EQ(frameNr().value(), std::max(1, window->curFrame()));
    }
    // Nothing to play, nothing said.
    messages().answers = {platform::Answer::No};
    window->files().newDocument();
    messages().shown.clear();
    window->preview().animate();
    EXPECT_FALSE(window->preview().isPlaying());
    EXPECT_TRUE(messages().shown.empty());
}

// The preview grows to show every row of the frames panel in full.
TEST_F(Preview, GrowsToShowEveryRowOfFrames) {
    window->move(0, 0);
    openDocument(std::vector<FrameShape>(30, {4, 3}));
    window->document().setDirections(5); // 5 rows of 6
    display::FramesPanel& panel = window->preview().previewWindow()->framesPanel();
    QApplication::processEvents();
    for (int number = 1; number <= 30; ++number)
        EXPECT_TRUE(panel.viewport()->rect().contains(panel.frameRect(number))) << number;
}

// The zoomed preview is the 1x picture scaled, and the views are remembered.
TEST_F(Preview, ViewsZoomAndAreRememberedBetweenRuns) {
    openDocument({{3, 2, 0, 0}, {2, 2, -1, -1}});
    const QImage plain = previewImage();
    trigger("ZoomIn");
    trigger("ZoomIn");
    EXPECT_EQ(window->preview().viewOptions().zoom, 3);
    EXPECT_EQ(window->preview().previewWindow()->Img().zoom(), 3);
    EXPECT_EQ(previewImage(), plain); // the retained picture stays 1x
    trigger("AlignByOffsets");
    trigger("ActualSize");
    start();
    EXPECT_TRUE(window->preview().viewOptions().alignByOffsets);
    EXPECT_EQ(window->preview().viewOptions().zoom, 1);
    EXPECT_TRUE(child<QAction>("AlignByOffsets").isChecked());
    scripted->prompt->numbers = {12};
    trigger("FrameRate");
    EXPECT_EQ(window->preview().viewOptions().framesPerSecond, 12);
}

// Plain and aligned: the palette marks what the frame uses as drawn, and a
// Ctrl+click on an entry leaves only its pixels undimmed until the next one.
TEST_F(Preview, PaletteMarksTheUsedEntriesAndACtrlClickHighlightsTheirPixels) {
    openDocument({{30, 10, -40, 3}}); // 300 pixels: the first 44 indices twice
    for (bool aligned : {false, true}) {
        SCOPED_TRACE(aligned);
        if (aligned)
            trigger("AlignByOffsets");
        const FrameList frames = window->frames();
        const Bytes drawn = frames[0]->getPixelData(window->palTransform());
        const std::set<int> used(drawn.begin(), drawn.end());
        display::frmShowFrame* preview = window->preview().previewWindow();
        auto entry = [this](int index) { return &paletteEntry(index); };
        for (int index = 0; index < 256; ++index)
            EXPECT_EQ(entry(index)->accessibleDescription().contains("used"), used.count(index) > 0)
                << index;

        const int chosen = drawn[0];
        const QImage plain = previewImage();
        const imaging::ViewImage view =
            imaging::renderView(frames, 0, window->palTransform(), window->preview().viewOptions());
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(entry(chosen), Qt::LeftButton, Qt::ControlModifier);
            preview = window->preview().previewWindow();
            const QImage lit = previewImage();
            ASSERT_EQ(lit.size(), plain.size());
            int kept = 0;
            for (int y = 0; y < lit.height(); ++y)
                for (int x = 0; x < lit.width(); ++x) {
                    const auto pixel = imaging::pixelAt(view, 1, {x, y});
                    const bool keeps = click == 1 || (pixel && pixel->index == chosen);
                    kept += keeps;
                    ASSERT_EQ(lit.pixel(x, y) == plain.pixel(x, y), keeps) << x << "," << y;
                }
            EXPECT_GE(kept, 2);
        }
        QTest::mouseMove(entry(chosen));
        EXPECT_EQ(
            preview->statusText(),
            imaging::entryText(chosen, imaging::paletteColour(frames[0]->getNewPalette(),
                                                              static_cast<std::uint8_t>(chosen))));
    }
}

} // namespace
} // namespace quillet::editor::test
