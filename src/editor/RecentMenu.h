#pragma once

#include "document/RecentFiles.h"

#include <QObject>
#include <functional>

class QMenu;

namespace quillet::editor {

// File > Open Recent: one item per file of the recent files list, newest
// first, its folder as tooltip, and "Clear Menu" at the end. The items are
// made afresh whenever the list may have changed, here or in another window.
class RecentMenu : public QObject {
    Q_OBJECT
public:
    using Opener = std::function<void(const QString& path)>;
    RecentMenu(QMenu* menu, Opener open);

    document::RecentFiles& files() { return m_files; }
    void add(const QString& path);
    // Takes a file that is gone off the list; false then.
    bool confirmExists(const QString& path);
    void rebuild();

private:
    QMenu* m_menu;
    Opener m_open;
    document::RecentFiles m_files;
};

} // namespace quillet::editor
