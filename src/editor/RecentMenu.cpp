#include "RecentMenu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace quillet::editor {

RecentMenu::RecentMenu(QMenu* menu, Opener open)
    : QObject(menu), m_menu(menu), m_open(std::move(open)) {
    connect(m_menu, &QMenu::aboutToShow, this, &RecentMenu::rebuild);
    m_menu->setToolTipsVisible(true);
    rebuild();
}

void RecentMenu::add(const QString& path) {
    m_files.add(path);
    rebuild();
}

bool RecentMenu::confirmExists(const QString& path) {
    const bool there = m_files.confirmExists(path);
    rebuild();
    return there;
}

void RecentMenu::rebuild() {
    // Later, not now: the item chosen may be what led here.
    for (QAction* old : m_menu->actions()) {
        m_menu->removeAction(old);
        old->setObjectName(QString());
        old->deleteLater();
    }
    const QStringList files = m_files.files();
    for (const QString& file : files) {
        const QFileInfo info(file);
        QAction* item = m_menu->addAction(info.fileName());
        item->setToolTip(QDir::toNativeSeparators(info.absolutePath()));
        item->setData(file);
        connect(item, &QAction::triggered, this, [this, file] { m_open(file); });
    }
    m_menu->addSeparator();
    QAction* clear = m_menu->addAction(QStringLiteral("Clear Menu"));
    clear->setObjectName(QStringLiteral("ClearRecent"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [this] {
        m_files.clear();
        rebuild();
    });
}

} // namespace quillet::editor
