#include "FileCommands.h"

#include "CommandContext.h"
#include "ExternalEditCommands.h"
#include "RecentMenu.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Limits.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QWidget>

namespace quillet::editor {

namespace {

const QString kOpenFilter = QStringLiteral("DC6|*.dc6|");
const QString kSaveFilter = QStringLiteral("DC6|*.dc6|All files|*.*|");

// Saves shorter than this finish without a progress dialog ever appearing.
constexpr int kProgressDelayMs = 500;

} // namespace

FileCommands::FileCommands(CommandContext& context, ExternalEditCommands& external)
    : QObject(&context.window()), m_context(context), m_external(external),
      m_open(makeAction(this, "Open", QStringLiteral("Open..."))),
      m_new(makeAction(this, "New", QStringLiteral("New"), {QKeySequence(Qt::CTRL | Qt::Key_N)})),
      m_save(
          makeAction(this, "Save", QStringLiteral("Save"), {QKeySequence(Qt::CTRL | Qt::Key_S)})),
      m_saveAs(makeAction(this, "SaveAs", QStringLiteral("Save As..."))),
      // Ctrl+X is Cut where an editable box has the focus; Ctrl+Q is Exit everywhere.
      m_exit(makeAction(this, "Exit", QStringLiteral("E&xit"),
                        {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)})),
      m_recentMenu(std::make_unique<QMenu>(QStringLiteral("Open Recent"), &context.window())),
      m_recent(
          new RecentMenu(m_recentMenu.get(), [this](const QString& path) { openRecent(path); })) {
    m_recentMenu->setObjectName(QStringLiteral("OpenRecent"));
    connect(m_open, &QAction::triggered, this, &FileCommands::open);
    connect(m_new, &QAction::triggered, this, &FileCommands::newDocument);
    connect(m_save, &QAction::triggered, this, &FileCommands::save);
    connect(m_saveAs, &QAction::triggered, this, &FileCommands::saveAs);
    connect(m_exit, &QAction::triggered, this, &FileCommands::exitProgram);
}

FileCommands::~FileCommands() = default;

void FileCommands::newDocument() {
    if (!m_context.beginCommand() || m_context.doc().frameCount() < 1)
        return;
    if (m_context.ask(QStringLiteral("Save before closing DC6 animation ?"),
                      platform::Buttons::YesNo) == platform::Answer::Yes &&
        save() == SaveResult::Failed)
        return;
    m_external.stopAll();
    m_context.doc().clear();
}

void FileCommands::open() {
    if (!m_context.beginCommand())
        return;
    const QString path = m_context.chooseFileToOpen(kOpenFilter);
    if (!path.isEmpty())
        openFile(path);
}

void FileCommands::openFile(const QString& path) {
    if (!m_context.beginCommand())
        return;
    FrameList loaded;
    int directions = 1;
    const bool read = m_context.readWithProgress(
        path, QStringLiteral("Opening %1 ...").arg(QFileInfo(path).fileName()),
        [&](const WorkProgress& progress) -> QString {
            loaded = DC6FileIO().LoadDC6(nativePath(path), &directions, progress);
            if (std::ssize(loaded) > limits::kMaxFrames)
                return QStringLiteral("%1 frames exceed the limit of %2 frames")
                    .arg(loaded.size())
                    .arg(limits::kMaxFrames);
            return QString();
        });
    if (!read)
        return;
    document::Document& doc = m_context.doc();
    document::adoptOpenedFrames(loaded, doc.palette());
    m_external.stopAll();
    // Save writes back to the file the user opened, never to an older name.
    doc.replace(std::move(loaded), path, directions);
    m_recent->add(path);
}

void FileCommands::openRecent(const QString& path) {
    if (!m_context.mayRun())
        return;
    if (!m_recent->confirmExists(path)) {
        m_context.warn(
            QStringLiteral("The file \"%1\" no longer exists; it was taken off the list.")
                .arg(QDir::toNativeSeparators(path)));
        return;
    }
    openFile(path);
}

void FileCommands::tellNoFrames() {
    m_context.tell(QStringLiteral("The animation has no frames, so there is nothing to save."));
}

SaveResult FileCommands::save() {
    if (!m_context.beginCommand())
        return SaveResult::Failed;
    const document::Document& doc = m_context.doc();
    if (doc.fileName().isEmpty())
        return saveAs();
    if (doc.frameCount() < 1) {
        tellNoFrames();
        return SaveResult::NoFrames;
    }
    if (!directionsFit())
        return SaveResult::Failed;
    return writeDocument(doc.fileName()) ? SaveResult::Saved : SaveResult::Failed;
}

bool FileCommands::directionsFit() {
    document::Document& doc = m_context.doc();
    const int directions = doc.directions();
    if (doc.frameCount() % directions == 0)
        return true;
    // The reader would cut such a file into the wrong frames; one direction
    // keeps every frame.
    if (m_context.ask(
            QStringLiteral("The document has %1 directions but %2 frames, which is not a multiple "
                           "of %1. Save it as one direction of %2 frames?")
                .arg(directions)
                .arg(doc.frameCount()),
            platform::Buttons::YesCancel) != platform::Answer::Yes)
        return false;
    doc.setSavedDirections(1);
    return true;
}

SaveResult FileCommands::saveAs() {
    if (!m_context.beginCommand())
        return SaveResult::Failed;
    // A DC6 file without frames is of no use to anyone; say so before asking for a name.
    if (m_context.doc().frameCount() < 1) {
        tellNoFrames();
        return SaveResult::NoFrames;
    }
    const QString path = m_context.chooseFileToSave(kSaveFilter, QStringLiteral("DC6"));
    if (path.isEmpty())
        return SaveResult::Cancelled;
    if (!directionsFit())
        return SaveResult::Failed;

    // The document takes the new name only once the file is written.
    if (!writeDocument(path))
        return SaveResult::Failed;
    m_context.doc().setFileName(path);
    return SaveResult::Saved;
}

bool FileCommands::writeDocument(const QString& path) {
    document::Document& doc = m_context.doc();
    doc.setSaving(true);
    emit saveStateChanged();
    BusyScope busy(m_context.busyPointer());
    QString failure;
    {
        // Modal, so no command can change the frame list while it is written.
        // No cancel button: the file is replaced only after the last frame.
        QProgressDialog progress(QStringLiteral("Saving %1 ...").arg(QFileInfo(path).fileName()),
                                 QString(), 0, doc.frameCount(), &m_context.window());
        progress.setWindowTitle(appTitle());
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(kProgressDelayMs);
        progress.setAutoClose(false);
        try {
            DC6FileIO().SaveDC6(
                nativePath(path), doc.frames(), doc.palTransform(),
                [&progress](int done, int total) {
                    progress.setMaximum(total);
                    progress.setValue(done);
                },
                doc.directions());
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    busy.release();
    doc.setSaving(false);
    emit saveStateChanged();
    if (failure.isEmpty()) {
        m_recent->add(path);
        return true;
    }
    m_context.warn(QStringLiteral("The file \"%1\" could not be saved.\n%2").arg(path, failure));
    return false;
}

void FileCommands::exitProgram() {
    if (!m_context.beginCommand())
        return;
    if (m_context.ask(QStringLiteral("Save before exit ?"), platform::Buttons::YesNo) ==
            platform::Answer::Yes &&
        save() == SaveResult::Failed)
        return;
    m_context.window().close();
}

bool FileCommands::windowClosing() {
    if (!m_context.beginCommand())
        return false;
    document::Document& doc = m_context.doc();
    doc.undoStack().clear();
    m_external.stopAll();
    doc.clear();
    return true;
}

} // namespace quillet::editor
