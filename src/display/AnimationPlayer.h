#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace quillet::display {

// Keeps an animation's time. The frame shown is the one due by the clock:
// a late tick skips the frames it missed instead of slowing the animation.
// It only counts; whoever listens to frameChanged draws, so nothing here
// blocks or holds a frame.
class AnimationPlayer : public QObject {
    Q_OBJECT
public:
    // Milliseconds since any fixed moment.
    using Clock = std::function<qint64()>;

    explicit AnimationPlayer(QObject* parent = nullptr);
    // Tests pass their own clock and call tick() after moving it.
    explicit AnimationPlayer(Clock clock, QObject* parent = nullptr);

    // Plays frames 0..frameCount-1 from `startIndex`, looping; the start frame
    // counts as shown, so the first frameChanged names the one after it.
    // Nothing happens without frames. Rates are brought into 1..60.
    void start(int frameCount, int startIndex, int framesPerSecond);
    // Stops and returns the index last announced (or the start index).
    int stop();
    // Keeps the frame shown and goes on from it at the new rate.
    void setFramesPerSecond(int framesPerSecond);

    bool isPlaying() const { return m_playing; }
    int shownIndex() const { return m_shown; }
    // The index the clock asks for now.
    int frameDue() const;

    // Announces the frame due if it is not the one shown, then waits for the
    // next one. The timer calls this; it is harmless at any other time.
    void tick();

signals:
    void frameChanged(int index);

private:
    qint64 now() const;
    void scheduleNext();

    Clock m_clock;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    bool m_playing = false;
    int m_frameCount = 0;
    int m_startIndex = 0;
    int m_shown = 0;
    int m_framesPerSecond = 25;
    qint64 m_startTime = 0;
};

} // namespace quillet::display
