#pragma once

#include "display/AnimationPlayer.h"
#include "display/frmShowFrame.h"
#include "imaging/view/ViewOptions.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <memory>
#include <optional>

class QAction;

namespace quillet::editor {

class CommandContext;

// The preview window and what it shows: its lifetime, Settings > Preview,
// Play Anim., and the View menu with the preview's views (zoom, alignment,
// onion skins, background, frame rate), each remembered between runs, and
// the steps to the previous and next frame. The window opens where it was
// last, with the size the user gave it (remembered between runs), or
// beside the main window the first time.
class PreviewCommands : public QObject {
    Q_OBJECT
public:
    explicit PreviewCommands(CommandContext& context);
    ~PreviewCommands() override;

    // The View menu, in order, separators included.
    QList<QAction*> viewActions() const { return m_viewActions; }
    // Settings > Preview: whether the preview shows at all.
    QAction* previewAction() const { return m_showPreview; }

    // Null once closed. The tick follows the window: closing it unticks
    // Settings > Preview, choosing the item opens or closes it at once.
    display::frmShowFrame* previewWindow() const { return m_preview; }
    bool previewTicked() const;
    void togglePreview(); // inverts the check mark, as the menu item does
    // Shows the current frame beside the main window, opening the preview,
    // or closes it when there is no frame or the preview is not ticked.
    void UpdatePreview();
    void closePreview();
    // While an edit is being chosen: `frames` (the document's, one of them
    // edited) shown in place of the document's own, at the current frame;
    // UpdatePreview shows the document again.
    void showTrial(const FrameList& frames);

    const imaging::ViewOptions& viewOptions() const { return m_view; }
    void setViewOptions(const imaging::ViewOptions& options);
    void chooseFrameRate();

    // Play Anim.: starts playing, or stops when playing.
    void animate();
    bool isPlaying() const { return m_player->isPlaying(); }
    // The frame shown becomes the current one, and everything shows it.
    void stopPlayback();
    // Ends playback and leaves the current frame alone; the caller shows it.
    void abandonPlayback();
    // Tests drive playback with a clock of their own.
    display::AnimationPlayer& usePlaybackClock(display::AnimationPlayer::Clock clock);

    // View > Previous Frame and Next Frame.
    void stepFrame(int delta);

signals:
    // The current frame was chosen here (playback stopped, or a step).
    void currentFrameChosen();
    // A preview window was made; its frames panel waits to be wired.
    void previewCreated(display::frmShowFrame* window);
    // Settings > Preview changed; the boxes are filled again before the
    // preview follows.
    void previewToggled();
    // Playback started or ended.
    void playingChanged(bool playing);

private:
    void buildViewActions();
    void previewTickChanged();
    void showCurrentFrame();
    display::frmShowFrame& preparePreview();
    void showPlayedFrame(int index);
    void makePlayer(display::AnimationPlayer::Clock clock);
    // Keeps the place and the size of a preview about to go.
    void rememberPlace(const display::frmShowFrame& window);

    CommandContext& m_context;
    QPointer<display::frmShowFrame> m_preview;
    imaging::ViewOptions m_view;
    std::unique_ptr<display::AnimationPlayer> m_player;
    // The first frame (0-based) of what is playing: a direction's first
    // frame when one direction plays, else 0.
    int m_playFrom = 0;
    QList<QAction*> m_viewActions;
    QAction* m_playOneDirection = nullptr;
    QAction* m_showPreview = nullptr;
    std::optional<QPoint> m_place; // where the last preview stood
    QSize m_userSize;              // the size the user gave it
};

} // namespace quillet::editor
