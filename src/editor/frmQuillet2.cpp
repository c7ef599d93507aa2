#include "frmQuillet2.h"

#include "ExternalFrameEdits.h"
#include "OffsetText.h"
#include "ProgressGate.h"
#include "RecentMenu.h"
#include "display/ImageArea.h"
#include "display/Twips.h"
#include "display/frmAbout.h"
#include "display/frmShowFrame.h"
#include "imaging/BitmapExport.h"
#include "imaging/FrameImage.h"
#include "imaging/GifExport.h"
#include "imaging/PictureImport.h"
#include "imaging/SheetExport.h"
#include "palette/PaletteFile.h"
#include "quillet/Version.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Limits.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace quillet::editor {

namespace {

const QString kAddFilter =
    QStringLiteral("All formats|*.gif;*.bmp;*.jpg;*.jpe;*.jpeg;*.png|BMP (*.bmp)|*.bmp|Compuserve "
                   "GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|PNG "
                   "(*.png)|*.png|");
const QString kInsertFilter = QStringLiteral("BMP (*.bmp)|*.bmp|PNG (*.png)|*.png");
const QString kOpenFilter = QStringLiteral("DC6|*.dc6|");
const QString kSaveFilter = QStringLiteral("DC6|*.dc6|All files|*.*|");
const QString kPaletteFilter = QStringLiteral(
    "Palette file|*.pal|GIMP palette|*.gpl|Colour table of a picture|*.bmp;*.png;*.gif");
const QString kPngFilter = QStringLiteral("PNG|*.png|");
const QString kGifFilter = QStringLiteral("GIF|*.gif|");
const QString kSheetFilter = QStringLiteral("Pictures|*.png;*.bmp;*.gif|");
const QString kExportFilter = QStringLiteral("BMP|*.BMP|");

// Saves shorter than this finish without a progress dialog ever appearing.
constexpr int kProgressDelayMs = 500;

QString appTitle() {
    return QString::fromUtf8(version::appTitle);
}

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// What a drop brings that the menus could have opened: the first DC6 file and
// every picture, in the order dropped.
struct DroppedFiles {
    QString document;
    QStringList pictures;
    bool empty() const { return document.isEmpty() && pictures.isEmpty(); }
};

// The suffixes of the Add Frame dialog's "All formats" filter.
bool isPicture(const QString& suffix) {
    static const QStringList suffixes = {QStringLiteral("bmp"),  QStringLiteral("gif"),
                                         QStringLiteral("jpg"),  QStringLiteral("jpe"),
                                         QStringLiteral("jpeg"), QStringLiteral("png")};
    return suffixes.contains(suffix, Qt::CaseInsensitive);
}

DroppedFiles droppedFiles(const QMimeData* data) {
    DroppedFiles files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        // The commands read paths; a remote URL has none to give them.
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        const QString suffix = QFileInfo(path).suffix();
        if (suffix.compare(QStringLiteral("dc6"), Qt::CaseInsensitive) == 0) {
            if (files.document.isEmpty())
                files.document = path;
        } else if (isPicture(suffix)) {
            files.pictures.push_back(path);
        }
    }
    return files;
}

// Keeps the pointer busy for a scope; release() ends it early where the
// pointer must be normal again before the scope ends (before a message box).
class BusyScope {
public:
    explicit BusyScope(platform::BusyPointer& pointer) : m_pointer(pointer) {
        m_pointer.setBusy(true);
    }
    ~BusyScope() { release(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    void release() {
        if (m_on) {
            m_on = false;
            m_pointer.setBusy(false);
        }
    }

private:
    platform::BusyPointer& m_pointer;
    bool m_on = true;
};

} // namespace

frmQuillet2::frmQuillet2(platform::Services services, const QString& workingDir, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)) {
    platform::Services real = platform::makeQtServices(this);
    if (!m_services.fileDialog)
        m_services.fileDialog = std::move(real.fileDialog);
    if (!m_services.messageBox)
        m_services.messageBox = std::move(real.messageBox);
    if (!m_services.busyPointer)
        m_services.busyPointer = std::move(real.busyPointer);
    if (!m_services.system)
        m_services.system = std::move(real.system);
    if (!m_services.prompt)
        m_services.prompt = std::move(real.prompt);

    setObjectName(QStringLiteral("frmQuillet2"));
    setWindowTitle(appTitle());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildWidgets();
    buildMenus();
    setAcceptDrops(true);
    // Text boxes take drops of their own and would swallow a file let go over one.
    for (QWidget* child : findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(this);
    // The client area is fixed; the menu bar comes on top of it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const QString folder = workingDir.isEmpty() ? QDir::currentPath() : workingDir;
    try {
        m_doc.setPalette(loadDefaultPalette(nativePath(folder)));
    } catch (const std::exception&) {
        m_doc.setPalette(builtinPalette());
    }
    m_dither->setChecked(QSettings().value(QStringLiteral("import/dither"), false).toBool());
    makePlayer({});
    m_external = std::make_unique<ExternalFrameEdits>(m_doc, *m_services.messageBox);
    m_external->setDither(m_dither->isChecked());
    connect(&m_doc, &document::Document::changed, this, &frmQuillet2::refresh);
    connect(&m_doc.undoStack(), &QUndoStack::indexChanged, this, &frmQuillet2::updateEditActions);
    updateEditActions();
}

frmQuillet2::~frmQuillet2() {
    // Its watches refer to the document, which goes before the children do.
    m_external.reset();
    closePreview();
}

void frmQuillet2::buildWidgets() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(display::pixelsFromTwips(5115), display::pixelsFromTwips(2700));
    // The twip layout was made for an 8-point face; larger system fonts would
    // cut the captions off.
    QFont small = client->font();
    small.setPixelSize(11);
    client->setFont(small);
    setCentralWidget(client);

    auto group = [&](const char* name, const QString& caption, QRect where) {
        auto* g = new QGroupBox(caption, client);
        g->setObjectName(QString::fromLatin1(name));
        g->setGeometry(where);
        return g;
    };
    // Caption boxes look like the text boxes beside them but only carry a
    // label; a label shows all of it where a line edit would scroll.
    auto caption = [](QWidget* parent, const char* name, const QString& text, QRect where) {
        auto* box = new QLabel(text, parent);
        box->setObjectName(QString::fromLatin1(name));
        box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        // The number box beside it overlaps the last two pixels.
        QFont face = box->font();
        face.setPixelSize(10);
        box->setFont(face);
        box->setIndent(1);
        box->setGeometry(where);
        return box;
    };
    auto number = [](QWidget* parent, const char* name, bool editable, QRect where) {
        auto* box = new QLineEdit(QStringLiteral("0"), parent);
        box->setObjectName(QString::fromLatin1(name));
        box->setReadOnly(!editable);
        box->setGeometry(where);
        return box;
    };
    auto button = [](QWidget* parent, const char* name, const QString& text, QRect where) {
        auto* b = new QPushButton(text, parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(where);
        b->setAutoDefault(false);
        return b;
    };

    Frame1 = group("Frame1", QStringLiteral("Frame Data"), display::twipRect(0, 0, 2055, 2295));
    caption(Frame1, "txtTotalFrames", QStringLiteral("Frames"),
            display::twipRect(120, 360, 615, 285));
    txtFrameCount = number(Frame1, "txtFrameCount", false, display::twipRect(720, 360, 435, 285));
    cmdInsertFrame = button(Frame1, "cmdInsertFrame", QStringLiteral("&Insert Frame"),
                            display::twipRect(120, 1320, 1095, 375));
    cmdAddFrame = button(Frame1, "cmdAddFrame", QStringLiteral("&Add Frame"),
                         display::twipRect(120, 1800, 1095, 375));
    // The caption wraps onto two lines in a face small enough for its 25-pixel
    // button, as a narrow button's caption does; the access key stays Alt+P.
    cmdAnimate = button(Frame1, "cmdAnimate", QStringLiteral("&Play\nAnim."),
                        display::twipRect(1560, 1800, 375, 375));
    QFont narrow = cmdAnimate->font();
    narrow.setPixelSize(8);
    cmdAnimate->setFont(narrow);
    cmdAnimate->setToolTip(QStringLiteral("Play Anim."));

    Frame2 =
        group("Frame2", QStringLiteral("Current Frame"), display::twipRect(2160, 0, 2895, 2655));
    caption(Frame2, "Text1", QStringLiteral("Frame nr"), display::twipRect(240, 360, 750, 285));
    txtFrameNr = number(Frame2, "txtFrameNr", false, display::twipRect(960, 360, 550, 285));
    caption(Frame2, "Text2", QStringLiteral("Width"), display::twipRect(240, 720, 750, 285));
    txtWidth = number(Frame2, "txtWidth", false, display::twipRect(960, 720, 550, 285));
    caption(Frame2, "Text3", QStringLiteral("Height"), display::twipRect(240, 1080, 750, 285));
    txtHeight = number(Frame2, "txtHeight", false, display::twipRect(960, 1080, 550, 285));
    caption(Frame2, "Text5", QStringLiteral("x offset"), display::twipRect(240, 1440, 750, 285));
    txtXoffset = number(Frame2, "txtXoffset", true, display::twipRect(960, 1440, 550, 285));
    caption(Frame2, "Text4", QStringLiteral("y offset"), display::twipRect(240, 1800, 750, 285));
    txtYoffset = number(Frame2, "txtYoffset", true, display::twipRect(960, 1800, 550, 285));
    cmdRemoveFrame = button(Frame2, "cmdRemoveFrame", QStringLiteral("&Delete"),
                            display::twipRect(1800, 360, 855, 375));

    FrameNr = new QScrollBar(Qt::Horizontal, Frame2);
    FrameNr->setObjectName(QStringLiteral("FrameNr"));
    FrameNr->setGeometry(display::twipRect(120, 2280, 1935, 255));
    FrameNr->setRange(1, 1);
    FrameNr->setValue(1);
    FrameNr->setSingleStep(1);
    FrameNr->setPageStep(5);
    FrameNr->setFocusPolicy(Qt::StrongFocus);
    // A drag is one change, at release, not one per position passed.
    FrameNr->setTracking(false);

    // The importer keeps its pictures in memory, so this area never shows anything.
    Pic = new QLabel(client);
    Pic->setObjectName(QStringLiteral("Pic"));
    Pic->setGeometry(display::twipRect(1080, 840, 735, 375));
    Pic->hide();

    // Which direction the current frame belongs to; the boxes keep their plain numbers.
    lblDirection = new QLabel(this);
    lblDirection->setObjectName(QStringLiteral("lblDirection"));
    statusBar()->addWidget(lblDirection);
    statusBar()->setSizeGripEnabled(false);

    QWidget* order[] = {cmdAddFrame,   cmdAnimate, cmdRemoveFrame, txtXoffset,
                        txtYoffset,    txtFrameNr, txtWidth,       txtHeight,
                        txtFrameCount, FrameNr,    cmdInsertFrame};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    cmdAddFrame->setFocus();

    connect(cmdAddFrame, &QPushButton::clicked, this, &frmQuillet2::addFrame);
    connect(cmdInsertFrame, &QPushButton::clicked, this, &frmQuillet2::insertFrame);
    connect(cmdRemoveFrame, &QPushButton::clicked, this, &frmQuillet2::deleteFrame);
    connect(cmdAnimate, &QPushButton::clicked, this, &frmQuillet2::animate);
    connect(FrameNr, &QScrollBar::valueChanged, this, &frmQuillet2::frameNumberChanged);
    connect(txtXoffset, &QLineEdit::textChanged, this, [this] { offsetEdited(txtXoffset, true); });
    connect(txtYoffset, &QLineEdit::textChanged, this, [this] { offsetEdited(txtYoffset, false); });
}

void frmQuillet2::buildMenus() {
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [&](QMenu* m, const char* name, const QString& caption, QKeySequence shortcut,
                    auto handler) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    QMenu* file = menu("File", QStringLiteral("&File"));
    item(file, "Open", QStringLiteral("Open..."), {}, [this] { open(); });
    QMenu* recent = file->addMenu(QStringLiteral("Open Recent"));
    recent->setObjectName(QStringLiteral("OpenRecent"));
    m_recent = new RecentMenu(recent, [this](const QString& path) { openRecent(path); });
    item(file, "New", QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N),
         [this] { newDocument(); });
    item(file, "bmp_export", QStringLiteral("Export as bitmap(s)"), {},
         [this] { exportBitmaps(); });
    item(file, "png_export", QStringLiteral("Export as PNG(s)"), {}, [this] { exportPngs(); });
    item(file, "sheet_export", QStringLiteral("Export Sprite Sheet..."), {},
         [this] { exportSheet(); });
    item(file, "gif_export", QStringLiteral("Export Animated GIF..."), {}, [this] { exportGif(); });
    item(file, "Save", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
         [this] { save(); });
    item(file, "SaveAs", QStringLiteral("Save As..."), {}, [this] { saveAs(); });
    item(file, "Exit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X),
         [this] { exitProgram(); });

    QMenu* edit = menu("Edit", QStringLiteral("&Edit"));
    m_undoAction = item(edit, "Undo", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                        [this] { undo(); });
    m_redoAction = item(edit, "Redo", QStringLiteral("Redo"), {}, [this] { redo(); });
    m_redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addSeparator();
    item(edit, "MoveFrameEarlier", QStringLiteral("Move Frame Earlier"),
         QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { moveFrameEarlier(); });
    item(edit, "MoveFrameLater", QStringLiteral("Move Frame Later"),
         QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { moveFrameLater(); });
    item(edit, "DuplicateFrame", QStringLiteral("Duplicate Frame"),
         QKeySequence(Qt::CTRL | Qt::Key_D), [this] { duplicateFrame(); });
    item(edit, "EditFrameExternally", QStringLiteral("Edit Frame Externally"),
         QKeySequence(Qt::CTRL | Qt::Key_E), [this] { editFrameExternally(); });
    edit->addSeparator();
    item(edit, "Directions", QStringLiteral("Directions..."), {}, [this] { chooseDirections(); });

    buildViewMenu();

    QMenu* settings = menu("Settings", QStringLiteral("&Settings"));
    item(settings, "Select_palette", QStringLiteral("Select palette..."), {},
         [this] { selectPalette(); });
    // The check marks are the settings themselves; Qt inverts them before the
    // handlers run.
    transform_palette = item(settings, "transform_palette", QStringLiteral("Transform palette"), {},
                             [this] { transformPaletteToggled(); });
    transform_palette->setCheckable(true);
    transform_palette->setChecked(true);
    Preview =
        item(settings, "Preview", QStringLiteral("Preview"), {}, [this] { previewToggled(); });
    Preview->setCheckable(true);
    Preview->setChecked(true);
    m_dither = item(settings, "Dither", QStringLiteral("Dither true-colour pictures"), {}, [this] {
        QSettings().setValue(QStringLiteral("import/dither"), m_dither->isChecked());
        m_external->setDither(m_dither->isChecked());
    });
    m_dither->setCheckable(true);

    item(settings, "ExternalEditor", QStringLiteral("External Editor..."), {},
         [this] { chooseExternalEditor(); });

    QMenu* framesMenu = menu("Frames", QStringLiteral("F&rames"));
    item(framesMenu, "AddFramesFromSheet", QStringLiteral("Add Frames from Sheet..."), {},
         [this] { addFramesFromSheet(); });

    QMenu* help = menu("Help", QStringLiteral("&Help"));
    item(help, "About", QStringLiteral("About  Quillet..."), {}, [this] { showAbout(); });
}

void frmQuillet2::buildViewMenu() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View"));
    auto change = [this](auto edit) {
        return [this, edit] {
            imaging::ViewOptions next = m_view;
            edit(next);
            setViewOptions(next);
        };
    };
    auto add = [&](const char* name, const QString& caption, QList<QKeySequence> keys,
                   auto handler) {
        QAction* a = view->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    add("ZoomIn", QStringLiteral("Zoom In"),
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        change([](imaging::ViewOptions& v) { v.zoom = imaging::zoomedIn(v.zoom); }));
    add("ZoomOut", QStringLiteral("Zoom Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
        change([](imaging::ViewOptions& v) { v.zoom = imaging::zoomedOut(v.zoom); }));
    add("ActualSize", QStringLiteral("Actual Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
        change([](imaging::ViewOptions& v) { v.zoom = 1; }));
    view->addSeparator();
    auto toggle = [&](const char* name, const QString& caption, bool imaging::ViewOptions::*flag) {
        QAction* a = add(name, caption, {}, [this, flag](bool on) {
            imaging::ViewOptions next = m_view;
            next.*flag = on;
            setViewOptions(next);
        });
        a->setCheckable(true);
        a->setChecked(m_view.*flag);
        return a;
    };
    m_view = imaging::loadViewOptions(QSettings());
    toggle("AlignByOffsets", QStringLiteral("Align by Offsets"),
           &imaging::ViewOptions::alignByOffsets);
    toggle("OnionPrevious", QStringLiteral("Onion Skin (previous)"),
           &imaging::ViewOptions::onionPrevious);
    toggle("OnionNext", QStringLiteral("Onion Skin (next)"), &imaging::ViewOptions::onionNext);
    toggle("TransparentBackground", QStringLiteral("Transparent Background"),
           &imaging::ViewOptions::transparentBackground);
    view->addSeparator();
    add("FrameRate", QStringLiteral("Frame Rate..."), {}, [this] { chooseFrameRate(); });
    m_playOneDirection =
        add("PlayOneDirection", QStringLiteral("Play the Current Direction Only"), {}, [] {});
    m_playOneDirection->setCheckable(true);
}

void frmQuillet2::setViewOptions(const imaging::ViewOptions& options) {
    m_view = options;
    QSettings settings;
    imaging::saveViewOptions(settings, m_view);
    m_player->setFramesPerSecond(m_view.framesPerSecond);
    if (m_player->isPlaying())
        showPlayedFrame(m_player->shownIndex());
    else
        UpdatePreview();
}

void frmQuillet2::chooseFrameRate() {
    const std::optional<int> rate = m_services.prompt->number(
        QStringLiteral("Frame Rate"), QStringLiteral("Frames per second:"), m_view.framesPerSecond,
        imaging::kMinFramesPerSecond, imaging::kMaxFramesPerSecond);
    if (!rate)
        return;
    imaging::ViewOptions next = m_view;
    next.framesPerSecond = *rate;
    setViewOptions(next);
}

// ---- Playback ---------------------------------------------------------------

void frmQuillet2::makePlayer(display::AnimationPlayer::Clock clock) {
    if (m_player)
        m_player->stop();
    m_player = clock ? std::make_unique<display::AnimationPlayer>(std::move(clock))
                     : std::make_unique<display::AnimationPlayer>();
    connect(m_player.get(), &display::AnimationPlayer::frameChanged, this,
            &frmQuillet2::showPlayedFrame);
}

display::AnimationPlayer& frmQuillet2::usePlaybackClock(display::AnimationPlayer::Clock clock) {
    makePlayer(std::move(clock));
    return *m_player;
}

void frmQuillet2::animate() {
    if (m_player->isPlaying()) {
        stopPlayback();
        return;
    }
    if (!mayRun() || frameCount() < 1)
        return;
    // One direction plays its own frames; otherwise the whole document.
    const int count = frameCount();
    const int current = std::clamp(curFrame(), 1, count) - 1;
    const int directions = m_doc.directions();
    int length = count;
    m_playFrom = 0;
    if (m_playOneDirection->isChecked() && directions > 1 && count % directions == 0) {
        length = count / directions;
        m_playFrom = current / length * length;
    }
    m_player->start(length, current - m_playFrom, m_view.framesPerSecond);
    showPlayedFrame(current - m_playFrom);
}

void frmQuillet2::showPlayedFrame(int index) {
    const int frame = m_playFrom + index;
    if (frame < 0 || frame >= frameCount()) {
        stopPlayback();
        return;
    }
    // Drawn where the preview is: moving it back beside the window on every
    // frame would fight a user who moved it.
    display::frmShowFrame& window = m_preview ? *m_preview : preparePreview();
    window.showFrame(frames(), frame, palTransform(), m_view);
}

void frmQuillet2::stopPlayback() {
    if (!m_player->isPlaying())
        return;
    const int shown = m_playFrom + m_player->stop();
    // The frame shown becomes the current one, and everything shows it.
    if (shown >= 0 && shown < frameCount())
        m_doc.setCurFrame(shown + 1);
    refresh();
}

bool frmQuillet2::beginCommand() {
    if (!mayRun())
        return false;
    stopPlayback();
    return true;
}

bool frmQuillet2::previewTicked() const {
    return Preview->isChecked();
}

bool frmQuillet2::mayRun() const {
    return m_doc.mayChange();
}

platform::Answer frmQuillet2::ask(const QString& question, platform::Buttons buttons) {
    return m_services.messageBox->show(question, appTitle(), buttons, platform::Icon::None);
}

// ---- Current frame display ------------------------------------------------

void frmQuillet2::showFrameData() {
    if (frameCount() <= 0)
        return;
    const int k = FrameNr->value();
    if (k < 1 || k > frameCount())
        return;
    // Held by value: the offset boxes' notifications run in the middle of this.
    const FramePtr frame = frames()[k - 1];
    txtFrameNr->setText(QString::number(k));
    txtWidth->setText(QString::number(frame->get_X_size()));
    txtHeight->setText(QString::number(frame->get_Y_size()));
    txtXoffset->setText(QString::number(frame->get_X_offset()));
    txtYoffset->setText(QString::number(frame->get_Y_offset()));
    txtFrameCount->setText(QString::number(FrameNr->maximum()));
}

void frmQuillet2::refresh() {
    if (m_player->isPlaying())
        m_player->stop();
    if (m_typingOffset) {
        // The box already shows what was typed; only the picture may move.
        UpdatePreview();
        return;
    }
    const int count = frameCount();
    const int before = FrameNr->value();
    // Moving the scroll bar runs the frame-number change at once, against the
    // document as it is now; the range is widened first so that the value is
    // never clamped on the way.
    FrameNr->setMaximum(std::max({1, count, FrameNr->maximum()}));
    FrameNr->setValue(std::max(1, curFrame()));
    FrameNr->setMaximum(std::max(1, count));
    txtFrameCount->setText(QString::number(count));
    if (FrameNr->value() == before) {
        showFrameData();
        UpdatePreview();
    }
    showDirection();
}

void frmQuillet2::showDirection() {
    const int directions = m_doc.directions();
    const int count = frameCount();
    QString line;
    if (count > 0 && directions == 1) {
        line = QStringLiteral("1 direction");
    } else if (count > 0 && count % directions == 0) {
        const int perDirection = count / directions;
        const int index = std::clamp(curFrame(), 1, count) - 1;
        line = QStringLiteral("Direction %1 of %2, frame %3 of %4")
                   .arg(index / perDirection + 1)
                   .arg(directions)
                   .arg(index % perDirection + 1)
                   .arg(perDirection);
    } else if (count > 0) {
        line = QStringLiteral("%1 directions, but %2 frames are not a multiple of %1")
                   .arg(directions)
                   .arg(count);
    }
    lblDirection->setText(line);
}

void frmQuillet2::chooseDirections() {
    if (!beginCommand() || frameCount() < 1)
        return;
    const std::optional<int> chosen = m_services.prompt->number(
        QStringLiteral("Directions"),
        QStringLiteral("Directions (they must divide the %1 frames):").arg(frameCount()),
        m_doc.directions(), 1, limits::kMaxDirections);
    if (!chosen)
        return;
    if (frameCount() % *chosen != 0) {
        m_services.messageBox->show(QStringLiteral("%1 frames cannot be split into %2 directions.")
                                        .arg(frameCount())
                                        .arg(*chosen),
                                    appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
        return;
    }
    m_doc.setDirections(*chosen);
}

void frmQuillet2::offsetEdited(QLineEdit* box, bool xAxis) {
    if (!beginCommand())
        return;
    // Text that is no 16-bit number leaves the offset alone; this is also what
    // keeps a stored offset beyond 16 bits intact when the box is filled.
    const std::optional<std::int16_t> offset = offsetFromText(box->text());
    if (!offset)
        return;
    m_typingOffset = true;
    m_doc.setOffset(curFrame(), xAxis ? document::Axis::X : document::Axis::Y, *offset);
    m_typingOffset = false;
}

// The shared dialog set up as every command here wants it: the given filter,
// its first entry selected, and a cancel reported as a cancel. Other settings
// keep what the previous command left, as the name field must.
platform::FileDialog& frmQuillet2::prepareDialog(const QString& filter) {
    platform::FileDialog& dialog = *m_services.fileDialog;
    dialog.Filter = filter;
    dialog.FilterIndex = 1;
    dialog.CancelError = true;
    return dialog;
}

// ---- Preview ----------------------------------------------------------------

display::frmShowFrame& frmQuillet2::preparePreview() {
    if (!m_preview) {
        m_preview = new display::frmShowFrame(this);
        // Closing the preview ends playback; its zoom keys are the View menu's.
        connect(m_preview, &display::frmShowFrame::closed, this, &frmQuillet2::stopPlayback);
        for (auto [signal, item] : {std::pair{&display::frmShowFrame::zoomInRequested, "ZoomIn"},
                                    {&display::frmShowFrame::zoomOutRequested, "ZoomOut"},
                                    {&display::frmShowFrame::actualSizeRequested, "ActualSize"}}) {
            QAction* action = findChild<QAction*>(QString::fromLatin1(item));
            connect(m_preview, signal, action, &QAction::trigger);
        }
    }
    const QRect outer = frameGeometry();
    const auto x = static_cast<std::int32_t>(
        (std::int64_t{outer.x()} + outer.width()) * display::kTwipsPerPixel + 1);
    const auto y = static_cast<std::int32_t>(std::int64_t{outer.y()} * display::kTwipsPerPixel);
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (const FramePtr frame = m_doc.currentFrame()) {
        width = frame->get_X_size();
        height = frame->get_Y_size();
    }
    m_preview->Setup(x, y, width, height);
    m_preview->show();
    activateWindow();
    return *m_preview;
}

void frmQuillet2::closePreview() {
    if (!m_preview)
        return;
    // Deleted rather than hidden so that its picture goes with it; the guarded
    // pointer copes with a window that deletes itself on close.
    QPointer<display::frmShowFrame> window = m_preview;
    m_preview = nullptr;
    window->close();
    delete window.data();
}

void frmQuillet2::UpdatePreview() {
    BusyScope busy(*m_services.busyPointer);
    const FramePtr frame = m_doc.currentFrame();
    if (frame && previewTicked()) {
        preparePreview().showFrame(frames(), curFrame() - 1, palTransform(), m_view);
    } else {
        closePreview();
    }
    busy.release();
    activateWindow();
}

void frmQuillet2::togglePreview() {
    Preview->trigger();
}

bool frmQuillet2::undoToggleWhileSaving(QAction* item) {
    // The check marks are part of what a running save reads; a click then is taken back.
    if (!mayRun())
        item->setChecked(!item->isChecked());
    return !mayRun();
}

void frmQuillet2::previewToggled() {
    if (undoToggleWhileSaving(Preview))
        return;
    showFrameData();
    UpdatePreview();
}

// ---- Frame list -----------------------------------------------------------

void frmQuillet2::tellReadError(const QString& path, const QString& reason) {
    m_services.messageBox->show(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reason),
                                appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
}

std::optional<FrameList> frmQuillet2::importPicture(const QString& path) {
    return importPicture(path, QStringLiteral("the picture holds no frames"),
                         [&path](const imaging::ImportOptions& options) {
                             return imaging::LoadImage(nativePath(path), options);
                         });
}

// The picture's frames, or nothing after a message (or a cancel, which says nothing).
std::optional<FrameList>
frmQuillet2::importPicture(const QString& path, const QString& whenEmpty,
                           const std::function<FrameList(const imaging::ImportOptions&)>& load) {
    QString failure;
    FrameList pieces;
    {
        BusyScope busy(*m_services.busyPointer);
        ProgressGate gate(this, QStringLiteral("Reading %1 ...").arg(QFileInfo(path).fileName()));
        try {
            imaging::ImportOptions options{currentPalette(), m_dither->isChecked()};
            options.progress = gate.callback();
            pieces = load(options);
            if (pieces.empty())
                failure = whenEmpty;
            else if (std::ssize(pieces) > m_doc.room())
                failure = QStringLiteral("%1 more frames would exceed the limit of %2 frames")
                              .arg(pieces.size())
                              .arg(limits::kMaxFrames);
        } catch (const WorkCancelled&) {
            return std::nullopt;
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    if (failure.isEmpty())
        return pieces;
    tellReadError(path, failure);
    return std::nullopt;
}

void frmQuillet2::addFrame() {
    if (!beginCommand())
        return;
    platform::FileDialog& dialog = prepareDialog(kAddFilter);
    if (dialog.ShowOpen() && !dialog.fileTitle().isEmpty()) {
        addFrameFrom(dialog.FileName);
        return;
    }
    refresh();
}

void frmQuillet2::addFrameFrom(const QString& path) {
    if (!beginCommand())
        return;
    std::optional<FrameList> pieces = importPicture(path);
    if (!pieces ||
        !m_doc.insertFrames(std::move(*pieces), frameCount(), QStringLiteral("Add Frame")))
        refresh();
}

void frmQuillet2::insertFrame() {
    if (!beginCommand())
        return;
    if (frameCount() <= 0) {
        addFrame();
        return;
    }
    platform::FileDialog& dialog = prepareDialog(kInsertFilter);
    if (dialog.ShowOpen() && !dialog.fileTitle().isEmpty()) {
        std::optional<FrameList> pieces = importPicture(dialog.FileName);
        const int at = std::clamp(curFrame(), 1, frameCount()) - 1;
        if (pieces && m_doc.insertFrames(std::move(*pieces), at, QStringLiteral("Insert Frame")))
            return;
    }
    refresh();
}

void frmQuillet2::deleteFrame() {
    if (!beginCommand() || !m_doc.currentFrame())
        return;
    if (ask(QStringLiteral("Are you sure you want to remove the current frame ?"),
            platform::Buttons::YesNoCancel) == platform::Answer::Yes)
        m_doc.removeFrame(curFrame());
}

void frmQuillet2::frameNumberChanged(int value) {
    // Moving to a frame by hand ends playback there.
    if (m_player->isPlaying())
        m_player->stop();
    m_doc.setCurFrame(value);
    showFrameData();
    UpdatePreview();
    showDirection();
}

void frmQuillet2::moveFrameEarlier() {
    if (beginCommand())
        m_doc.moveFrame(curFrame(), -1);
}

void frmQuillet2::moveFrameLater() {
    if (beginCommand())
        m_doc.moveFrame(curFrame(), +1);
}

void frmQuillet2::duplicateFrame() {
    if (beginCommand())
        m_doc.duplicateFrame(curFrame());
}

void frmQuillet2::undo() {
    if (beginCommand())
        m_doc.undo();
}

void frmQuillet2::redo() {
    if (beginCommand())
        m_doc.redo();
}

void frmQuillet2::updateEditActions() {
    const QUndoStack& stack = m_doc.undoStack();
    m_undoAction->setEnabled(m_doc.canUndo());
    m_redoAction->setEnabled(m_doc.canRedo());
    m_undoAction->setText(stack.canUndo() ? QStringLiteral("Undo %1").arg(stack.undoText())
                                          : QStringLiteral("Undo"));
    m_redoAction->setText(stack.canRedo() ? QStringLiteral("Redo %1").arg(stack.redoText())
                                          : QStringLiteral("Redo"));
}

// ---- Document ---------------------------------------------------------------

void frmQuillet2::newDocument() {
    if (!beginCommand() || frameCount() < 1)
        return;
    if (ask(QStringLiteral("Save before closing DC6 animation ?"), platform::Buttons::YesNo) ==
            platform::Answer::Yes &&
        save() == SaveResult::Failed)
        return;
    m_external->stopAll();
    m_doc.clear();
}

void frmQuillet2::open() {
    if (!beginCommand())
        return;
    platform::FileDialog& dialog = prepareDialog(kOpenFilter);
    if (!dialog.ShowOpen())
        return;
    const QString path = dialog.FileName;
    if (dialog.fileTitle().isEmpty())
        return;
    openFile(path);
}

void frmQuillet2::openFile(const QString& path) {
    if (!beginCommand())
        return;
    FrameList loaded;
    int directions = 1;
    QString failure;
    {
        BusyScope busy(*m_services.busyPointer);
        ProgressGate gate(this, QStringLiteral("Opening %1 ...").arg(QFileInfo(path).fileName()));
        try {
            loaded = DC6FileIO().LoadDC6(nativePath(path), &directions, gate.callback());
        } catch (const WorkCancelled&) {
            return;
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    if (failure.isEmpty() && std::ssize(loaded) > limits::kMaxFrames)
        failure = QStringLiteral("%1 frames exceed the limit of %2 frames")
                      .arg(loaded.size())
                      .arg(limits::kMaxFrames);
    if (!failure.isEmpty()) {
        tellReadError(path, failure);
        return;
    }
    document::adoptOpenedFrames(loaded, currentPalette());
    m_external->stopAll();
    // Save writes back to the file the user opened, never to an older name.
    m_doc.replace(std::move(loaded), path, directions);
    m_recent->add(path);
}

void frmQuillet2::tellNoFrames() {
    m_services.messageBox->show(
        QStringLiteral("The animation has no frames, so there is nothing to save."), appTitle(),
        platform::Buttons::Ok, platform::Icon::None);
}

SaveResult frmQuillet2::save() {
    if (!beginCommand())
        return SaveResult::Failed;
    if (docFileName().isEmpty())
        return saveAs();
    if (frameCount() < 1) {
        tellNoFrames();
        return SaveResult::NoFrames;
    }
    if (!directionsFit())
        return SaveResult::Failed;
    return writeDocument(docFileName()) ? SaveResult::Saved : SaveResult::Failed;
}

bool frmQuillet2::directionsFit() {
    const int directions = m_doc.directions();
    if (frameCount() % directions == 0)
        return true;
    // The reader would cut such a file into the wrong frames; one direction
    // keeps every frame.
    if (ask(QStringLiteral("The document has %1 directions but %2 frames, which is not a multiple "
                           "of %1. Save it as one direction of %2 frames?")
                .arg(directions)
                .arg(frameCount()),
            platform::Buttons::YesCancel) != platform::Answer::Yes)
        return false;
    m_doc.setSavedDirections(1);
    showDirection();
    return true;
}

SaveResult frmQuillet2::saveAs() {
    if (!beginCommand())
        return SaveResult::Failed;
    // A DC6 file without frames is of no use to anyone; say so before asking for a name.
    if (frameCount() < 1) {
        tellNoFrames();
        return SaveResult::NoFrames;
    }
    platform::FileDialog& dialog = prepareDialog(kSaveFilter);
    dialog.FileName.clear();
    dialog.DefaultExt = QStringLiteral("DC6");
    if (!dialog.ShowSave() || dialog.fileTitle().isEmpty())
        return SaveResult::Cancelled;
    if (!directionsFit())
        return SaveResult::Failed;

    // The document takes the new name only once the file is written.
    if (!writeDocument(dialog.FileName))
        return SaveResult::Failed;
    m_doc.setFileName(dialog.FileName);
    return SaveResult::Saved;
}

bool frmQuillet2::writeDocument(const QString& path) {
    m_doc.setSaving(true);
    updateEditActions();
    BusyScope busy(*m_services.busyPointer);
    QString failure;
    {
        // Modal, so no command can change the frame list while it is written.
        // No cancel button: the file is replaced only after the last frame.
        QProgressDialog progress(QStringLiteral("Saving %1 ...").arg(QFileInfo(path).fileName()),
                                 QString(), 0, frameCount(), this);
        progress.setWindowTitle(appTitle());
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(kProgressDelayMs);
        progress.setAutoClose(false);
        try {
            DC6FileIO().SaveDC6(
                nativePath(path), frames(), palTransform(),
                [&progress](int done, int total) {
                    progress.setMaximum(total);
                    progress.setValue(done);
                },
                m_doc.directions());
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    busy.release();
    m_doc.setSaving(false);
    updateEditActions();
    if (failure.isEmpty()) {
        m_recent->add(path);
        return true;
    }
    m_services.messageBox->show(
        QStringLiteral("The file \"%1\" could not be saved.\n%2").arg(path, failure), appTitle(),
        platform::Buttons::Ok, platform::Icon::Warning);
    return false;
}

void frmQuillet2::exitProgram() {
    if (!beginCommand())
        return;
    if (ask(QStringLiteral("Save before exit ?"), platform::Buttons::YesNo) ==
            platform::Answer::Yes &&
        save() == SaveResult::Failed)
        return;
    close();
}

void frmQuillet2::closeEvent(QCloseEvent* event) {
    if (!beginCommand()) {
        event->ignore();
        return;
    }
    m_doc.undoStack().clear();
    m_external->stopAll();
    m_doc.clear();
    closePreview();
    QMainWindow::closeEvent(event);
}

// ---- Drag and drop ----------------------------------------------------------

bool frmQuillet2::acceptDrag(QDropEvent* event) {
    if (!mayRun() || droppedFiles(event->mimeData()).empty() ||
        !(event->possibleActions() & Qt::CopyAction))
        return false;
    // The files are read, never moved.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void frmQuillet2::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptDrag(event))
        event->ignore();
}

void frmQuillet2::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptDrag(event))
        event->ignore();
}

void frmQuillet2::dropEvent(QDropEvent* event) {
    if (!acceptDrag(event)) {
        event->ignore();
        return;
    }
    // The program the files came from waits until the drop returns, so the
    // reading happens after it. A document comes first so that pictures
    // dropped with it become its frames instead of being replaced by it.
    QTimer::singleShot(0, this, [this, files = droppedFiles(event->mimeData())] {
        if (!files.document.isEmpty())
            openFile(files.document);
        for (const QString& picture : files.pictures)
            addFrameFrom(picture);
    });
}

bool frmQuillet2::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        // Dragged text is still the text box's own business.
        auto* drop = static_cast<QDropEvent*>(event);
        if (droppedFiles(drop->mimeData()).empty())
            break;
        if (event->type() == QEvent::Drop)
            dropEvent(drop);
        else if (!acceptDrag(drop))
            drop->ignore();
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Palette commands -----------------------------------------------------

std::optional<Palette> frmQuillet2::readChosenPalette(const QString& path) {
    try {
        return imaging::readPaletteAny(nativePath(path));
    } catch (const PaletteSizeError&) {
        m_services.messageBox->show(
            QStringLiteral("Wrong filesize (length of file is not 768 bytes)"),
            QStringLiteral("Filesize error"), platform::Buttons::Ok, platform::Icon::Warning);
    } catch (const std::exception& e) {
        m_services.messageBox->show(QStringLiteral("The palette file \"%1\" could not be read.\n%2")
                                        .arg(path, QString::fromUtf8(e.what())),
                                    appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
    }
    return std::nullopt;
}

void frmQuillet2::selectPalette() {
    if (!beginCommand())
        return;
    platform::FileDialog& dialog = prepareDialog(kPaletteFilter);
    if (dialog.ShowOpen() && !dialog.fileTitle().isEmpty()) {
        if (std::optional<Palette> chosen = readChosenPalette(dialog.FileName)) {
            BusyScope busy(*m_services.busyPointer);
            m_doc.applyPalette(*chosen);
            return;
        }
    }
    refresh();
}

void frmQuillet2::transformPalette() {
    transform_palette->trigger();
}

void frmQuillet2::transformPaletteToggled() {
    if (undoToggleWhileSaving(transform_palette))
        return;
    m_doc.setTransform(transform_palette->isChecked());
    UpdatePreview();
}

// ---- Export and About -----------------------------------------------------

void frmQuillet2::exportBitmaps() {
    exportFiles(imaging::ExportFormat::Bmp);
}

void frmQuillet2::exportPngs() {
    exportFiles(imaging::ExportFormat::Png);
}

void frmQuillet2::exportFiles(imaging::ExportFormat format) {
    if (!beginCommand())
        return;
    const bool bmp = format == imaging::ExportFormat::Bmp;
    platform::FileDialog& dialog = prepareDialog(bmp ? kExportFilter : kPngFilter);
    dialog.FileName.clear();
    dialog.DefaultExt = bmp ? QStringLiteral("BMP") : QStringLiteral("png");
    if (!dialog.ShowSave())
        return;

    const int total = frameCount();
    imaging::ExportReport report;
    if (!dialog.fileTitle().isEmpty() && total > 0) {
        BusyScope busy(*m_services.busyPointer);
        ProgressGate gate(this, QStringLiteral("Exporting %1 frames ...").arg(total));
        // A copy: the list may change while the progress window runs the event loop.
        const FrameList frames = this->frames();
        // The document keeps its own name; the export only borrows the chosen one.
        report = imaging::exportFrames(frames, palTransform(), dialog.FileName, format,
                                       [&gate](int done, int all) { return gate.step(done, all); });
    }
    UpdatePreview();
    m_services.busyPointer->setBusy(false);
    tellExported(report, total);
}

// One message at most: how far a cancelled export came, and what failed.
void frmQuillet2::tellExported(const imaging::ExportReport& report, int total) {
    QStringList lines;
    if (report.cancelled)
        lines << QStringLiteral("The export was cancelled; %1 of %2 files were written.")
                     .arg(report.written)
                     .arg(total);
    if (report.failed > 0)
        lines << QStringLiteral("%1 of %2 frames could not be written.\n%3")
                     .arg(report.failed)
                     .arg(total)
                     .arg(report.firstFailure);
    if (!lines.isEmpty())
        m_services.messageBox->show(lines.join(QLatin1Char('\n')), appTitle(),
                                    platform::Buttons::Ok, platform::Icon::Warning);
}

// The name of a one-file export; empty when cancelled or there is nothing to write.
QString frmQuillet2::chooseExportFile(const QString& filter, const QString& extension) {
    if (!beginCommand())
        return {};
    if (frameCount() < 1) {
        tellNoFrames();
        return {};
    }
    platform::FileDialog& dialog = prepareDialog(filter);
    dialog.FileName.clear();
    dialog.DefaultExt = extension;
    if (!dialog.ShowSave() || dialog.fileTitle().isEmpty())
        return {};
    return dialog.FileName;
}

void frmQuillet2::exportSheet() {
    const QString path = chooseExportFile(kPngFilter, QStringLiteral("png"));
    if (path.isEmpty())
        return;
    const int suggested = static_cast<int>(std::ceil(std::sqrt(double(frameCount()))));
    const std::optional<int> columns =
        m_services.prompt->number(QStringLiteral("Export Sprite Sheet"), QStringLiteral("Columns:"),
                                  suggested, 1, frameCount());
    if (!columns)
        return;
    QString message;
    platform::Icon icon = platform::Icon::None;
    try {
        BusyScope busy(*m_services.busyPointer);
        const imaging::SheetLayout layout =
            imaging::exportSheet(frames(), palTransform(), currentPalette(), *columns, path);
        // What Add Frames from Sheet needs to cut it the same way.
        message = QStringLiteral("%1: %2 frames in %3 x %4 cells of %5 x %6 pixels; the anchor "
                                 "is at %7, %8 in each cell.")
                      .arg(QFileInfo(path).fileName())
                      .arg(frameCount())
                      .arg(layout.columns)
                      .arg(layout.rows)
                      .arg(layout.cell.width())
                      .arg(layout.cell.height())
                      .arg(layout.anchor.x())
                      .arg(layout.anchor.y());
    } catch (const std::exception& e) {
        message =
            QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), QString::fromUtf8(e.what()));
        icon = platform::Icon::Warning;
    }
    m_services.messageBox->show(message, appTitle(), platform::Buttons::Ok, icon);
}

void frmQuillet2::exportGif() {
    const QString path = chooseExportFile(kGifFilter, QStringLiteral("gif"));
    if (path.isEmpty())
        return;
    try {
        BusyScope busy(*m_services.busyPointer);
        imaging::exportGif(frames(), palTransform(), currentPalette(), m_view.framesPerSecond,
                           path);
    } catch (const std::exception& e) {
        m_services.messageBox->show(
            QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), QString::fromUtf8(e.what())),
            appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
    }
}

void frmQuillet2::addFramesFromSheet() {
    if (!beginCommand())
        return;
    platform::FileDialog& dialog = prepareDialog(kSheetFilter);
    if (!dialog.ShowOpen() || dialog.fileTitle().isEmpty())
        return;
    const QString path = dialog.FileName;
    const std::optional<platform::SheetRequest> request =
        m_services.prompt->sheet(QStringLiteral("Add Frames from Sheet"), m_lastSheet);
    if (!request)
        return;
    m_lastSheet = *request;
    imaging::SheetGrid grid;
    if (request->byCellSize) {
        grid.cellWidth = request->cellWidth;
        grid.cellHeight = request->cellHeight;
    } else {
        grid.columns = request->columns;
        grid.rows = request->rows;
    }
    grid.margin = request->margin;
    grid.spacing = request->spacing;
    std::optional<FrameList> cells =
        importPicture(path, QStringLiteral("every cell is transparent"),
                      [&](const imaging::ImportOptions& options) {
                          return imaging::LoadSheet(nativePath(path), grid, request->trim, options);
                      });
    if (cells)
        m_doc.insertFrames(std::move(*cells), frameCount(),
                           QStringLiteral("Add Frames from Sheet"));
}

void frmQuillet2::showAbout() {
    display::frmAbout about(*m_services.system, *m_services.messageBox, this);
    about.exec();
}

// ---- External editor and recent files --------------------------------------

void frmQuillet2::editFrameExternally() {
    if (!mayRun() || !m_doc.currentFrame())
        return;
    QString error;
    if (!m_external->start(curFrame(), &error))
        m_services.messageBox->show(
            QStringLiteral("Frame %1 could not be opened in the external editor.\n%2")
                .arg(curFrame())
                .arg(error),
            appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
}

void frmQuillet2::chooseExternalEditor() {
    QSettings settings;
    const std::optional<QString> command = m_services.prompt->text(
        QStringLiteral("External Editor"),
        QStringLiteral("Command line of your picture editor, %f for the file (empty: the "
                       "desktop's default application):"),
        settings.value(document::ExternalEditorKey).toString());
    if (!command)
        return;
    if (command->trimmed().isEmpty())
        settings.remove(document::ExternalEditorKey);
    else
        settings.setValue(document::ExternalEditorKey, command->trimmed());
}

void frmQuillet2::openRecent(const QString& path) {
    if (!mayRun())
        return;
    if (!m_recent->confirmExists(path)) {
        m_services.messageBox->show(
            QStringLiteral("The file \"%1\" no longer exists; it was taken off the list.")
                .arg(QDir::toNativeSeparators(path)),
            appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
        return;
    }
    openFile(path);
}

document::ExternalEdits& frmQuillet2::externalEdits() {
    return m_external->edits();
}

} // namespace quillet::editor
