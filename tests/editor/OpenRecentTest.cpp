#include "EditorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QMenu>

namespace quillet::editor::test {
namespace {

class OpenRecent : public EditorTest {
protected:
    QMenu& menu() { return child<QMenu>("OpenRecent"); }
    // The file items' names, top to bottom.
    QStringList items() {
        QStringList names;
        for (QAction* item : menu().actions())
            if (item->data().isValid())
                names << item->text();
        return names;
    }
    QAction& item(const QString& name) {
        for (QAction* item : menu().actions())
            if (item->text() == name)
                return *item;
        throw std::logic_error("no recent file " + name.toStdString());
    }
    void open(const QString& name) {
        fileDialog().answers.push_back(writeDc6(name, {{3, 2}}));
        window->files().open();
    }
};

TEST_F(OpenRecent, ListsTheLastTenFilesOpenedOrSavedNewestFirst) {
    for (int i = 0; i < 11; ++i)
        open(QStringLiteral("f%1.dc6").arg(i));
    fileDialog().answers.push_back(path("saved.dc6"));
    ASSERT_EQ(window->files().saveAs(), SaveResult::Saved);
    EXPECT_EQ(items(), (QStringList{"saved.dc6", "f10.dc6", "f9.dc6", "f8.dc6", "f7.dc6", "f6.dc6",
                                    "f5.dc6", "f4.dc6", "f3.dc6", "f2.dc6"}));
    EXPECT_EQ(item("f3.dc6").toolTip(), QDir::toNativeSeparators(dir.path()));

    item("f3.dc6").trigger();
    EXPECT_EQ(window->docFileName(), path("f3.dc6"));
    EXPECT_EQ(items().mid(0, 2), (QStringList{"f3.dc6", "saved.dc6"}));
    EXPECT_TRUE(messages().shown.empty());

    // A second window (the next run) finds the same list.
    start();
    EXPECT_EQ(items().size(), 10);
    trigger("ClearRecent");
    EXPECT_TRUE(items().isEmpty());
    EXPECT_FALSE(child<QAction>("ClearRecent").isEnabled());
}

TEST_F(OpenRecent, MissingFileLeavesTheListWithAMessage) {
    open("a.dc6");
    open("b.dc6");
    ASSERT_TRUE(QFile::remove(path("a.dc6")));
    item("a.dc6").trigger();
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].title, "Quillet 2.1");
    EXPECT_EQ(messages().shown[0].icon, platform::Icon::Warning);
    EXPECT_TRUE(messages().shown[0].text.contains(QDir::toNativeSeparators(path("a.dc6"))));
    EXPECT_EQ(items(), QStringList{"b.dc6"});
    EXPECT_EQ(window->docFileName(), path("b.dc6"));
}

} // namespace
} // namespace quillet::editor::test
