#include "EditorTestSupport.h"
#include "editor/ProgressGate.h"

#include <QDir>
#include <QUndoStack>

namespace quillet::editor::test {
namespace {

// Cancel pressed at a given report of the progress window.
class LongWork : public EditorTest {
protected:
    void TearDown() override {
        ProgressGate::cancelAtStepForTests(0);
        EditorTest::TearDown();
    }
};

TEST_F(LongWork, CancelledExportKeepsTheFinishedFilesAndSaysHowMany) {
    openDocument({{3, 2}, {4, 2}, {5, 2}, {6, 2}});
    QDir(dir.path()).mkdir("out");
    ProgressGate::cancelAtStepForTests(2);
    fileDialog().answers = {path("out/walk.bmp")};
    window->exportBitmaps();
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"walk_001.BMP", "walk_002.BMP"}));
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].title, "Quillet 2.1");
    EXPECT_TRUE(messages().shown[0].text.contains("2 of 4 files"))
        << messages().shown[0].text.toStdString();
}

// Open and import change nothing when cancelled, and say nothing.
TEST_F(LongWork, CancelledOpenOrImportLeavesTheDocumentAsItWas) {
    const struct {
        const char* name;
        int cancelAt;
        std::function<void()> act;
    } cases[] = {
        {"open", 2,
         [this] {
             fileDialog().answers = {writeDc6("other.dc6", {{4, 2}, {5, 2}, {6, 2}})};
             window->open();
         }},
        // 300 columns: two tiles.
        {"import", 1, [this] { addPicture(300, 10); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openDocument({{7, 2}, {8, 2}, {9, 2}});
        window->duplicateFrame();
        const QString name = window->docFileName();
        ProgressGate::cancelAtStepForTests(c.cancelAt);
        c.act();
        ProgressGate::cancelAtStepForTests(0);
        EXPECT_EQ(widths(), (std::vector<int>{7, 7, 8, 9}));
        EXPECT_EQ(window->docFileName(), name);
        EXPECT_EQ(window->document().undoStack().index(), 1);
        EXPECT_TRUE(messages().shown.empty());
    }
}

} // namespace
} // namespace quillet::editor::test
