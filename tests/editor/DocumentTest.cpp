#include "EditorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace quillet::editor::test {
namespace {

using platform::Answer;
using Document = EditorTest;

FrameList readBack(const QString& file) {
    return DC6FileIO().LoadDC6(file.toStdString());
}

TEST_F(Document, OpenReplacesTheListAndRunsTheNumberChangeOnTheNewOne) {
    openDocument({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}});
    frameNr().setValue(5);
    std::vector<int> countsSeen;
    QObject::connect(&frameNr(), &QScrollBar::valueChanged,
                     [&] { countsSeen.push_back(window->frameCount()); });
    fileDialog().answers.push_back(writeDc6(QStringLiteral("three.dc6"), {{7, 2}, {8, 2}, {9, 2}}));
    window->files().open();

    EXPECT_EQ(countsSeen, (std::vector<int>{3}));
    expectOpenedThreeFrames(path("three.dc6"));
    EXPECT_EQ(fileDialog().shown.back().filter, "DC6|*.dc6|");
}

TEST_F(Document, OpenWithTheScrollBarAtOneStillShowsTheNewDocument) {
    openDocument({{1, 1}});
    fileDialog().answers.push_back(writeDc6(QStringLiteral("other.dc6"), {{6, 3}}));
    window->files().open();
    EXPECT_EQ(text("txtWidth"), "6");
    EXPECT_EQ(previewImage().size(), QSize(6, 3));
}

TEST_F(Document, OpenThatIsCancelledOrCannotReadLeavesTheDocumentAloneAndSaysWhy) {
    openDocument({{1, 1}, {2, 1}});
    frameNr().setValue(2);
    QFile junk(path("junk.dc6"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a sprite at all");
    junk.close();
    fileDialog().answers = {QString(), path("junk.dc6"), path("missing.dc6")};
    for (int i = 0; i < 3; ++i)
        window->files().open();
    EXPECT_EQ(widths(), (std::vector<int>{1, 2}));
    EXPECT_EQ(window->curFrame(), 2);
    EXPECT_EQ(text("txtWidth"), "2");
    EXPECT_EQ(window->docFileName(), path("doc.dc6"));
    expectReadErrors({"junk.dc6", "missing.dc6"});
    EXPECT_FALSE(scripted->busy->busy);
}

TEST_F(Document, SaveAsNamesTheDocumentAndSaveThenWritesWithoutAsking) {
    addPicture(5, 4);
    child<QLineEdit>("txtXoffset").setText(QStringLiteral("-3"));
    fileDialog().answers = {QString()};
    EXPECT_EQ(window->files().save(), SaveResult::Cancelled);
    EXPECT_TRUE(window->docFileName().isEmpty());

    fileDialog().answers = {path("out.dc6")};
    EXPECT_EQ(window->files().save(), SaveResult::Saved);
    const auto& dialog = fileDialog().shown.back();
    EXPECT_TRUE(dialog.save);
    EXPECT_EQ(dialog.filter, "DC6|*.dc6|All files|*.*|");
    EXPECT_EQ(dialog.defaultExt, "DC6");
    EXPECT_TRUE(dialog.fileNameBefore.isEmpty());
    EXPECT_EQ(window->docFileName(), path("out.dc6"));

    child<QLineEdit>("txtXoffset").setText(QStringLiteral("11"));
    const std::size_t dialogs = fileDialog().shown.size();
    trigger("Save");
    EXPECT_EQ(fileDialog().shown.size(), dialogs);
    EXPECT_EQ(readBack(path("out.dc6"))[0]->get_X_offset(), 11);
}

TEST_F(Document, AFailingWriteIsReportedOnceAndChangesNothing) {
    openDocument({{3, 3}, {4, 4}});
    const QByteArray before = [&] {
        QFile f(path("doc.dc6"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    messages().answers.clear();
    child<QLineEdit>("txtXoffset").setText(QStringLiteral("9"));
    setWriteFaultHook([](std::size_t, std::size_t) { return std::size_t{0}; });
    EXPECT_EQ(window->files().save(), SaveResult::Failed);
    setWriteFaultHook({});

    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].title, "Quillet 2.1");
    EXPECT_EQ(messages().shown[0].text.count(QStringLiteral("doc.dc6")), 1)
        << messages().shown[0].text.toStdString();
    QFile f(path("doc.dc6"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(window->frameCount(), 2);
    EXPECT_FALSE(window->isSaving());

    // Save As into a folder that cannot exist keeps the document's old name.
    QFile plain(path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    fileDialog().answers = {path("plain/new.dc6")};
    EXPECT_EQ(window->files().saveAs(), SaveResult::Failed);
    EXPECT_EQ(window->docFileName(), path("doc.dc6"));
    EXPECT_EQ(messages().shown.size(), 2u);
    EXPECT_FALSE(scripted->busy->busy);
}

TEST_F(Document, NoCommandRunsWhileASaveIsWriting) {
    openDocument({{3, 3}, {4, 4}});
    bool refused = false;
    setWriteFaultHook([&](std::size_t, std::size_t wanted) {
        window->deleteFrame(); // would ask a question and fail the test
        window->files().newDocument();
        refused = window->isSaving() && window->frameCount() == 2;
        return wanted;
    });
    EXPECT_EQ(window->files().save(), SaveResult::Saved);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(messages().shown.empty());
}

TEST_F(Document, SavingWithoutFramesWritesNothingAndSaysSo) {
    trigger("SaveAs");
    trigger("Save");
    EXPECT_EQ(messages().shown.size(), 2u);
    EXPECT_TRUE(fileDialog().shown.empty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST_F(Document, NewAsksOnlyWithFramesAndKeepsTheNameOfAnEmptyDocument) {
    addPicture(5, 4);
    fileDialog().answers = {path("named.dc6")};
    window->files().saveAs();
    messages().answers = {Answer::Yes};
    window->deleteFrame();
    messages().shown.clear();
    trigger("New");
    EXPECT_TRUE(messages().shown.empty());
    EXPECT_EQ(window->docFileName(), path("named.dc6"));

    openDocument({{1, 1}, {2, 1}, {3, 1}});
    frameNr().setValue(3);
    messages().answers = {Answer::No};
    window->files().newDocument();
    EXPECT_EQ(messages().shown.back().text, "Save before closing DC6 animation ?");
    EXPECT_EQ(window->frameCount(), 0);
    EXPECT_TRUE(window->docFileName().isEmpty());
    EXPECT_EQ(text("txtFrameCount"), "0");
    EXPECT_EQ(frameNr().value(), 1);
    EXPECT_EQ(frameNr().maximum(), 1);
    EXPECT_EQ(window->previewWindow(), nullptr);
}

TEST_F(Document, NewGoesOnAfterACancelledSaveAsButNotAfterAFailedSave) {
    addPicture(5, 4);
    messages().answers = {Answer::Yes};
    fileDialog().answers = {QString()};
    window->files().newDocument();
    EXPECT_EQ(window->frameCount(), 0);
    EXPECT_EQ(window->previewWindow(), nullptr);

    openDocument({{1, 1}});
    messages().answers = {Answer::Yes};
    setWriteFaultHook([](std::size_t, std::size_t) { return std::size_t{0}; });
    window->files().newDocument();
    EXPECT_EQ(window->frameCount(), 1);
    EXPECT_EQ(window->docFileName(), path("doc.dc6"));
}

TEST_F(Document, ExitAlwaysAsksAndTheCloseBoxNever) {
    struct Case {
        bool withFrames;
        Answer answer;
        QString saveAsAnswer; // null: cancelled
        bool failWrite;
        bool closes;
    };
    const std::vector<Case> cases = {
        {false, Answer::No, {}, false, true},
        {false, Answer::Yes, {}, false, true}, // nothing to save, nothing lost
        {true, Answer::Yes, {}, false, true},  // Save As cancelled
        {true, Answer::Yes, QStringLiteral("exit.dc6"), false, true},
        {true, Answer::Yes, QStringLiteral("exit.dc6"), true, false},
    };
    for (const Case& c : cases) {
        start();
        if (c.withFrames)
            addPicture(5, 4);
        messages().answers = {c.answer};
        fileDialog().answers = {c.saveAsAnswer.isNull() ? QString() : path(c.saveAsAnswer)};
        if (c.failWrite)
            setWriteFaultHook([](std::size_t, std::size_t) { return std::size_t{0}; });
        trigger("Exit");
        setWriteFaultHook({});
        EXPECT_EQ(messages().shown.front().text, "Save before exit ?");
        EXPECT_EQ(window->isVisible(), !c.closes);
        EXPECT_EQ(window->frameCount(), c.closes ? 0 : 1);
    }

    start();
    addPicture(5, 4);
    window->close();
    EXPECT_TRUE(messages().shown.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->frameCount(), 0);
    EXPECT_EQ(window->previewWindow(), nullptr);
}

TEST_F(Document, AStoredOffsetBeyond16BitsSurvivesOpenShowAndSave) {
    openDocument({{2, 2, 70000, -40000}, {3, 3}});
    EXPECT_EQ(text("txtXoffset"), "70000");
    EXPECT_EQ(text("txtYoffset"), "-40000");
    frameNr().setValue(2);
    frameNr().setValue(1);
    window->files().save();
    const FrameList back = readBack(path("doc.dc6"));
    EXPECT_EQ(back[0]->get_X_offset(), 70000);
    EXPECT_EQ(back[0]->get_Y_offset(), -40000);
}

} // namespace
} // namespace quillet::editor::test

namespace quillet::editor::test {
namespace {

Bytes fileBytes(const QString& file) {
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    return Bytes(all.begin(), all.end());
}

// Every direction survives Open then Save byte for byte, and the status line
// tells where the current frame stands.
TEST_F(Document, OpenThenSaveKeepsEveryDirection) {
    struct Case {
        int directions;
        int frames;
        int current;
        const char* status;
    };
    const Case cases[] = {
        {1, 3, 2, "1 direction"},
        {2, 4, 3, "Direction 2 of 2, frame 1 of 2"},
        {8, 16, 16, "Direction 8 of 8, frame 2 of 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directions);
        std::vector<FrameShape> shapes;
        for (int i = 0; i < c.frames; ++i)
            shapes.push_back({1 + i % 5, 2, i, -i});
        FrameList frames;
        for (const FrameShape& shape : shapes)
            frames.push_back(makeFrame(shape));
        const QString file = path(QStringLiteral("d%1.dc6").arg(c.directions));
        DC6FileIO().SaveDC6(file.toStdString(), frames, 0, {}, c.directions);
        const Bytes written = fileBytes(file);
        fileDialog().answers = {file};
        window->files().open();
        frameNr().setValue(c.current);
        EXPECT_EQ(child<QLabel>("lblDirection").text(), c.status);
        trigger("Save");
        EXPECT_EQ(fileBytes(file), written);
    }
}

TEST_F(Document, SaveAsksWhenTheFramesNoLongerSplitIntoTheDirections) {
    FrameList frames;
    for (int i = 0; i < 4; ++i)
        frames.push_back(makeFrame({2 + i, 2}));
    const QString file = path("two.dc6");
    DC6FileIO().SaveDC6(file.toStdString(), frames, 0, {}, 2);
    fileDialog().answers = {file};
    window->files().open();
    addPicture(3, 3);
    const Bytes before = fileBytes(file);

    messages().answers = {Answer::Cancel};
    EXPECT_EQ(window->files().save(), SaveResult::Failed);
    EXPECT_EQ(messages().shown.back().text,
              "The document has 2 directions but 5 frames, which is not a multiple of 2. Save it "
              "as one direction of 5 frames?");
    EXPECT_EQ(messages().shown.back().buttons, platform::Buttons::YesCancel);
    EXPECT_EQ(fileBytes(file), before);

    messages().answers = {Answer::Yes};
    EXPECT_EQ(window->files().save(), SaveResult::Saved);
    int directions = 0;
    EXPECT_EQ(DC6FileIO().LoadDC6(file.toStdString(), &directions).size(), 5u);
    EXPECT_EQ(directions, 1);

    // Directions... takes only a count that divides the frames.
    addPicture(4, 4);
    scripted->prompt->numbers = {4, 3};
    trigger("Directions");
    EXPECT_EQ(messages().shown.back().icon, platform::Icon::Warning);
    trigger("Directions");
    EXPECT_EQ(window->document().directions(), 3);
    trigger("Undo");
    EXPECT_EQ(window->document().directions(), 1);
}

} // namespace
} // namespace quillet::editor::test
