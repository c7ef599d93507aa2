#include "FileDropFilter.h"

#include "CommandContext.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace quillet::editor {

namespace {

// The suffixes of the Add Frame dialog's "All formats" filter.
bool isPicture(const QString& suffix) {
    static const QStringList suffixes = {QStringLiteral("bmp"),  QStringLiteral("gif"),
                                         QStringLiteral("jpg"),  QStringLiteral("jpe"),
                                         QStringLiteral("jpeg"), QStringLiteral("png")};
    return suffixes.contains(suffix, Qt::CaseInsensitive);
}

DroppedFiles droppedFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            // The commands read paths; a remote URL has none to give them.
            if (url.isLocalFile())
                paths.push_back(url.toLocalFile());
    return sortDroppedFiles(paths);
}

} // namespace

DroppedFiles sortDroppedFiles(const QStringList& paths) {
    DroppedFiles files;
    for (const QString& path : paths) {
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

FileDropFilter::FileDropFilter(CommandContext& context, QWidget& window)
    : QObject(&window), m_context(context), m_window(window) {
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    // Text boxes take drops of their own and would swallow a file let go over one.
    for (QWidget* child : window.findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(this);
}

bool FileDropFilter::acceptDrag(QDropEvent* event) {
    if (!m_context.mayRun() || droppedFiles(event->mimeData()).empty() ||
        !(event->possibleActions() & Qt::CopyAction))
        return false;
    // The files are read, never moved.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void FileDropFilter::drop(QDropEvent* event) {
    if (!acceptDrag(event)) {
        event->ignore();
        return;
    }
    // The program the files came from waits until the drop returns, so the
    // reading (and any question first) happens after it.
    QTimer::singleShot(
        0, this, [this, files = droppedFiles(event->mimeData())] { emit filesDropped(files); });
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* dropped = static_cast<QDropEvent*>(event);
    // Dragged text is still a text box's own business.
    if (watched != &m_window && droppedFiles(dropped->mimeData()).empty())
        return false;
    if (type == QEvent::Drop)
        drop(dropped);
    else if (!acceptDrag(dropped))
        dropped->ignore();
    return true;
}

} // namespace quillet::editor
