#include "document/RecentFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillet::document {
namespace {

// Each step is "add NAME", "remove NAME", "choose NAME" (picked from the
// menu), "delete NAME" (the file goes away on disk) or "clear"; names are
// files in a fresh folder, where "link.dc6" is a symbolic link to "b.dc6".
struct Case {
    const char* name;
    std::vector<std::string> steps;
    QStringList expected;
};

TEST(RecentFiles, KeepsTheLastTenDistinctFilesNewestFirst) {
    std::vector<std::string> twelve;
    QStringList newestTen;
    for (int i = 0; i < 12; ++i) {
        twelve.push_back("add f" + std::to_string(i) + ".dc6");
        if (i >= 2)
            newestTen.prepend(QStringLiteral("f%1.dc6").arg(i));
    }
    const Case cases[] = {
        {"newest first", {"add a.dc6", "add b.dc6", "add c.dc6"}, {"c.dc6", "b.dc6", "a.dc6"}},
        {"same file again moves up", {"add a.dc6", "add b.dc6", "add a.dc6"}, {"a.dc6", "b.dc6"}},
        {"other spellings of one file",
         {"add a.dc6", "add b.dc6", "add sub/../a.dc6", "add ./link.dc6"},
         {"link.dc6", "a.dc6"}},
        {"ten at most", twelve, newestTen},
        {"missing file leaves when chosen",
         {"add a.dc6", "add b.dc6", "delete a.dc6", "choose b.dc6", "choose a.dc6"},
         {"b.dc6"}},
        {"remove", {"add a.dc6", "add b.dc6", "remove ./b.dc6"}, {"a.dc6"}},
        {"clear", {"add a.dc6", "add b.dc6", "clear"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
        for (const QString name : {"a.dc6", "b.dc6", "c.dc6"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        ASSERT_TRUE(QFile::link(dir.filePath("b.dc6"), dir.filePath("link.dc6")));
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        RecentFiles recent(&settings);
        const QString oldCurrent = QDir::currentPath();
        QDir::setCurrent(dir.path()); // relative names are taken from here

        for (const std::string& step : c.steps) {
            const auto space = step.find(' ');
            const std::string verb = step.substr(0, space);
            const QString name = space == std::string::npos
                                     ? QString()
                                     : QString::fromStdString(step.substr(space + 1));
            if (verb == "add")
                recent.add(name);
            else if (verb == "remove")
                recent.remove(name);
            else if (verb == "clear")
                recent.clear();
            else if (verb == "delete") {
                ASSERT_TRUE(QFile::remove(name));
            } else if (verb == "choose") {
                EXPECT_EQ(recent.confirmExists(name), QFile::exists(name)) << step;
            }
        }
        QDir::setCurrent(oldCurrent);

        QStringList expected;
        for (const QString& name : c.expected)
            expected << dir.filePath(name);
        EXPECT_EQ(recent.files(), expected);
        // A second list on the same settings, as another window would have.
        EXPECT_EQ(RecentFiles(&settings).files(), expected);
    }
}

TEST(RecentFiles, HandEditedListIsCleanedUp) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    QStringList stored{"", "/x/a.dc6", "/x/../x/a.dc6", "/x/b.dc6"};
    for (int i = 0; i < 12; ++i)
        stored << QStringLiteral("/y/%1.dc6").arg(i);
    settings.setValue(RecentFiles::SettingsKey, stored);
    const QStringList files = RecentFiles(&settings).files();
    ASSERT_EQ(files.size(), RecentFiles::MaxFiles);
    EXPECT_EQ(files.mid(0, 3), (QStringList{"/x/a.dc6", "/x/b.dc6", "/y/0.dc6"}));
}

} // namespace
} // namespace quillet::document
