#pragma once

#include <QObject>

class QDropEvent;
class QWidget;

namespace quillet::editor {

class CommandContext;

// Files dropped on the window, or on any of its boxes (which would take them
// as text), do what the menus do: the first DC6 file is announced for Open,
// then every picture (BMP, GIF, JPEG, PNG) for Add Frame, in the order
// dropped. Nothing is taken while a command may not run.
class FileDropFilter : public QObject {
    Q_OBJECT
public:
    // Watches `window` and every child of it that takes drops.
    FileDropFilter(CommandContext& context, QWidget& window);

signals:
    void documentDropped(const QString& path);
    void pictureDropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool acceptDrag(QDropEvent* event);
    void drop(QDropEvent* event);

    CommandContext& m_context;
    QWidget& m_window;
};

} // namespace quillet::editor
