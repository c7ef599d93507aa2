#include "document/ExternalEdits.h"

#include "sprite/Error.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

namespace quillet::document {

namespace {

// One save often arrives as several notifications (truncate, writes, rename);
// the files are looked at once they have been quiet this long.
constexpr int SettleMs = 150;

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

QStringList externalEditorCommandLine(const QString& command, const QString& path) {
    QStringList line = QProcess::splitCommand(command);
    if (line.isEmpty())
        return {};
    const QString file = QDir::toNativeSeparators(path);
    bool placed = false;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line[i].contains(QLatin1String("%f"))) {
            line[i].replace(QLatin1String("%f"), file);
            placed = true;
        }
    }
    if (!placed)
        line.append(file);
    return line;
}

bool openInExternalEditor(const QString& command, const QString& path, QString* error) {
    const QStringList line = externalEditorCommandLine(command, path);
    if (line.isEmpty()) {
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return true;
        setError(error, QStringLiteral("No application is set up to open PNG pictures. Choose "
                                       "one in Settings > External Editor..."));
        return false;
    }
    if (QProcess::startDetached(line.first(), line.mid(1)))
        return true;
    setError(error,
             QStringLiteral("The external editor \"%1\" could not be started.").arg(line.first()));
    return false;
}

ExternalEdits::ExternalEdits(QObject* parent)
    : QObject(parent), m_launcher([](const QString& path, QString* error) {
          return openInExternalEditor(QSettings().value(ExternalEditorKey).toString(), path, error);
      }) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ExternalEdits::checkFiles);
    const auto settle = [this] { m_settle.start(); };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
}

ExternalEdits::~ExternalEdits() {
    stopAll();
}

void ExternalEdits::setLauncher(Launcher launcher) {
    m_launcher = std::move(launcher);
}

bool ExternalEdits::start(quint64 key, int frameNumber, const PictureWriter& writePicture,
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
    m_edits[key] = Edit{path, written};
    m_watcher.addPath(path);
    if (!m_watcher.directories().contains(m_folder->path()))
        m_watcher.addPath(m_folder->path());

    if (!m_launcher(path, error)) {
        stop(key);
        return false;
    }
    return true;
}

void ExternalEdits::stop(quint64 key) {
    const auto it = m_edits.find(key);
    if (it == m_edits.end())
        return;
    const QString path = it->second.path;
    m_edits.erase(it);
    if (m_watcher.files().contains(path))
        m_watcher.removePath(path);
    QFile::remove(path);
}

void ExternalEdits::stopAll() {
    for (const quint64 key : keys())
        stop(key);
}

bool ExternalEdits::rekey(quint64 from, quint64 to) {
    const auto it = m_edits.find(from);
    if (it == m_edits.end() || (from != to && isOut(to)))
        return false;
    Edit edit = std::move(it->second);
    m_edits.erase(it);
    m_edits[to] = std::move(edit);
    return true;
}

QList<quint64> ExternalEdits::keys() const {
    QList<quint64> result;
    for (const auto& entry : m_edits)
        result.append(entry.first);
    return result;
}

QString ExternalEdits::path(quint64 key) const {
    const auto it = m_edits.find(key);
    return it == m_edits.end() ? QString() : it->second.path;
}

void ExternalEdits::retryLater(quint64 key) {
    if (const auto it = m_edits.find(key); it != m_edits.end())
        it->second.seen.clear();
}

bool ExternalEdits::ensureFolder(QString* error) {
    if (m_folder)
        return true;
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/quillet-XXXXXX");
    if (!folder->isValid()) {
        setError(
            error,
            QStringLiteral("No temporary folder could be made: %1").arg(folder->errorString()));
        return false;
    }
    m_folder = std::move(folder);
    return true;
}

// "frame_003.png", so the user's editor shows which frame it holds; a second
// frame with the same number (one deleted and another moved up) gets "_2".
QString ExternalEdits::freshPath(int frameNumber) const {
    const QString stem = QStringLiteral("frame_%1").arg(frameNumber, 3, 10, QLatin1Char('0'));
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? stem + ".png" : QStringLiteral("%1_%2.png").arg(stem).arg(n);
        const QString path = m_folder->filePath(name);
        if (!QFileInfo::exists(path))
            return path;
    }
}

void ExternalEdits::checkFiles() {
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
        emit pictureSaved(key, edit.path);
    }
}

} // namespace quillet::document
