#include "PreviewCommands.h"

#include "CommandContext.h"
#include "display/FramesPanel.h"
#include "display/Twips.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace quillet::editor {

namespace {

const QString kPlaceKey = QStringLiteral("preview/position");
const QString kSizeKey = QStringLiteral("preview/size");

} // namespace

PreviewCommands::PreviewCommands(CommandContext& context)
    : QObject(&context.window()), m_context(context) {
    const QSettings settings;
    m_view = imaging::loadViewOptions(settings);
    if (settings.contains(kPlaceKey))
        m_place = settings.value(kPlaceKey).toPoint();
    m_userSize = settings.value(kSizeKey).toSize();
    buildViewActions();
    makePlayer({});
}

PreviewCommands::~PreviewCommands() {
    closePreview();
}

void PreviewCommands::buildViewActions() {
    auto change = [this](auto edit) {
        return [this, edit] {
            imaging::ViewOptions next = m_view;
            edit(next);
            setViewOptions(next);
        };
    };
    auto toggle = [this](const char* name, const QString& caption,
                         bool imaging::ViewOptions::*flag) {
        QAction* a = makeAction(this, name, caption, [this, flag](bool on) {
            imaging::ViewOptions next = m_view;
            next.*flag = on;
            setViewOptions(next);
        });
        a->setCheckable(true);
        a->setChecked(m_view.*flag);
        return a;
    };
    auto separator = [this] {
        auto* line = new QAction(this);
        line->setSeparator(true);
        return line;
    };
    // Read when playback starts.
    m_playOneDirection = makeAction(this, "PlayOneDirection",
                                    QStringLiteral("Play the Current Direction Only"), [] {});
    m_playOneDirection->setCheckable(true);
    m_viewActions = {
        makeAction(this, "ZoomIn", QStringLiteral("Zoom In"),
                   change([](imaging::ViewOptions& v) { v.zoom = imaging::zoomedIn(v.zoom); }),
                   {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}),
        makeAction(this, "ZoomOut", QStringLiteral("Zoom Out"),
                   change([](imaging::ViewOptions& v) { v.zoom = imaging::zoomedOut(v.zoom); }),
                   {QKeySequence(Qt::CTRL | Qt::Key_Minus)}),
        makeAction(this, "ActualSize", QStringLiteral("Actual Size"),
                   change([](imaging::ViewOptions& v) { v.zoom = 1; }),
                   {QKeySequence(Qt::CTRL | Qt::Key_0)}),
        separator(),
        toggle("AlignByOffsets", QStringLiteral("Align by Offsets"),
               &imaging::ViewOptions::alignByOffsets),
        toggle("OnionPrevious", QStringLiteral("Onion Skin (previous)"),
               &imaging::ViewOptions::onionPrevious),
        toggle("OnionNext", QStringLiteral("Onion Skin (next)"), &imaging::ViewOptions::onionNext),
        toggle("TransparentBackground", QStringLiteral("Transparent Background"),
               &imaging::ViewOptions::transparentBackground),
        separator(),
        makeAction(this, "FrameRate", QStringLiteral("Frame Rate..."),
                   &PreviewCommands::chooseFrameRate),
        m_playOneDirection,
        separator(),
        makeAction(this, "PreviousFrame", QStringLiteral("Previous Frame"),
                   [this] { stepFrame(-1); }, {QKeySequence(Qt::ALT | Qt::Key_Left)}),
        makeAction(this, "NextFrame", QStringLiteral("Next Frame"), [this] { stepFrame(+1); },
                   {QKeySequence(Qt::ALT | Qt::Key_Right)}),
    };

    // The check mark is the setting itself; Qt inverts it before the handler runs.
    m_showPreview = makeAction(this, "Preview", QStringLiteral("Preview"),
                               &PreviewCommands::previewTickChanged);
    m_showPreview->setCheckable(true);
    m_showPreview->setChecked(true);
}

bool PreviewCommands::previewTicked() const {
    return m_showPreview->isChecked();
}

void PreviewCommands::togglePreview() {
    m_showPreview->trigger();
}

void PreviewCommands::previewTickChanged() {
    if (m_context.refuseToggleWhileSaving(*m_showPreview))
        return;
    emit previewToggled();
    UpdatePreview();
}

void PreviewCommands::UpdatePreview() {
    BusyScope busy(m_context.busyPointer());
    if (m_context.doc().currentFrame() && previewTicked())
        showCurrentFrame();
    else
        closePreview();
    busy.release();
    // Work in the preview's frames panel keeps the focus there.
    if (!m_preview || QApplication::activeWindow() != m_preview)
        m_context.window().activateWindow();
}

void PreviewCommands::setViewOptions(const imaging::ViewOptions& options) {
    m_view = options;
    QSettings settings;
    imaging::saveViewOptions(settings, m_view);
    m_player->setFramesPerSecond(m_view.framesPerSecond);
    if (m_player->isPlaying())
        showPlayedFrame(m_player->shownIndex());
    else
        UpdatePreview();
}

void PreviewCommands::chooseFrameRate() {
    const std::optional<int> rate = m_context.services().prompt->number(
        QStringLiteral("Frame Rate"), QStringLiteral("Frames per second:"), m_view.framesPerSecond,
        imaging::kMinFramesPerSecond, imaging::kMaxFramesPerSecond);
    if (!rate)
        return;
    imaging::ViewOptions next = m_view;
    next.framesPerSecond = *rate;
    setViewOptions(next);
}

void PreviewCommands::makePlayer(display::AnimationPlayer::Clock clock) {
    if (m_player && m_player->isPlaying()) {
        m_player->stop();
        emit playingChanged(false);
    }
    m_player = clock ? std::make_unique<display::AnimationPlayer>(std::move(clock))
                     : std::make_unique<display::AnimationPlayer>();
    connect(m_player.get(), &display::AnimationPlayer::frameChanged, this,
            &PreviewCommands::showPlayedFrame);
}

display::AnimationPlayer& PreviewCommands::usePlaybackClock(display::AnimationPlayer::Clock clock) {
    makePlayer(std::move(clock));
    return *m_player;
}

void PreviewCommands::animate() {
    if (m_player->isPlaying()) {
        stopPlayback();
        return;
    }
    const document::Document& doc = m_context.doc();
    if (!m_context.mayRun() || doc.frameCount() < 1)
        return;
    m_context.settle();
    // One direction plays its own frames; otherwise the whole document.
    const int count = doc.frameCount();
    const int current = std::clamp(doc.curFrame(), 1, count) - 1;
    const int directions = doc.directions();
    int length = count;
    m_playFrom = 0;
    if (m_playOneDirection->isChecked() && directions > 1 && count % directions == 0) {
        length = count / directions;
        m_playFrom = current / length * length;
    }
    m_player->start(length, current - m_playFrom, m_view.framesPerSecond);
    emit playingChanged(true);
    showPlayedFrame(current - m_playFrom);
}

void PreviewCommands::showPlayedFrame(int index) {
    const document::Document& doc = m_context.doc();
    const int frame = m_playFrom + index;
    if (frame < 0 || frame >= doc.frameCount()) {
        stopPlayback();
        return;
    }
    // Drawn where the preview is: moving it back beside the window on every
    // frame would fight a user who moved it.
    display::frmShowFrame& window = m_preview ? *m_preview : preparePreview();
    window.showFrame(doc.frames(), frame, doc.palTransform(), m_view);
}

void PreviewCommands::stopPlayback() {
    if (!m_player->isPlaying())
        return;
    const int shown = m_playFrom + m_player->stop();
    emit playingChanged(false);
    if (shown >= 0 && shown < m_context.doc().frameCount())
        m_context.doc().setCurFrame(shown + 1);
    emit currentFrameChosen();
}

void PreviewCommands::abandonPlayback() {
    if (!m_player->isPlaying())
        return;
    m_player->stop();
    emit playingChanged(false);
}

void PreviewCommands::stepFrame(int delta) {
    document::Document& doc = m_context.doc();
    if (!m_context.mayRun() || doc.frameCount() < 1)
        return;
    m_context.settle();
    stopPlayback();
    doc.setCurFrame(std::clamp(doc.curFrame() + delta, 1, doc.frameCount()));
    emit currentFrameChosen();
}

display::frmShowFrame& PreviewCommands::preparePreview() {
    QWidget& main = m_context.window();
    const bool made = !m_preview;
    if (made) {
        m_preview = new display::frmShowFrame(&main);
        if (m_userSize.isValid())
            m_preview->setUserSize(m_userSize);
        // Closed by its close box, it goes with its tick; closing it ends
        // playback. Its zoom keys are the View menu's.
        connect(m_preview, &display::frmShowFrame::closed, this, [this, window = m_preview.data()] {
            if (m_preview == window) {
                rememberPlace(*window);
                m_preview = nullptr;
                window->deleteLater();
                m_showPreview->setChecked(false);
            }
            stopPlayback();
        });
        connect(m_preview, &display::frmShowFrame::highlightRequested, this, [this](int index) {
            imaging::ViewOptions next = m_view;
            next.highlightIndex =
                index < 0 ? std::nullopt : std::optional(static_cast<std::uint8_t>(index));
            setViewOptions(next);
        });
        for (auto [signal, item] : {std::pair{&display::frmShowFrame::zoomInRequested, "ZoomIn"},
                                    {&display::frmShowFrame::zoomOutRequested, "ZoomOut"},
                                    {&display::frmShowFrame::actualSizeRequested, "ActualSize"}}) {
            for (QAction* action : std::as_const(m_viewActions))
                if (action->objectName() == QLatin1String(item))
                    connect(m_preview, signal, action, &QAction::trigger);
        }
    }
    // Where it was last, or beside the main window; once shown it stays
    // where the user puts it.
    const QRect outer = main.frameGeometry();
    const QPoint place = !made     ? m_preview->pos()
                         : m_place ? *m_place
                                   : QPoint(outer.x() + outer.width(), outer.y());
    const auto x = static_cast<std::int32_t>(std::int64_t{place.x()} * display::kTwipsPerPixel);
    const auto y = static_cast<std::int32_t>(std::int64_t{place.y()} * display::kTwipsPerPixel);
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (const FramePtr frame = m_context.doc().currentFrame()) {
        width = frame->get_X_size();
        height = frame->get_Y_size();
    }
    m_preview->Setup(x, y, width, height);
    // Given its tools where it stands, it fits them to the room beside the window.
    if (made)
        emit previewCreated(m_preview);
    m_preview->show();
    // Work in the preview's frames panel keeps the focus there.
    if (QApplication::activeWindow() != m_preview)
        main.activateWindow();
    return *m_preview;
}

void PreviewCommands::showCurrentFrame() {
    const document::Document& doc = m_context.doc();
    display::frmShowFrame& window = preparePreview();
    window.showFrame(doc.frames(), doc.curFrame() - 1, doc.palTransform(), m_view);
    window.framesPanel().showFrames(doc.frames(), doc.directions(), doc.curFrame(), doc.selection(),
                                    doc.palTransform(), m_view.transparentBackground);
}

void PreviewCommands::showTrial(const FrameList& frames) {
    const document::Document& doc = m_context.doc();
    if (m_preview && doc.currentFrame() && std::ssize(frames) == doc.frameCount())
        m_preview->showFrame(frames, doc.curFrame() - 1, doc.palTransform(), m_view);
}

void PreviewCommands::closePreview() {
    if (!m_preview)
        return;
    // Deleted rather than hidden so that its picture goes with it; the guarded
    // pointer copes with a window that deletes itself on close.
    QPointer<display::frmShowFrame> window = m_preview;
    m_preview = nullptr;
    rememberPlace(*window);
    window->close();
    delete window.data();
}

void PreviewCommands::rememberPlace(const display::frmShowFrame& window) {
    if (m_place == window.pos() && m_userSize == window.userSize())
        return;
    m_place = window.pos();
    m_userSize = window.userSize();
    QSettings settings;
    settings.setValue(kPlaceKey, *m_place);
    settings.setValue(kSizeKey, m_userSize);
}

} // namespace quillet::editor
