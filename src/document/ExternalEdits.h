#pragma once

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class QTemporaryDir;

namespace quillet::document {

// The settings value Settings > "External Editor..." edits: a command line in
// which %f stands for the picture's file. Blank: the desktop's default
// application for PNG pictures.
inline constexpr const char* ExternalEditorKey = "externalEditor/command";

// The program and its arguments that open `path` with `command`: %f is put in
// for the file wherever it appears (also inside an argument such as
// "--open=%f"), and the file is added at the end when %f appears nowhere.
// No shell is involved, so a file name cannot turn into commands. Empty when
// the command is blank.
QStringList externalEditorCommandLine(const QString& command, const QString& path);

// Starts `command` (detached) on `path`, or, for a blank command, the
// desktop's default application for the file. False with `error` set when
// nothing could be started.
bool openInExternalEditor(const QString& command, const QString& path, QString* error);

// Frames out for editing in another program. Each one is a picture file in a
// private temporary folder that is watched: whenever the file's content has
// changed, pictureSaved() is emitted for the caller to read it back. Keys are
// the caller's own (a frame's identity); several frames may be out at once.
class ExternalEdits : public QObject {
    Q_OBJECT
public:
    // Writes the frame's picture to the given file; throws QuilletError.
    using PictureWriter = std::function<void(const QString& path)>;
    // Shows the file in the user's editor; false with `error` set on failure.
    using Launcher = std::function<bool(const QString& path, QString* error)>;

    explicit ExternalEdits(QObject* parent = nullptr);
    ~ExternalEdits() override; // stops every edit and removes the folder

    // The default opens the command stored under ExternalEditorKey in the
    // application's settings, read at each launch.
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

    // The content just announced could not be used (a save still being
    // written): it is not taken as seen, so the next change of the file
    // announces it again even when the bytes turn out the same.
    void retryLater(quint64 key);

signals:
    // The file of `key` holds content not seen before. Emitted from the event
    // loop; a slot may call stop(), start() or retryLater() directly.
    void pictureSaved(quint64 key, const QString& path);

private:
    struct Edit {
        QString path;
        QByteArray seen; // hash of the content last written or announced
    };

    bool ensureFolder(QString* error);
    QString freshPath(int frameNumber) const;
    void checkFiles();

    std::unique_ptr<QTemporaryDir> m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    std::map<quint64, Edit> m_edits;
    Launcher m_launcher;
};

} // namespace quillet::document
