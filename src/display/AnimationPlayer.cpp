#include "AnimationPlayer.h"

#include "imaging/view/ViewOptions.h"

#include <algorithm>

namespace quillet::display {

AnimationPlayer::AnimationPlayer(QObject* parent) : AnimationPlayer(Clock{}, parent) {}

AnimationPlayer::AnimationPlayer(Clock clock, QObject* parent)
    : QObject(parent), m_clock(std::move(clock)) {
    m_elapsed.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AnimationPlayer::tick);
}

qint64 AnimationPlayer::now() const {
    return m_clock ? m_clock() : m_elapsed.elapsed();
}

void AnimationPlayer::start(int frameCount, int startIndex, int framesPerSecond) {
    m_timer.stop();
    m_playing = frameCount > 0;
    if (!m_playing)
        return;
    m_frameCount = frameCount;
    m_startIndex = ((startIndex % frameCount) + frameCount) % frameCount;
    m_shown = m_startIndex;
    m_framesPerSecond =
        std::clamp(framesPerSecond, imaging::kMinFramesPerSecond, imaging::kMaxFramesPerSecond);
    m_startTime = now();
    scheduleNext();
}

int AnimationPlayer::stop() {
    m_timer.stop();
    m_playing = false;
    return m_shown;
}

void AnimationPlayer::setFramesPerSecond(int framesPerSecond) {
    if (m_playing)
        start(m_frameCount, m_shown, framesPerSecond);
    else
        m_framesPerSecond =
            std::clamp(framesPerSecond, imaging::kMinFramesPerSecond, imaging::kMaxFramesPerSecond);
}

int AnimationPlayer::frameDue() const {
    if (!m_playing)
        return m_shown;
    const qint64 steps = std::max<qint64>(now() - m_startTime, 0) * m_framesPerSecond / 1000;
    return static_cast<int>((m_startIndex + steps) % m_frameCount);
}

void AnimationPlayer::tick() {
    if (!m_playing)
        return;
    const int due = frameDue();
    if (due != m_shown) {
        m_shown = due;
        emit frameChanged(due);
        // A listener may have stopped or restarted the player.
        if (!m_playing)
            return;
    }
    scheduleNext();
}

void AnimationPlayer::scheduleNext() {
    const qint64 elapsed = std::max<qint64>(now() - m_startTime, 0);
    const qint64 steps = elapsed * m_framesPerSecond / 1000;
    // The first millisecond at which steps + 1 frames have passed.
    const qint64 nextAt = ((steps + 1) * 1000 + m_framesPerSecond - 1) / m_framesPerSecond;
    m_timer.start(static_cast<int>(std::clamp<qint64>(nextAt - elapsed, 1, 1000)));
}

} // namespace quillet::display
