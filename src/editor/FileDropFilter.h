#pragma once

#include <QObject>
#include <QStringList>

class QDropEvent;
class QWidget;

namespace quillet::editor {

class CommandContext;

// What files dropped on the window or named on the command line bring that
// the menus could have opened: the first DC6 file, for Open, and every
// picture (BMP, GIF, JPEG, PNG), for Add Frame, in the order given. Other
// files are left alone.
struct DroppedFiles {
    QString document;
    QStringList pictures;
    bool empty() const { return document.isEmpty() && pictures.isEmpty(); }
};
DroppedFiles sortDroppedFiles(const QStringList& paths);

// Files dropped on the window, or on any of its boxes (which would take them
// as text), do what the menus do; the window decides how, once the drop has
// returned. Nothing is taken while a command may not run.
class FileDropFilter : public QObject {
    Q_OBJECT
public:
    // Watches `window` and every child of it that takes drops.
    FileDropFilter(CommandContext& context, QWidget& window);

signals:
    void filesDropped(const DroppedFiles& files);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool acceptDrag(QDropEvent* event);
    void drop(QDropEvent* event);

    CommandContext& m_context;
    QWidget& m_window;
};

} // namespace quillet::editor
