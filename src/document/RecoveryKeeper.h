#pragma once

#include "document/RecoveryFile.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QLockFile;

namespace quillet::document {

class Document;

// A copy left by a run that did not end cleanly. Its lock is held from the
// listing on, so no other editor starting meanwhile offers it too; dropping
// the offer unrestored leaves the copy for the next start.
class RecoveryOffer {
public:
    RecoveryOffer(RecoveryOffer&&) noexcept;
    RecoveryOffer& operator=(RecoveryOffer&&) noexcept;
    ~RecoveryOffer();

    // The document's file name; empty for an untitled animation.
    const QString& fileName() const { return m_copy.document.fileName; }
    int frameCount() const { return static_cast<int>(m_copy.document.frames.size()); }
    // UTC; the editor shows it in local time.
    const QDateTime& kept() const { return m_copy.kept; }

private:
    friend class RecoveryKeeper;
    RecoveryOffer(QString copyPath, RecoveryCopy copy, std::unique_ptr<QLockFile> lock);

    QString m_copyPath;
    // As read and checked at listing; the lock keeps it from changing since.
    RecoveryCopy m_copy;
    std::unique_ptr<QLockFile> m_lock;
};

struct RecoveryListing {
    // Newest first.
    std::vector<RecoveryOffer> offers;
    // "NAME: reason" for each copy that could not be read; each was renamed
    // to NAME.damaged so that it is never offered again, and kept for a look.
    QStringList damaged;
};

// Keeps a recovery copy of a modified document, so that a crash, a killed
// process or a power cut loses at most the last seconds of work. A copy is
// written a short pause after editing stops, and never later than a fixed
// time after the first change that no copy holds yet, so steady editing is
// covered too. It goes when the document is saved, discarded or replaced.
//
// The window's thread only takes a snapshot (frames share their pixels, so
// it is cheap) and hands it over; a worker thread of the keeper codes and
// writes it through a temporary file renamed into place. One write at a
// time; a newer snapshot replaces one still waiting.
//
// Each keeper is one session: the lock file it holds in the folder tells
// every other editor that its copy is taken. At start-up orphans() offers
// the copies whose owner is gone.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // Milliseconds on a steady clock; tests pass their own.
    using Clock = std::function<qint64()>;
    static constexpr qint64 kPauseMs = 2000;
    static constexpr qint64 kLongestWaitMs = 10000;

    // The "recovery" folder in the application's data folder.
    static QString defaultFolder();

    // Without the folder or its lock the keeper keeps nothing (isActive() false)
    // and the editor works on as before.
    explicit RecoveryKeeper(Document& document, const QString& folder = defaultFolder(),
                            Clock clock = {}, QObject* parent = nullptr);
    // Writes what no copy holds yet when the document is still modified (a
    // session that ended without asking), waits for the worker, and leaves
    // the copy for the next start; a clean document leaves none. Destroyed
    // before its document, it can still take that last snapshot.
    ~RecoveryKeeper() override;

    bool isActive() const { return m_active; }
    const QString& folder() const { return m_folder; }
    // Where this session's copy is written.
    const QString& copyPath() const { return m_copyPath; }

    // The copies of sessions that ended without removing theirs, newest first.
    RecoveryListing orphans();
    // Loads the offer's copy into the document, modified under its old name,
    // and makes the copy this session's own. It was read and checked when it
    // was listed; QuilletError when the offer was already taken or discarded.
    void restore(RecoveryOffer& offer);
    // Removes the offer's copy for good.
    void discard(RecoveryOffer& offer);

    // Hands a snapshot to the worker now, when there is anything to keep.
    void keepNow();
    // keepNow() and wait until it is written: before a session ends without
    // asking about saving.
    void flush();
    // Until the worker has written or removed everything handed to it.
    void waitForWrites();

    // The clock time the next copy is due at; -1 when nothing is due.
    qint64 dueAt() const;
    // keepNow() when the clock has reached dueAt(); the keeper's timer calls it.
    void keepIfDue();

signals:
    // A copy could not be written; the next change tries again.
    void writeFailed(const QString& reason);

private:
    class Writer;
    struct Job;

    bool wantsCopy() const;
    void documentChanged();
    void schedule();
    void submit(Job job);

    QPointer<Document> m_document;
    QString m_folder;
    QString m_session;
    QString m_copyPath;
    Clock m_clock;
    std::unique_ptr<QLockFile> m_lock;
    bool m_active = false;
    // Clock times of the first change no copy holds, and of the last change.
    qint64 m_firstUnkept = -1;
    qint64 m_lastChange = -1;
    bool m_copyMayExist = false;
    bool m_lastWanted = false;
    QTimer m_timer;
    std::unique_ptr<Writer> m_writer;
};

} // namespace quillet::document
