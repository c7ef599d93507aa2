#include "frmQuillet2.h"

#include "BoxShortcuts.h"
#include "CommandContext.h"
#include "DrawingCommands.h"
#include "ExportCommands.h"
#include "ExternalEditCommands.h"
#include "FileCommands.h"
#include "FileDropFilter.h"
#include "FrameImportCommands.h"
#include "FrameSelectionCommands.h"
#include "HelpCommands.h"
#include "HistoryCommands.h"
#include "OffsetText.h"
#include "PaletteCommands.h"
#include "PixelSelectionCommands.h"
#include "PreviewCommands.h"
#include "StatusLine.h"
#include "display/CanvasDialog.h"
#include "display/PaletteDialogs.h"
#include "display/SheetDataDialogs.h"
#include "display/SheetDialog.h"
#include "display/Twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <iterator>

namespace quillet::editor {

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
    if (!m_services.sheetQuestion)
        m_services.sheetQuestion = std::make_unique<display::SheetDialogQuestion>(this);
    if (!m_services.canvasQuestion)
        m_services.canvasQuestion = std::make_unique<display::CanvasDialogQuestion>(this);
    if (!m_services.sheetDataQuestion)
        m_services.sheetDataQuestion = std::make_unique<display::SheetDataDialogQuestion>(this);
    if (!m_services.remapQuestion)
        m_services.remapQuestion = std::make_unique<display::PaletteDialogQuestions>(this);
    if (!m_services.usageQuestion)
        m_services.usageQuestion = std::make_unique<display::PaletteDialogQuestions>(this);

    m_context = std::make_unique<CommandContext>(*this, m_doc, m_services);
    m_preview = std::make_unique<PreviewCommands>(*m_context);
    m_imports = std::make_unique<FrameImportCommands>(*m_context);
    m_exports = std::make_unique<ExportCommands>(*m_context, *m_preview);
    m_external = std::make_unique<ExternalEditCommands>(*m_context, *m_imports);
    m_files = std::make_unique<FileCommands>(*m_context, *m_external);
    m_frameCommands = std::make_unique<FrameSelectionCommands>(*m_context, *m_preview, *m_exports);
    m_history = std::make_unique<HistoryCommands>(*m_context);
    m_palettes = std::make_unique<PaletteCommands>(*m_context, *m_preview);
    m_help = std::make_unique<HelpCommands>(*m_context);
    m_drawing = std::make_unique<DrawingCommands>(*m_context, *m_preview);
    m_pixelSelection =
        std::make_unique<PixelSelectionCommands>(*m_context, *m_preview, *m_drawing, *m_imports);
    m_context->setStopPlayback([this] { m_preview->stopPlayback(); });
    m_history->follow(*m_drawing);

    setObjectName(QStringLiteral("frmQuillet2"));
    setWindowTitle(appTitle());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildWidgets();
    buildMenus();
    new BoxShortcuts(*this);
    connect(new FileDropFilter(*m_context, *this), &FileDropFilter::filesDropped, this,
            &frmQuillet2::takeFiles);
    // The client area is fixed; the menu bar comes on top of it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_palettes->loadStartupPalette(workingDir.isEmpty() ? QDir::currentPath() : workingDir);
    connect(&m_doc, &document::Document::framesChanged, this, &frmQuillet2::refresh);
    connect(m_imports.get(), &FrameImportCommands::nothingAdded, this, &frmQuillet2::refresh);
    connect(m_palettes.get(), &PaletteCommands::nothingChosen, this, &frmQuillet2::refresh);
    connect(m_preview.get(), &PreviewCommands::currentFrameChosen, this, &frmQuillet2::refresh);
    connect(m_preview.get(), &PreviewCommands::previewToggled, this, &frmQuillet2::showFrameData);
    connect(m_palettes.get(), &PaletteCommands::transformChanged, m_preview.get(),
            &PreviewCommands::UpdatePreview);
    connect(m_exports.get(), &ExportCommands::exportEnded, m_preview.get(),
            &PreviewCommands::UpdatePreview);
    connect(m_files.get(), &FileCommands::saveStateChanged, this, [this] {
        m_history->updateActions();
        showStatus();
    });
    connect(&m_doc, &document::Document::modifiedChanged, this, &frmQuillet2::showStatus);
    showStatus();
}

// The commands go first: their frames out and their preview refer to the document.
frmQuillet2::~frmQuillet2() {
    // The box with the focus loses it as the widgets go, after the window.
    for (QLineEdit* box : {txtXoffset, txtYoffset})
        disconnect(box, nullptr, this, nullptr);
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
    // Down while playing: the caption stays, and screen readers hear the state.
    cmdAnimate->setCheckable(true);

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

    // Which document this is, and which direction the current frame belongs
    // to; the boxes keep their plain numbers.
    m_statusLine = new StatusLine(*this, m_doc);

    QWidget* order[] = {cmdAddFrame,   cmdAnimate, cmdRemoveFrame, txtXoffset,
                        txtYoffset,    txtFrameNr, txtWidth,       txtHeight,
                        txtFrameCount, FrameNr,    cmdInsertFrame};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    cmdAddFrame->setFocus();

    connect(cmdAddFrame, &QPushButton::clicked, m_imports.get(), &FrameImportCommands::addFrame);
    connect(cmdInsertFrame, &QPushButton::clicked, m_imports.get(),
            &FrameImportCommands::insertFrame);
    connect(cmdRemoveFrame, &QPushButton::clicked, m_frameCommands.get(),
            &FrameSelectionCommands::remove);
    connect(cmdAnimate, &QPushButton::clicked, this, [this] {
        m_preview->animate();
        cmdAnimate->setChecked(m_preview->isPlaying());
    });
    connect(m_preview.get(), &PreviewCommands::playingChanged, cmdAnimate,
            &QPushButton::setChecked);
    connect(FrameNr, &QScrollBar::valueChanged, this, &frmQuillet2::frameNumberChanged);
    connect(txtXoffset, &QLineEdit::textChanged, this, [this] { offsetEdited(txtXoffset, true); });
    connect(txtYoffset, &QLineEdit::textChanged, this, [this] { offsetEdited(txtYoffset, false); });
    connect(txtXoffset, &QLineEdit::editingFinished, this,
            [this] { offsetLeft(txtXoffset, true); });
    connect(txtYoffset, &QLineEdit::editingFinished, this,
            [this] { offsetLeft(txtYoffset, false); });
}

void frmQuillet2::buildMenus() {
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    QMenu* file = menu("File", QStringLiteral("&File"));
    file->addAction(m_files->openAction());
    file->addMenu(m_files->recentMenu());
    file->addAction(m_files->newAction());
    file->addActions(m_exports->actions());
    file->addActions({m_files->saveAction(), m_files->saveAsAction(), m_files->exitAction()});

    QMenu* edit = menu("Edit", QStringLiteral("&Edit"));
    edit->addActions(m_history->actions());
    edit->addSeparator();
    edit->addActions(m_frameCommands->actions());
    edit->addSeparator();
    edit->addAction(m_external->editAction());
    edit->addSeparator();
    edit->addAction(m_frameCommands->directionsAction());

    QMenu* view = menu("View", QStringLiteral("&View"));
    view->addActions(m_preview->viewActions());
    view->addSeparator();
    view->addAction(m_palettes->usageAction());

    QMenu* settings = menu("Settings", QStringLiteral("&Settings"));
    settings->addActions(m_palettes->actions());
    settings->addAction(m_preview->previewAction());
    settings->addAction(m_imports->ditherAction());
    settings->addAction(m_external->chooseEditorAction());

    menu("Frames", QStringLiteral("F&rames"))->addAction(m_imports->sheetAction());

    menu("Help", QStringLiteral("&Help"))->addAction(m_help->aboutAction());
}

// ---- Current frame display ------------------------------------------------

void frmQuillet2::showFrameData() {
    if (frameCount() <= 0) {
        // Without frames the boxes show what they show at start-up; filling
        // the offset boxes then changes no frame.
        for (QLineEdit* box : {txtFrameNr, txtWidth, txtHeight, txtXoffset, txtYoffset})
            box->setText(QStringLiteral("0"));
        return;
    }
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
    m_preview->abandonPlayback();
    if (m_typingOffset) {
        // The box already shows what was typed; only the picture may move.
        m_preview->UpdatePreview();
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
        m_preview->UpdatePreview();
    }
    // A restored document brings its own setting.
    m_palettes->transformAction()->setChecked(m_doc.transform());
    showStatus();
}

void frmQuillet2::showStatus() {
    m_statusLine->update();
}

void frmQuillet2::offsetEdited(QLineEdit* box, bool xAxis) {
    // The refreshes that follow (floating pixels going down first, then the
    // offset) leave the box as typed.
    const QScopedValueRollback typing(m_typingOffset, true);
    if (!m_context->beginCommand())
        return;
    // Text that is no 16-bit number leaves the offset alone; this is also what
    // keeps a stored offset beyond 16 bits intact when the box is filled.
    const std::optional<std::int16_t> offset = offsetFromText(box->text());
    if (!offset)
        return;
    m_doc.setOffset(curFrame(), xAxis ? document::Axis::X : document::Axis::Y, *offset);
}

void frmQuillet2::offsetLeft(QLineEdit* box, bool xAxis) {
    // Text that is no offset changed nothing; the box says so again.
    if (offsetFromText(box->text()))
        return;
    const FramePtr frame = m_doc.currentFrame();
    const std::int32_t offset = !frame ? 0 : xAxis ? frame->get_X_offset() : frame->get_Y_offset();
    box->setText(QString::number(offset));
}

void frmQuillet2::openFiles(const QStringList& paths) {
    takeFiles(sortDroppedFiles(paths));
}

void frmQuillet2::takeFiles(const DroppedFiles& files) {
    // Kept at the question, the document takes none of the pictures either.
    if (!files.document.isEmpty()) {
        if (!m_files->mayReplace())
            return;
        m_files->openFile(files.document);
    }
    for (const QString& picture : files.pictures)
        m_imports->addFrameFrom(picture);
}

void frmQuillet2::frameNumberChanged(int value) {
    // Moving to a frame by hand ends playback there.
    m_preview->abandonPlayback();
    // Floating pixels go down on their own frame first, which shows it again.
    m_context->settle();
    if (FrameNr->value() != value) {
        FrameNr->setValue(value);
        return;
    }
    m_doc.setCurFrame(value);
    showFrameData();
    m_preview->UpdatePreview();
    showStatus();
}

void frmQuillet2::closeEvent(QCloseEvent* event) {
    if (!m_files->windowClosing()) {
        event->ignore();
        return;
    }
    m_preview->closePreview();
    QMainWindow::closeEvent(event);
}

} // namespace quillet::editor
