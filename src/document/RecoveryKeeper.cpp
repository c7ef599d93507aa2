#include "RecoveryKeeper.h"

#include "Document.h"
#include "paths/NativePath.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace quillet::document {

namespace {

// A session's files: ID.recovery (the copy), ID.lock, and .ID.recovery.*.tmp
// (a write that was cut off).
const QString kCopySuffix = QStringLiteral(".recovery");
const QString kLockSuffix = QStringLiteral(".lock");
const QString kDamagedSuffix = QStringLiteral(".damaged");

QString sessionOf(const QString& fileName) {
    if (fileName.endsWith(kCopySuffix))
        return fileName.chopped(kCopySuffix.size());
    if (fileName.endsWith(kLockSuffix))
        return fileName.chopped(kLockSuffix.size());
    const qsizetype copy = fileName.indexOf(kCopySuffix + u'.');
    if (fileName.startsWith(u'.') && fileName.endsWith(QStringLiteral(".tmp")) && copy > 1)
        return fileName.mid(1, copy - 1);
    return {};
}

RecoveryCopy readCopy(const QString& path) {
    return decodeRecoveryCopy(readWholeFile(nativePath(path)));
}

// Renamed rather than removed: the user may still want to look at it.
void setAside(const QString& path) {
    QFile::remove(path + kDamagedSuffix);
    QFile::rename(path, path + kDamagedSuffix);
}

std::unique_ptr<QLockFile> sessionLock(const QString& folder, const QString& session) {
    auto lock = std::make_unique<QLockFile>(folder + u'/' + session + kLockSuffix);
    // Held for a whole run: only an owner that is gone makes it stale, never its age.
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

// ---- the worker -------------------------------------------------------------

struct RecoveryKeeper::Job {
    // Without a document: remove the copy.
    std::optional<DocumentSnapshot> document;
    QDateTime kept;
};

class RecoveryKeeper::Writer {
public:
    Writer(RecoveryKeeper* owner, QString path)
        : m_owner(owner), m_path(std::move(path)), m_thread([this] { run(); }) {}
    ~Writer() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void submit(Job job) {
        {
            std::lock_guard lock(m_mutex);
            m_pending = std::move(job);
        }
        m_wake.notify_all();
    }
    void wait() {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return !m_pending && !m_busy; });
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_pending || m_stopping; });
            // Whatever was handed over is still done before the worker stops.
            if (!m_pending)
                return;
            Job job = std::move(*m_pending);
            m_pending.reset();
            m_busy = true;
            lock.unlock();
            const QString failure = perform(job);
            job = {};
            lock.lock();
            m_busy = false;
            m_idle.notify_all();
            if (!failure.isEmpty())
                QMetaObject::invokeMethod(
                    m_owner, [owner = m_owner, failure] { emit owner->writeFailed(failure); },
                    Qt::QueuedConnection);
        }
    }
    QString perform(const Job& job) {
        try {
            if (job.document)
                writeFileSafely(nativePath(m_path), encodeRecoveryCopy(*job.document, job.kept));
            else
                QFile::remove(m_path);
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
        return {};
    }

    RecoveryKeeper* m_owner;
    QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_pending;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: it starts working at once
};

// ---- offers -----------------------------------------------------------------

RecoveryOffer::RecoveryOffer(QString copyPath, RecoveryCopy copy, std::unique_ptr<QLockFile> lock)
    : m_copyPath(std::move(copyPath)), m_copy(std::move(copy)), m_lock(std::move(lock)) {}

RecoveryOffer::RecoveryOffer(RecoveryOffer&&) noexcept = default;
RecoveryOffer& RecoveryOffer::operator=(RecoveryOffer&&) noexcept = default;
RecoveryOffer::~RecoveryOffer() = default;

// ---- the keeper -------------------------------------------------------------

QString RecoveryKeeper::defaultFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/recovery");
}

RecoveryKeeper::RecoveryKeeper(Document& document, const QString& folder, Clock clock,
                               QObject* parent)
    : QObject(parent), m_document(&document), m_folder(folder), m_clock(std::move(clock)) {
    if (!m_clock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        m_clock = [started] { return started->elapsed(); };
    }
    m_session = QStringLiteral("%1-%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    m_copyPath = m_folder + u'/' + m_session + kCopySuffix;
    if (!m_folder.isEmpty() && QDir().mkpath(m_folder)) {
        m_lock = sessionLock(m_folder, m_session);
        m_active = m_lock->tryLock(0);
    }
    m_writer = std::make_unique<Writer>(this, m_copyPath);

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::keepIfDue);
    connect(&document, &Document::snapshotChanged, this, &RecoveryKeeper::documentChanged);
    connect(&document, &Document::modifiedChanged, this, &RecoveryKeeper::documentChanged);
    documentChanged();
}

RecoveryKeeper::~RecoveryKeeper() {
    m_timer.stop();
    if (m_document && wantsCopy() && m_firstUnkept >= 0)
        keepNow();
    else if (!m_lastWanted && m_copyMayExist)
        submit({});
    m_writer.reset();
}

bool RecoveryKeeper::wantsCopy() const {
    // An empty document is not worth restoring, even when modified.
    return m_active && m_document && m_document->isModified() && m_document->frameCount() > 0;
}

void RecoveryKeeper::documentChanged() {
    m_lastWanted = wantsCopy();
    if (!m_lastWanted) {
        m_timer.stop();
        m_firstUnkept = -1;
        if (m_copyMayExist) {
            submit({});
            m_copyMayExist = false;
        }
        return;
    }
    m_lastChange = m_clock();
    if (m_firstUnkept < 0)
        m_firstUnkept = m_lastChange;
    schedule();
}

qint64 RecoveryKeeper::dueAt() const {
    if (m_firstUnkept < 0)
        return -1;
    return std::min(m_lastChange + kPauseMs, m_firstUnkept + kLongestWaitMs);
}

void RecoveryKeeper::schedule() {
    const qint64 due = dueAt();
    if (due < 0)
        m_timer.stop();
    else
        m_timer.start(static_cast<int>(std::max<qint64>(0, due - m_clock())));
}

void RecoveryKeeper::keepIfDue() {
    const qint64 due = dueAt();
    if (due >= 0 && m_clock() >= due)
        keepNow();
    else
        schedule();
}

void RecoveryKeeper::keepNow() {
    m_timer.stop();
    m_firstUnkept = -1;
    if (!wantsCopy())
        return;
    submit({m_document->snapshot(), QDateTime::currentDateTimeUtc()});
    m_copyMayExist = true;
}

void RecoveryKeeper::flush() {
    keepNow();
    waitForWrites();
}

void RecoveryKeeper::waitForWrites() {
    m_writer->wait();
}

void RecoveryKeeper::submit(Job job) {
    m_writer->submit(std::move(job));
}

RecoveryListing RecoveryKeeper::orphans() {
    RecoveryListing listing;
    if (m_folder.isEmpty())
        return listing;
    QSet<QString> sessions;
    QDir folder(m_folder);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QString session = sessionOf(name);
        if (!session.isEmpty() && session != m_session)
            sessions.insert(session);
    }
    for (const QString& session : sessions) {
        std::unique_ptr<QLockFile> lock = sessionLock(m_folder, session);
        // A running editor's: its copy is not ours to offer.
        if (!lock->tryLock(0))
            continue;
        // What a write cut off by the end of its run left behind.
        const QString temporary = u'.' + session + kCopySuffix + u'.';
        for (const QString& name : names)
            if (name.startsWith(temporary) && name.endsWith(QStringLiteral(".tmp")))
                folder.remove(name);
        const QString copyPath = m_folder + u'/' + session + kCopySuffix;
        if (!QFileInfo::exists(copyPath))
            continue;
        try {
            listing.offers.push_back(RecoveryOffer(copyPath, readCopy(copyPath), std::move(lock)));
        } catch (const QuilletError& e) {
            setAside(copyPath);
            listing.damaged << QStringLiteral("%1: %2").arg(QFileInfo(copyPath).fileName(),
                                                            QString::fromUtf8(e.what()));
        }
    }
    std::sort(listing.offers.begin(), listing.offers.end(),
              [](const RecoveryOffer& a, const RecoveryOffer& b) { return a.kept() > b.kept(); });
    return listing;
}

void RecoveryKeeper::restore(RecoveryOffer& offer) {
    if (!offer.m_lock || !m_document)
        throw QuilletError("the recovery copy is no longer held");
    // The copy becomes this session's own before its old lock goes, so a
    // crash from here on still finds it.
    bool adopted = false;
    if (m_active) {
        waitForWrites();
        QFile::remove(m_copyPath);
        adopted = QFile::rename(offer.m_copyPath, m_copyPath);
    }
    offer.m_lock.reset();
    m_document->restore(offer.m_copy.document);
    if (adopted) {
        // The copy on disk is exactly this state.
        m_timer.stop();
        m_firstUnkept = -1;
        m_copyMayExist = true;
    }
}

void RecoveryKeeper::discard(RecoveryOffer& offer) {
    if (!offer.m_lock)
        return;
    QFile::remove(offer.m_copyPath);
    offer.m_lock.reset();
}

} // namespace quillet::document
