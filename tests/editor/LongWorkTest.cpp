#include "EditorTestSupport.h"
#include "editor/ProgressGate.h"

#include <QDir>
#include <QUndoStack>

namespace quillet::editor::test {
namespace {

// Presses Cancel at its `at`-th report (from 1; 0 never), without a window or a wait.
class CancelAt : public ProgressGate {
public:
    explicit CancelAt(int at) : m_at(at) {}
    bool step(std::int64_t, std::int64_t) override { return m_at == 0 || ++m_steps < m_at; }

private:
    int m_at;
    int m_steps = 0;
};

class LongWork : public EditorTest {
protected:
    // Every progress window from now on cancels at its `at`-th report.
    void cancelAt(int at) {
        window->commands().setProgressGates(
            [at](const QString&) { return std::make_unique<CancelAt>(at); });
    }
};

TEST_F(LongWork, CancelledExportKeepsTheFinishedFilesAndSaysHowMany) {
    openDocument({{3, 2}, {4, 2}, {5, 2}, {6, 2}});
    QDir(dir.path()).mkdir("out");
    cancelAt(2);
    fileDialog().answers = {path("out/walk.bmp")};
    window->exports().exportBitmaps();
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
             messages().answers = {platform::Answer::No};
             fileDialog().answers = {writeDc6("other.dc6", {{4, 2}, {5, 2}, {6, 2}})};
             window->files().open();
         }},
        // 300 columns: two tiles.
        {"import", 1, [this] { addPicture(300, 10); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openDocument({{7, 2}, {8, 2}, {9, 2}});
        window->frameCommands().duplicate();
        const QString name = window->docFileName();
        cancelAt(c.cancelAt);
        c.act();
        cancelAt(0);
        EXPECT_EQ(widths(), (std::vector<int>{7, 7, 8, 9}));
        EXPECT_EQ(window->docFileName(), name);
        EXPECT_EQ(window->document().undoStack().index(), 1);
        // Only the question about the changed document.
        for (const auto& shown : messages().shown)
            EXPECT_EQ(shown.buttons, platform::Buttons::YesNoCancel);
    }
}

} // namespace
} // namespace quillet::editor::test
