#include "EditorTestSupport.h"
#include "imaging/FrameImage.h"

#include <QAction>
#include <QPushButton>
#include <QtTest/QTest>

namespace quillet::editor::test {
namespace {

using Playback = EditorTest;

TEST_F(Playback, PlaysInOrderWrapsAndStopsOnTheFrameShown) {
    openDocument({{1, 2}, {2, 2}, {3, 2}});
    qint64 now = 0;
    display::AnimationPlayer& player = window->playback().usePlaybackClock([&now] { return now; });
    frameNr().setValue(2);
    QTest::mouseClick(&child<QPushButton>("cmdAnimate"), Qt::LeftButton);
    ASSERT_TRUE(window->playback().isPlaying());
    std::vector<int> shown;
    for (int step = 0; step < 4; ++step) {
        now += 40; // 25 frames per second
        player.tick();
        shown.push_back(previewImage().width());
    }
    EXPECT_EQ(shown, (std::vector<int>{3, 1, 2, 3}));
    // A late tick drops frames rather than slowing down.
    now += 80;
    player.tick();
    EXPECT_EQ(previewImage().width(), 2);

    QTest::mouseClick(&child<QPushButton>("cmdAnimate"), Qt::LeftButton);
    EXPECT_FALSE(window->playback().isPlaying());
    EXPECT_EQ(window->curFrame(), 2);
    EXPECT_EQ(frameNr().value(), 2);
    EXPECT_EQ(text("txtWidth"), "2");
    EXPECT_TRUE(messages().shown.empty());
}

TEST_F(Playback, ChangesSavesAndClosingThePreviewStopIt) {
    const std::vector<std::pair<const char*, std::function<void()>>> stops = {
        {"delete",
         [this] {
             messages().answers = {platform::Answer::Yes};
             window->deleteFrame();
         }},
        {"add", [this] { addPicture(5, 2); }},
        {"undo", [this] { trigger("Undo"); }},
        {"new",
         [this] {
             messages().answers = {platform::Answer::No};
             window->files().newDocument();
         }},
        {"close preview", [this] { window->previewWindow()->close(); }},
        {"offset typed", [this] { child<QLineEdit>("txtXoffset").setText("9"); }},
        {"next frame", [this] { trigger("NextFrame"); }},
    };
    for (const auto& [what, stop] : stops) {
        SCOPED_TRACE(what);
        openDocument({{1, 2}, {2, 2}, {3, 2}});
        trigger("DuplicateFrame");
        window->playback().animate();
        ASSERT_TRUE(window->playback().isPlaying());
        stop();
        EXPECT_FALSE(window->playback().isPlaying());
        EXPECT_EQ(frameNr().value(), std::max(1, window->curFrame()));
    }
    // Nothing to play, nothing said.
    messages().answers = {platform::Answer::No};
    window->files().newDocument();
    messages().shown.clear();
    window->playback().animate();
    EXPECT_FALSE(window->playback().isPlaying());
    EXPECT_TRUE(messages().shown.empty());
}

// The zoomed preview is the 1x picture scaled, and the views are remembered.
TEST_F(Playback, ViewsZoomAndAreRememberedBetweenRuns) {
    openDocument({{3, 2, 0, 0}, {2, 2, -1, -1}});
    const QImage plain = previewImage();
    trigger("ZoomIn");
    trigger("ZoomIn");
    EXPECT_EQ(window->playback().viewOptions().zoom, 3);
    EXPECT_EQ(window->previewWindow()->Img().zoom(), 3);
    EXPECT_EQ(previewImage(), plain); // the retained picture stays 1x
    trigger("AlignByOffsets");
    trigger("ActualSize");
    start();
    EXPECT_TRUE(window->playback().viewOptions().alignByOffsets);
    EXPECT_EQ(window->playback().viewOptions().zoom, 1);
    EXPECT_TRUE(child<QAction>("AlignByOffsets").isChecked());
    scripted->prompt->numbers = {12};
    trigger("FrameRate");
    EXPECT_EQ(window->playback().viewOptions().framesPerSecond, 12);
}

} // namespace
} // namespace quillet::editor::test
