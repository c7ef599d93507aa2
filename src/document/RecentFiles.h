#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

namespace quillet::document {

// The DC6 files last opened or saved, most recent first, kept in the
// settings so the list outlives the program. Every call reads the settings
// afresh: two windows (or two running programs) share one list.
class RecentFiles {
public:
    static constexpr int MaxFiles = 10;
    static constexpr const char* SettingsKey = "recentFiles";

    // `settings` null: the application's own settings (QSettings()).
    // Otherwise it must outlive this object.
    explicit RecentFiles(QSettings* settings = nullptr);
    ~RecentFiles();
    RecentFiles(const RecentFiles&) = delete;
    RecentFiles& operator=(const RecentFiles&) = delete;

    QStringList files() const;
    // Puts the file first; the same file under another spelling (a relative
    // path, "..", a symbolic link) replaces its old entry.
    void add(const QString& path);
    void remove(const QString& path);
    void clear();
    // For a file chosen from the list: true when it is still there;
    // otherwise it leaves the list, and the caller tells the user.
    bool confirmExists(const QString& path);

private:
    void store(const QStringList& files);

    std::unique_ptr<QSettings> m_own;
    QSettings* m_settings;
};

} // namespace quillet::document
