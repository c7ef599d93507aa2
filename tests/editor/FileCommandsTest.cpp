#include "EditorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <map>
#include <string_view>

namespace quillet::editor::test {
namespace {

using platform::Answer;
using FileCommandsTest = EditorTest;

FrameList readBack(const QString& file) {
    return DC6FileIO().LoadDC6(file.toStdString());
}

TEST_F(FileCommandsTest, OpenReplacesTheListAndRunsTheNumberChangeOnTheNewOne) {
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

TEST_F(FileCommandsTest, OpenWithTheScrollBarAtOneStillShowsTheNewDocument) {
    openDocument({{1, 1}});
    fileDialog().answers.push_back(writeDc6(QStringLiteral("other.dc6"), {{6, 3}}));
    window->files().open();
    EXPECT_EQ(text("txtWidth"), "6");
    EXPECT_EQ(previewImage().size(), QSize(6, 3));
}

TEST_F(FileCommandsTest, OpenThatIsCancelledOrCannotReadLeavesTheDocumentAloneAndSaysWhy) {
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

TEST_F(FileCommandsTest, SaveAsNamesTheDocumentAndSaveThenWritesWithoutAsking) {
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

TEST_F(FileCommandsTest, AFailingWriteIsReportedOnceAndChangesNothing) {
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

TEST_F(FileCommandsTest, NoCommandRunsWhileASaveIsWriting) {
    openDocument({{3, 3}, {4, 4}});
    bool refused = false;
    setWriteFaultHook([&](std::size_t, std::size_t wanted) {
        window->frameCommands().remove(); // would ask a question and fail the test
        window->files().newDocument();
        refused = window->isSaving() && window->frameCount() == 2;
        return wanted;
    });
    EXPECT_EQ(window->files().save(), SaveResult::Saved);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(messages().shown.empty());
}

TEST_F(FileCommandsTest, SavingWithoutFramesWritesNothingAndSaysSo) {
    trigger("SaveAs");
    trigger("Save");
    EXPECT_EQ(messages().shown.size(), 2u);
    EXPECT_TRUE(fileDialog().shown.empty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST_F(FileCommandsTest, NewAsksOnlyWithFramesAndKeepsTheNameOfAnEmptyDocument) {
    addPicture(5, 4);
    fileDialog().answers = {path("named.dc6")};
    window->files().saveAs();
    messages().answers = {Answer::Yes};
    window->frameCommands().remove();
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
    EXPECT_EQ(window->preview().previewWindow(), nullptr);
}

// Every way of closing or replacing the document asks while the user could
// lose work; only No, or Yes and a save that wrote the file, let it go.
// (Escape and the question's close box answer Cancel: the platform's test.)
TEST_F(FileCommandsTest, QuestionsKeepTheDocumentUnlessItMayGo) {
    enum Doc { Named, Changed, Unnamed, Empty }; // Changed: named and modified
    const Answer Yes = Answer::Yes, No = Answer::No, Cancel = Answer::Cancel;
    struct Row {
        const char* entry;
        Doc doc;
        std::optional<Answer> answer; // none: not asked
        bool goesOn;
        const char* saveAs = nullptr; // the Save As dialog's answer; none: cancelled
        bool failWrite = false;
    };
    const Row rows[] = {
        {"Exit", Changed, Yes, true},
        {"Exit", Changed, Cancel, false},
        {"Exit", Changed, Yes, false, nullptr, true},
        {"Exit", Unnamed, Yes, false},
        {"Exit", Unnamed, Yes, true, "exit.dc6"},
        {"Exit", Empty, Yes, false},
        {"close box", Unnamed, No, true},
        {"New", Unnamed, Yes, false},
        {"Open", Changed, Cancel, false},
        {"Open", Named, {}, true},
        {"Open", Unnamed, Yes, true, "s.dc6"},
        {"Open Recent", Changed, No, true},
        {"drop", Changed, Cancel, false},
        {"drop", Unnamed, No, true},
        {"logout", Changed, Cancel, false},
        {"logout", Unnamed, Yes, true, "o.dc6"},
    };
    bool ended = false; // the session's answer
    const std::map<std::string_view, std::function<void()>> entries = {
        {"Exit", [&] { trigger("Exit"); }},
        {"close box", [&] { window->close(); }},
        {"New", [&] { trigger("New"); }},
        {"Open", [&] { trigger("Open"); }},
        {"Open Recent", [&] { window->files().openRecent(path("other.dc6")); }},
        {"drop",
         [&] {
             window->openFiles({path("other.dc6"), path("pic5x4.bmp")});
         }},
        {"logout", [&] { ended = window->files().sessionEnding([] { return true; }); }},
    };
    for (const Row& r : rows) {
        const std::string_view entry = r.entry;
        SCOPED_TRACE(r.entry + (" " + std::to_string(&r - rows)));
        start();
        if (r.doc == Named || r.doc == Changed)
            openDocument({{3, 2}, {4, 2}});
        if (r.doc == Changed || r.doc == Unnamed)
            addPicture(5, 4);
        const std::vector<int> before = widths();
        const QString name = window->docFileName();
        messages().answers.assign(r.answer.has_value(), r.answer.value_or(No));
        fileDialog().answers = {writeDc6(QStringLiteral("other.dc6"), {{9, 1}})};
        if (r.doc == Unnamed && r.answer == Yes)
            fileDialog().answers.push_front(r.saveAs ? path(r.saveAs) : QString());
        if (r.failWrite)
            setWriteFaultHook([](std::size_t, std::size_t) { return std::size_t{0}; });
        entries.at(entry)();
        setWriteFaultHook({});
        EXPECT_EQ(entry == "logout" ? ended : widths() != before, r.goesOn);
        EXPECT_EQ(messages().shown.empty() ? QString() : messages().shown[0].text,
                  !r.answer ? ""
                  : entry == "Exit" || entry == "close box"
                      ? "Save before exit ?"
                      : "Save before closing DC6 animation ?");
        if (!r.goesOn) {
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(window->docFileName(), name);
        } else if (r.answer == Yes) {
            EXPECT_EQ(readBack(r.saveAs ? path(r.saveAs) : name).size(), before.size());
        }
    }
}

TEST_F(FileCommandsTest, AStoredOffsetBeyond16BitsSurvivesOpenShowAndSave) {
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

Bytes fileBytes(const QString& file) {
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    return Bytes(all.begin(), all.end());
}

// Every direction survives Open then Save byte for byte, a file of another layout
// saved over is kept as NAME.bak, and the status line tells the file, without
// widening the window.
TEST_F(FileCommandsTest, OpenThenSaveKeepsEveryDirection) {
    struct Case {
        int directions;
        int frames;
        int current;
        const char* status;
        const char* name;
        bool foreign = false;         // another version word
        const char* saveAs = nullptr; // Save As over a copy of the file
    };
    const Case cases[] = {
        {1, 3, 2, "1 direction", "d1.dc6"},
        {2, 4, 3, "Direction 2 of 2, frame 1 of 2", "d2.dc6", true},
        {8, 16, 16, "Direction 8 of 8, frame 2 of 2",
         "a name much longer than the status line under the window has room for.dc6"},
        {1, 2, 1, "1 direction", "s.dc6", true, "over.dc6"},
    };
    const QSize size = window->size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directions);
        std::vector<FrameShape> shapes;
        for (int i = 0; i < c.frames; ++i)
            shapes.push_back({1 + i % 5, 2, i, -i});
        FrameList frames;
        for (const FrameShape& shape : shapes)
            frames.push_back(makeFrame(shape));
        const QString file = path(c.name);
        DC6FileIO().SaveDC6(file.toStdString(), frames, 0, {}, c.directions);
        const Bytes written = fileBytes(file);
        Bytes original = written;
        original[0] ^= c.foreign ? 3 : 0;
        writeFileSafely(file.toStdString(), original);
        fileDialog().answers = {file};
        window->files().open();
        frameNr().setValue(c.current);
        EXPECT_EQ(child<QLabel>("lblDirection").text(), c.status);
        const QString shown = child<QLabel>("lblDocument").text();
        EXPECT_EQ(shown == c.name, !shown.contains(QChar(0x2026))) << shown.toStdString();
        const QString saved = c.saveAs ? path(c.saveAs) : file;
        writeFileSafely(saved.toStdString(), original); // a file from elsewhere to save over
        fileDialog().answers = {saved};
        trigger(c.saveAs ? "SaveAs" : "Save");
        EXPECT_EQ(fileBytes(saved), written);
        EXPECT_EQ(QFileInfo::exists(saved + ".bak"), c.foreign);
        EXPECT_EQ(QFileInfo::exists(file + ".bak"), c.foreign && !c.saveAs);
        EXPECT_EQ(window->docFileName(), saved);
        EXPECT_EQ(window->size(), size);
    }
}

TEST_F(FileCommandsTest, SaveAsksWhenTheFramesNoLongerSplitIntoTheDirections) {
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
    trigger("Undo");
    EXPECT_EQ(window->document().directions(), 2);
    trigger("Redo");
    EXPECT_EQ(window->document().directions(), 1);

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

// The real editor, killed while its work was unsaved, gives it back at the
// next start: restored and saved, it is what a save before the kill wrote.
TEST_F(FileCommandsTest, AKilledEditorsWorkComesBackFromItsRecoveryCopy) {
    const QString file = writeDc6(QStringLiteral("walk.dc6"), {{3, 2, 1, -1}, {4, 2}});
    const QString picture = writePicture(QStringLiteral("p.bmp"), 5, 4);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", path("data"));
    environment.insert("XDG_CONFIG_HOME", path("config"));
    QProcess editor;
    editor.setProcessEnvironment(environment);
    editor.setWorkingDirectory(dir.path());
    editor.start(QStringLiteral(QUILLET_EDITOR), {file, picture});
    const QString folder = path("data/Quillet/Quillet/recovery");
    const auto copies = [&] { return QDir(folder).entryList({"*.recovery"}, QDir::Files); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !copies().isEmpty(); }, 60000));
    editor.kill();
    ASSERT_TRUE(editor.waitForFinished());

    fileDialog().answers = {file, path("expected.dc6")};
    trigger("Open");
    window->imports().addFrameFrom(picture);
    trigger("SaveAs");
    start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    writeFileSafely((folder + "/1-damaged.recovery").toStdString(), Bytes{1, 2, 3});
    messages().answers = {Answer::Ok, Answer::Restore};
    window->files().keepRecoveryCopies(folder);
    ASSERT_EQ(messages().shown.size(), 2u);
    EXPECT_TRUE(messages().shown[0].text.contains("1-damaged.recovery: "));
    EXPECT_TRUE(messages().shown[1].text.contains(QStringLiteral("\"%1\" (3 frames)").arg(file)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileBytes(file), fileBytes(path("expected.dc6")));

    // A session that ends without leave to ask keeps a copy, and the close
    // that follows asks nothing.
    addPicture(6, 2);
    EXPECT_TRUE(window->files().sessionEnding([] { return false; }));
    window->close();
    window.reset();
    EXPECT_EQ(copies().size(), 1);
}

} // namespace
} // namespace quillet::editor::test
