#pragma once

#include <QObject>

class QWidget;

namespace quillet::editor {

// The window's shortcuts work wherever the focus is. A text box keeps only
// the keys of one table (typing, its cursor keys, and Cut, Copy, Paste and
// Select All, of which a read-only box keeps Copy and Select All); every
// other key goes to the window's commands first, and a key no command has
// still reaches the box. Desktops give text boxes bindings of their own
// (Ctrl+E as "end of line", Ctrl+Z as the box's own undo) that would
// otherwise swallow the commands' keys.
class BoxShortcuts : public QObject {
    Q_OBJECT
public:
    // Watches every text box under `window`.
    explicit BoxShortcuts(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace quillet::editor
