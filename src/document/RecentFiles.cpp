#include "document/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace quillet::document {

namespace {

// What two spellings of one file have in common: the resolved path while the
// file exists, the cleaned absolute path once it is gone.
QString identity(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QStringList without(const QStringList& files, const QString& path) {
    const QString id = identity(path);
    QStringList kept;
    for (const QString& file : files)
        if (identity(file) != id)
            kept.append(file);
    return kept;
}

} // namespace

RecentFiles::RecentFiles(QSettings* settings)
    : m_own(settings ? nullptr : std::make_unique<QSettings>()),
      m_settings(settings ? settings : m_own.get()) {}

RecentFiles::~RecentFiles() = default;

QStringList RecentFiles::files() const {
    // The stored list may have been edited by hand: no blanks, no repeats.
    QStringList result;
    QStringList ids;
    for (const QString& file : m_settings->value(SettingsKey).toStringList()) {
        if (file.isEmpty())
            continue;
        const QString id = identity(file);
        if (ids.contains(id))
            continue;
        ids.append(id);
        result.append(file);
        if (result.size() == MaxFiles)
            break;
    }
    return result;
}

void RecentFiles::add(const QString& path) {
    if (path.isEmpty())
        return;
    QStringList list = without(files(), path);
    list.prepend(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    store(list.mid(0, MaxFiles));
}

void RecentFiles::remove(const QString& path) {
    store(without(files(), path));
}

void RecentFiles::clear() {
    m_settings->remove(SettingsKey);
}

bool RecentFiles::confirmExists(const QString& path) {
    if (QFileInfo(path).isFile())
        return true;
    remove(path);
    return false;
}

void RecentFiles::store(const QStringList& list) {
    if (list.isEmpty())
        m_settings->remove(SettingsKey);
    else
        m_settings->setValue(SettingsKey, list);
}

} // namespace quillet::document
