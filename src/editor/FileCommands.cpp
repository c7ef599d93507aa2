#include "FileCommands.h"

#include "CommandContext.h"
#include "ExternalEditCommands.h"
#include "RecentMenu.h"
#include "document/RecoveryKeeper.h"
#include "document/SaveDocument.h"
#include "palette/PaletteFile.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QSessionManager>
#include <QWidget>
#include <utility>

namespace quillet::editor {

namespace {

const QString kOpenFilter = QStringLiteral("DC6|*.dc6|");
const QString kSaveFilter = QStringLiteral("DC6|*.dc6|All files|*.*|");
const QString kCloseQuestion = QStringLiteral("Save before closing DC6 animation ?");
const QString kExitQuestion = QStringLiteral("Save before exit ?");

// Saves shorter than this finish without a progress dialog ever appearing.
constexpr int kProgressDelayMs = 500;

} // namespace

FileCommands::FileCommands(CommandContext& context, ExternalEditCommands& external)
    : QObject(&context.window()), m_context(context), m_external(external),
      m_open(makeAction(this, "Open", QStringLiteral("Open..."), &FileCommands::open,
                        {QKeySequence(Qt::CTRL | Qt::Key_O)})),
      m_new(makeAction(this, "New", QStringLiteral("New"), &FileCommands::newDocument,
                       {QKeySequence(Qt::CTRL | Qt::Key_N)})),
      m_save(makeAction(this, "Save", QStringLiteral("Save"), &FileCommands::save,
                        {QKeySequence(Qt::CTRL | Qt::Key_S)})),
      m_saveAs(makeAction(this, "SaveAs", QStringLiteral("Save As..."), &FileCommands::saveAs,
                          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)})),
      // Ctrl+X is Cut where an editable box has the focus; Ctrl+Q is Exit everywhere.
      m_exit(makeAction(this, "Exit", QStringLiteral("E&xit"), &FileCommands::exitProgram,
                        {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)})),
      m_recentMenu(std::make_unique<QMenu>(QStringLiteral("Open Recent"), &context.window())),
      m_recent(
          new RecentMenu(m_recentMenu.get(), [this](const QString& path) { openRecent(path); })) {
    m_recentMenu->setObjectName(QStringLiteral("OpenRecent"));
    // An answer given at the end of a session holds only for the document it was given for.
    connect(&m_context.doc(), &document::Document::snapshotChanged, this,
            [this] { m_ending = Ending::Ask; });
#if QT_CONFIG(sessionmanager)
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& session) {
            bool asking = false;
            const bool ends = sessionEnding([&] { return asking = session.allowsInteraction(); });
            if (!ends)
                session.cancel();
            if (asking)
                session.release();
        });
#endif
}

// The keeper goes before the document: a session that ended without asking
// still leaves its copy.
FileCommands::~FileCommands() = default;

bool FileCommands::mayClose(const QString& question) {
    switch (m_context.ask(question, platform::Buttons::YesNoCancel)) {
    case platform::Answer::Yes:
        return save() == SaveResult::Saved;
    case platform::Answer::No:
        return true;
    default:
        return false;
    }
}

bool FileCommands::mayReplace() {
    if (!m_context.beginCommand())
        return false;
    return !m_context.doc().isModified() || mayClose(kCloseQuestion);
}

void FileCommands::newDocument() {
    if (!m_context.beginCommand() || m_context.doc().frameCount() < 1)
        return;
    if (!mayClose(kCloseQuestion))
        return;
    m_external.stopAll();
    m_context.doc().clear();
}

void FileCommands::open() {
    if (!mayReplace())
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
    adoptOpenedFrames(loaded, doc.palette());
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
    if (mayReplace())
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
    return writeDocument(path) ? SaveResult::Saved : SaveResult::Failed;
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
            document::saveDocument(
                doc, path,
                {.transform = doc.transform(), .progress = [&progress](int done, int total) {
                     progress.setMaximum(total);
                     progress.setValue(done);
                 }});
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

// Exit and the close box take one path, through the window's close.
void FileCommands::exitProgram() {
    if (!m_context.mayRun())
        return;
    // Asked by the user, not by the end of a session: the question comes every time.
    m_ending = Ending::Ask;
    m_context.window().close();
}

bool FileCommands::windowClosing() {
    if (!m_context.beginCommand())
        return false;
    if (m_ending == Ending::KeepCopy) {
        // Nobody could be asked: the document stays modified, so its copy
        // stays for the next start.
        m_external.stopAll();
        return true;
    }
    if (m_ending == Ending::Ask && !mayClose(kExitQuestion))
        return false;
    document::Document& doc = m_context.doc();
    doc.undoStack().clear();
    m_external.stopAll();
    doc.clear();
    return true;
}

bool FileCommands::sessionEnding(const std::function<bool()>& mayAsk) {
    // Asked again about the same document (a session manager may): the answer stands.
    if (m_ending == Ending::Answered)
        return true;
    m_context.settle();
    const document::Document& doc = m_context.doc();
    if (!doc.isModified()) {
        m_ending = Ending::Answered;
        return true;
    }
    if (!doc.mayChange() || !mayAsk()) {
        if (m_keeper)
            m_keeper->flush();
        m_ending = Ending::KeepCopy;
        return true;
    }
    if (!mayClose(kCloseQuestion))
        return false;
    m_ending = Ending::Answered;
    return true;
}

// ---- Recovery copies ---------------------------------------------------------

void FileCommands::keepRecoveryCopies() {
    keepRecoveryCopies(document::RecoveryKeeper::defaultFolder());
}

void FileCommands::keepRecoveryCopies(const QString& folder) {
    m_keeper = std::make_unique<document::RecoveryKeeper>(m_context.doc(), folder);
    connect(m_keeper.get(), &document::RecoveryKeeper::writeFailed, this,
            &FileCommands::recoveryWriteFailed);
    if (!m_keeper->isActive())
        recoveryWriteFailed(QStringLiteral("the folder \"%1\" cannot be used")
                                .arg(QDir::toNativeSeparators(folder)));
    offerRecoveryCopies();
}

void FileCommands::recoveryWriteFailed(const QString& reason) {
    // Once a run: the next change tries again, and a message on every
    // change would stop the work it is meant to protect.
    if (std::exchange(m_toldWriteFailure, true))
        return;
    m_context.warn(QStringLiteral("No recovery copy of the document can be kept: %1\nSave your "
                                  "work to keep it safe.")
                       .arg(reason));
}

void FileCommands::offerRecoveryCopies() {
    document::RecoveryListing listing = m_keeper->orphans();
    const QString folder = QDir::toNativeSeparators(m_keeper->folder());
    if (const qsizetype count = listing.damaged.size(); count > 0) {
        const QString what =
            count == 1 ? QStringLiteral("A recovery copy could not be read and was set aside")
                       : QStringLiteral("%1 recovery copies could not be read and were set aside")
                             .arg(count);
        m_context.warn(
            QStringLiteral("%1 in \"%2\":\n%3").arg(what, folder, listing.damaged.join(u'\n')));
    }
    for (document::RecoveryOffer& offer : listing.offers) {
        const QString what =
            offer.fileName().isEmpty()
                ? QStringLiteral("an untitled animation")
                : QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(offer.fileName()));
        const QString frames = offer.frameCount() == 1
                                   ? QStringLiteral("1 frame")
                                   : QStringLiteral("%1 frames").arg(offer.frameCount());
        const QString question =
            QStringLiteral("Quillet did not close normally. A recovery copy of %1 (%2) was kept "
                           "on %3.\n\nRestore opens it, Discard removes it.")
                .arg(what, frames,
                     offer.kept().toLocalTime().toString(
                         QStringLiteral("yyyy-MM-dd 'at' HH:mm:ss")));
        switch (m_context.ask(question, platform::Buttons::RestoreDiscard)) {
        case platform::Answer::Restore:
            try {
                m_external.stopAll();
                m_keeper->restore(offer);
                // One document to a window: the other copies wait for the next start.
                return;
            } catch (const QuilletError& e) {
                m_context.warn(
                    QStringLiteral("The recovery copy in \"%1\" could not be restored.\n%2")
                        .arg(folder, QString::fromUtf8(e.what())));
            }
            break;
        case platform::Answer::Discard:
            m_keeper->discard(offer);
            break;
        default:
            break; // kept for the next start
        }
    }
}

} // namespace quillet::editor
