#include "document/ExternalFileWatch.h"

#include "sprite/Error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <utility>

namespace quillet::document {

namespace {

// One save often arrives as several notifications (truncate, writes, rename);
// the files are looked at once they have been quiet this long.
constexpr int SettleMs = 150;

const QString kFolderPattern = QStringLiteral("quillet-XXXXXX");
const QString kLockName = QStringLiteral(".quillet.lock");

std::unique_ptr<QLockFile> folderLock(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(folder + u'/' + kLockName);
    // Held for a whole run, as the recovery copies' locks: only an owner
    // that is gone makes it stale, never its age.
    lock->setStaleLockTime(0);
    return lock;
}

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

// Empty for a missing or empty file: neither is ever a finished picture.
QByteArray contentHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.readAll();
    if (content.isEmpty())
        return {};
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
}

} // namespace

ExternalFileWatch::ExternalFileWatch(Launcher launcher, QObject* parent)
    : QObject(parent), m_launcher(std::move(launcher)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ExternalFileWatch::checkFiles);
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &ExternalFileWatch::checkUnusable);
    const auto settle = [this] { m_settle.start(); };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
}

ExternalFileWatch::~ExternalFileWatch() {
    stopAll();
}

void ExternalFileWatch::setLauncher(Launcher launcher) {
    m_launcher = std::move(launcher);
}

bool ExternalFileWatch::start(quint64 key, int frameNumber, const PictureWriter& writePicture,
                              QString* error) {
    if (const auto it = m_edits.find(key); it != m_edits.end())
        return m_launcher(it->second.path, error);
    if (!ensureFolder(error))
        return false;

    const QString path = freshPath(frameNumber);
    try {
        writePicture(path);
    } catch (const QuilletError& e) {
        QFile::remove(path);
        setError(error, QString::fromStdString(e.what()));
        return false;
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    // What was written counts as seen: only the user's saves are announced.
    const QByteArray written = contentHash(path);
    if (written.isEmpty()) {
        QFile::remove(path);
        setError(error, QStringLiteral("The picture could not be written."));
        return false;
    }
    m_edits[key] = Edit{path, written, {}};
    m_watcher.addPath(path);
    if (!m_watcher.directories().contains(m_folder->path()))
        m_watcher.addPath(m_folder->path());

    if (!m_launcher(path, error)) {
        stop(key);
        return false;
    }
    return true;
}

void ExternalFileWatch::stop(quint64 key) {
    const auto it = m_edits.find(key);
    if (it == m_edits.end())
        return;
    const QString path = it->second.path;
    m_edits.erase(it);
    if (m_watcher.files().contains(path))
        m_watcher.removePath(path);
    QFile::remove(path);
}

void ExternalFileWatch::stopAll() {
    for (const quint64 key : keys())
        stop(key);
}

bool ExternalFileWatch::rekey(quint64 from, quint64 to) {
    const auto it = m_edits.find(from);
    if (it == m_edits.end() || (from != to && isOut(to)))
        return false;
    Edit edit = std::move(it->second);
    m_edits.erase(it);
    m_edits[to] = std::move(edit);
    return true;
}

QList<quint64> ExternalFileWatch::keys() const {
    QList<quint64> result;
    for (const auto& entry : m_edits)
        result.append(entry.first);
    return result;
}

QString ExternalFileWatch::path(quint64 key) const {
    const auto it = m_edits.find(key);
    return it == m_edits.end() ? QString() : it->second.path;
}

void ExternalFileWatch::retryLater(quint64 key) {
    const auto it = m_edits.find(key);
    if (it == m_edits.end())
        return;
    it->second.unusable = std::exchange(it->second.seen, {});
    if (it->second.unusable.isEmpty())
        it->second.unusable = contentHash(it->second.path);
    m_quiet.start();
}

void ExternalFileWatch::checkUnusable() {
    for (const quint64 key : keys()) {
        const auto it = m_edits.find(key);
        if (it == m_edits.end() || it->second.unusable.isEmpty())
            continue;
        Edit& edit = it->second;
        const QByteArray hash = contentHash(edit.path);
        if (hash != edit.unusable) {
            // Changed meanwhile: the new content is announced as any other.
            edit.unusable.clear();
            m_settle.start();
            continue;
        }
        edit.seen = std::exchange(edit.unusable, {});
        emit pictureStillUnusable(key, edit.path);
    }
}

bool ExternalFileWatch::ensureFolder(QString* error) {
    if (m_folder)
        return true;
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + u'/' + kFolderPattern);
    if (!folder->isValid()) {
        setError(
            error,
            QStringLiteral("No temporary folder could be made: %1").arg(folder->errorString()));
        return false;
    }
    // Without its lock a folder is never cleaned by another run, so the
    // edit goes on without one.
    std::unique_ptr<QLockFile> lock = folderLock(folder->path());
    if (!lock->tryLock(0))
        lock.reset();
    m_folder = std::move(folder);
    m_lock = std::move(lock);
    return true;
}

void ExternalFileWatch::removeLeftFolders(const QString& tempFolder) {
    const QString pattern = QString(kFolderPattern).replace(QStringLiteral("XXXXXX"), "??????");
    const QFileInfoList folders =
        QDir(tempFolder).entryInfoList({pattern}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders) {
        const QString path = folder.absoluteFilePath();
        if (!QFileInfo::exists(path + u'/' + kLockName))
            continue;
        // Taken over, the lock was stale: its run is gone.
        std::unique_ptr<QLockFile> lock = folderLock(path);
        if (lock->tryLock(0)) {
            lock->unlock();
            QDir(path).removeRecursively();
        }
    }
}

// "frame_003.png", so the user's editor shows which frame it holds; a second
// frame with the same number (one deleted and another moved up) gets "_2".
QString ExternalFileWatch::freshPath(int frameNumber) const {
    const QString stem = QStringLiteral("frame_%1").arg(frameNumber, 3, 10, QLatin1Char('0'));
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? stem + ".png" : QStringLiteral("%1_%2.png").arg(stem).arg(n);
        const QString path = m_folder->filePath(name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

void ExternalFileWatch::checkFiles() {
    // A slot may stop or start edits while we go: walk a copy of the keys.
    for (const quint64 key : keys()) {
        const auto it = m_edits.find(key);
        if (it == m_edits.end())
            continue;
        Edit& edit = it->second;
        // A save by rename replaces the watched file, and the watch goes with it.
        if (QFileInfo::exists(edit.path) && !m_watcher.files().contains(edit.path))
            m_watcher.addPath(edit.path);
        const QByteArray hash = contentHash(edit.path);
        if (hash.isEmpty() || hash == edit.seen)
            continue;
        edit.seen = hash;
        edit.unusable.clear();
        emit pictureSaved(key, edit.path);
    }
}

} // namespace quillet::document
