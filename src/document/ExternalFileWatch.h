#pragma once

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class QLockFile;
class QTemporaryDir;

namespace quillet::document {

// Frames out for editing in another program. Each one is a picture file in a
// private temporary folder that is watched: whenever the file's content has
// changed, pictureSaved() is emitted for the caller to read it back. Keys are
// the caller's own (a frame's identity); several frames may be out at once.
// Starting the other program is the caller's business: it hands in a launcher.
// The folder ("quillet-XXXXXX" in the temporary folder) holds a lock file for
// as long as its watch lives, so a run that was killed can be told from a
// running one and its folder cleaned at a later start.
class ExternalFileWatch : public QObject {
    Q_OBJECT
public:
    // Writes the frame's picture to the given file; throws QuilletError.
    using PictureWriter = std::function<void(const QString& path)>;
    // Shows the file in the user's editor; false with `error` set on failure.
    using Launcher = std::function<bool(const QString& path, QString* error)>;

    explicit ExternalFileWatch(Launcher launcher, QObject* parent = nullptr);
    ~ExternalFileWatch() override; // stops every edit and removes the folder

    void setLauncher(Launcher launcher);

    // Writes the picture, watches it and opens it in the editor. For a key
    // already out, the same file is opened again, not rewritten: it holds the
    // user's last save. `frameNumber` only names the file.
    // False with `error` set when the picture could not be written or the
    // editor not started; a frame failing its first start is not left out.
    bool start(quint64 key, int frameNumber, const PictureWriter& writePicture, QString* error);
    // Ends the watch and removes the file (the frame was deleted).
    void stop(quint64 key);
    void stopAll(); // the document was closed
    // The caller's identity of a frame changed; false when `from` is not out
    // or `to` already is.
    bool rekey(quint64 from, quint64 to);

    bool isOut(quint64 key) const { return m_edits.count(key) != 0; }
    QList<quint64> keys() const;
    QString path(quint64 key) const; // empty when the key is not out

    // The content just announced could not be used. Most likely a save is
    // still being written: it is not taken as seen, so the next change of
    // the file announces it again even when the bytes turn out the same.
    // Content that then stays as it is has been saved whole and is unusable:
    // pictureStillUnusable() says so, once.
    void retryLater(quint64 key);

    // How long unusable content must stay unchanged to count as finished.
    static constexpr int kQuietMs = 2000;

    // Removes the folders in `tempFolder` left by runs that ended without
    // removing them: those whose lock is stale. A folder whose lock is held,
    // or that has none (another program's, or an older run's), stays.
    static void removeLeftFolders(const QString& tempFolder);

signals:
    // The file of `key` holds content not seen before. Emitted from the event
    // loop; a slot may call stop(), start() or retryLater() directly.
    void pictureSaved(quint64 key, const QString& path);
    // The content retryLater() was called for has not changed for kQuietMs;
    // it counts as seen from now on, so only a new save is announced.
    void pictureStillUnusable(quint64 key, const QString& path);

private:
    struct Edit {
        QString path;
        QByteArray seen;     // hash of the content last written or announced
        QByteArray unusable; // hash of the content retryLater() was called for
    };

    bool ensureFolder(QString* error);
    QString freshPath(int frameNumber) const;
    void checkFiles();
    void checkUnusable();

    std::unique_ptr<QTemporaryDir> m_folder;
    // Declared after the folder: released before the folder goes.
    std::unique_ptr<QLockFile> m_lock;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_quiet;
    std::map<quint64, Edit> m_edits;
    Launcher m_launcher;
};

} // namespace quillet::document
