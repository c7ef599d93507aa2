#include "display/AnimationPlayer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <vector>

namespace quillet::display {
namespace {

TEST(AnimationPlayer, ShowsTheFrameDueByTheClockInOrderAndLooping) {
    // 25 frames per second: a new frame every 40 ms.
    struct Case {
        const char* name;
        int frameCount, startIndex;
        std::vector<std::pair<qint64, int>> ticks; // ms after start, index announced (-1: none)
        int stoppedAt;
    };
    const std::vector<Case> cases = {
        {"in order and around", 4, 2, {{39, -1}, {40, 3}, {80, 0}, {85, -1}, {120, 1}}, 1},
        {"a late tick skips what it missed", 4, 0, {{40, 1}, {130, 3}, {150, -1}}, 3},
        {"a start index past the end wraps", 3, 7, {{10, -1}, {40, 2}}, 2},
        {"one frame never changes", 1, 0, {{40, -1}, {400, -1}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qint64 now = 1000;
        AnimationPlayer player([&now] { return now; });
        QSignalSpy announced(&player, &AnimationPlayer::frameChanged);
        player.start(c.frameCount, c.startIndex, 25);
        for (auto [at, index] : c.ticks) {
            now = 1000 + at;
            player.tick();
            EXPECT_EQ(announced.count(), index < 0 ? 0 : 1) << at;
            if (announced.count() == 1) {
                EXPECT_EQ(announced.takeFirst().at(0).toInt(), index) << at;
            }
        }
        EXPECT_EQ(player.stop(), c.stoppedAt);
        now += 1000;
        player.tick();
        EXPECT_EQ(announced.count(), 0);
    }
}

TEST(AnimationPlayer, NoFramesNoPlayingAndARateChangeKeepsTheFrame) {
    qint64 now = 0;
    AnimationPlayer player([&now] { return now; });
    player.start(0, 0, 25);
    EXPECT_FALSE(player.isPlaying());
    player.start(10, 0, 10); // 100 ms a frame
    now = 250;
    player.tick();
    player.setFramesPerSecond(1000); // brought to 60: a frame every 16.7 ms
    EXPECT_EQ(player.frameDue(), 2);
    now = 250 + 17;
    EXPECT_EQ(player.frameDue(), 3);
}

} // namespace
} // namespace quillet::display
