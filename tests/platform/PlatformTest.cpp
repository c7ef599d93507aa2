#include "platform/ExternalEditor.h"
#include "platform/Services.h"
#include "support/ScriptedServices.h"
#include "support/WhenModal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace quillet::platform {
namespace {

using testing::whenModal;

TEST(nameFiltersFrom, TurnsDescriptionPatternPairsIntoQtFilters) {
    struct Case {
        QString filter;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"DC6|*.dc6|", {"DC6 (*.dc6)"}},
        {"Palette file|*.pal", {"Palette file (*.pal)"}},
        {"BMP|*.BMP|", {"BMP (*.BMP)"}},
        // "*.*" means every file, with or without a dot in its name.
        {"DC6|*.dc6|All files|*.*|", {"DC6 (*.dc6)", "All files (*)"}},
        {"All formats|*.gif;*.bmp;*.jpg;*.jpe;*.jpeg|BMP (*.bmp)|*.bmp|Compuserve GIF "
         "(*.gif)|*.gif|JPEG (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|",
         {"All formats (*.gif *.bmp *.jpg *.jpe *.jpeg)", "BMP (*.bmp)", "Compuserve GIF (*.gif)",
          "JPEG (*.jpg *.jpe *.jpeg)"}},
        {"DC6|*.dc6|All", {"DC6 (*.dc6)"}},
        {"DC6|*.dc6|Nothing||", {"DC6 (*.dc6)"}},
        {"|*.dc6", {"(*.dc6)"}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameFiltersFrom(c.filter), c.expected) << c.filter.toStdString();
}

TEST(FileDialog, CancelKeepsTheFileNameAndFailsOnlyWithCancelError) {
    struct Case {
        const char* name;
        bool cancelError;
        QString answer; // null: cancel
        bool expectedResult;
        QString expectedFileName;
    };
    const std::vector<Case> cases = {
        {"cancel reported", true, QString(), false, "/old/walk.dc6"},
        {"cancel not reported", false, QString(), true, "/old/walk.dc6"},
        {"chosen", true, "/new/run.dc6", true, "/new/run.dc6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScriptedFileDialog dialog;
        dialog.FileName = "/old/walk.dc6";
        dialog.CancelError = c.cancelError;
        dialog.answers.push_back(c.answer);
        EXPECT_EQ(dialog.ShowOpen(), c.expectedResult);
        EXPECT_EQ(dialog.FileName, c.expectedFileName);
    }
    testing::ScriptedFileDialog dialog;
    EXPECT_EQ(dialog.fileTitle(), "");
    dialog.FileName = "/some/folder.d/walk.dc6";
    EXPECT_EQ(dialog.fileTitle(), "walk.dc6");
}

TEST(QtFileDialog, PresentsTheSettingsAndReturnsTheChoice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtFileDialog dialog(nullptr);
    dialog.Filter = "DC6|*.dc6|All files|*.*|";
    dialog.FilterIndex = 2;
    dialog.DefaultExt = "DC6";
    dialog.CancelError = true;
    dialog.FileName = dir.filePath("start.dc6");

    QStringList filtersSeen;
    QString selectedFilter, suffix;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    whenModal<QFileDialog>([&](QFileDialog* shown) {
        filtersSeen = shown->nameFilters();
        selectedFilter = shown->selectedNameFilter();
        suffix = shown->defaultSuffix();
        mode = shown->acceptMode();
        shown->selectFile(dir.filePath("walk"));
        static_cast<QDialog*>(shown)->accept();
    });
    ASSERT_TRUE(dialog.ShowSave());
    EXPECT_EQ(filtersSeen, QStringList({"DC6 (*.dc6)", "All files (*)"}));
    EXPECT_EQ(selectedFilter, "All files (*)");
    EXPECT_EQ(suffix, "DC6");
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.FileName, dir.filePath("walk.DC6"));

    whenModal<QFileDialog>([](QFileDialog* shown) { shown->reject(); });
    EXPECT_FALSE(dialog.ShowOpen());
    EXPECT_EQ(dialog.FileName, dir.filePath("walk.DC6"));
}

TEST(QtMessageBox, ShowsTheGivenButtonsAndIconAndReturnsTheAnswer) {
    using Box = QMessageBox;
    const Box::StandardButtons yesNo = Box::Yes | Box::No;
    struct Case {
        Buttons buttons;
        Icon icon;
        Box::StandardButtons expectedButtons;
        Box::StandardButton press; // NoButton: the key, or without one the box closed
        Answer expected;
        Qt::Key key = Qt::Key_unknown; // sent to the focus, as the user's keys go
    };
    const std::vector<Case> cases = {
        {Buttons::Ok, Icon::Warning, Box::Ok, Box::NoButton, Answer::Ok, Qt::Key_Escape},
        {Buttons::YesNo, Icon::None, yesNo, Box::Yes, Answer::Yes},
        {Buttons::YesNo, Icon::None, yesNo, Box::NoButton, Answer::No, Qt::Key_Escape},
        {Buttons::YesNoCancel, Icon::None, yesNo | Box::Cancel, Box::No, Answer::No},
        {Buttons::YesNoCancel, Icon::None, yesNo | Box::Cancel, Box::NoButton, Answer::Cancel,
         Qt::Key_Escape},
        {Buttons::YesNoCancel, Icon::None, yesNo | Box::Cancel, Box::NoButton, Answer::Cancel},
        {Buttons::RestoreDiscard, Icon::None, {}, Box::NoButton, Answer::Restore, Qt::Key_Return},
    };
    for (const Case& c : cases) {
        QtMessageBox box(nullptr);
        QString title, text;
        Box::Icon icon = Box::Question;
        Box::StandardButtons buttons;
        whenModal<Box>([&](Box* shown) {
            title = shown->windowTitle();
            text = shown->text();
            icon = shown->icon();
            buttons = shown->standardButtons();
            if (c.key != Qt::Key_unknown) {
                EXPECT_TRUE(QTest::qWaitForWindowActive(shown));
                QTest::keyClick(QApplication::focusWidget(), c.key);
            } else if (c.press == Box::NoButton)
                shown->close();
            else
                shown->button(c.press)->click();
        });
        EXPECT_EQ(box.show("Save before exit ?", "Quillet 2.1", c.buttons, c.icon), c.expected);
        EXPECT_EQ(title, "Quillet 2.1");
        EXPECT_EQ(text, "Save before exit ?");
        EXPECT_EQ(icon, c.icon == Icon::Warning ? Box::Warning : Box::NoIcon);
        EXPECT_EQ(buttons, c.expectedButtons);
    }
}

TEST(QtBusyPointer, HoldsOneOverrideWhateverTheNesting) {
    {
        QtBusyPointer pointer;
        pointer.setBusy(true);
        pointer.setBusy(true);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        pointer.setBusy(false);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        pointer.setBusy(false);
        pointer.setBusy(true);
    }
    // Left busy, it restores the pointer when it goes.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

#ifndef _WIN32
TEST(SystemServices, WithoutARegistryEveryKeyIsMissing) {
    auto system = makeSystemServices();
    SystemServices::Key key = 0;
    EXPECT_NE(system->openKey(SystemServices::kHKeyLocalMachine,
                              "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", SystemServices::kKeyRead,
                              key),
              0);
}
#endif

TEST(SystemServices, FileExistsOnlyForVisiblePlainFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"MSINFO32.EXE", ".hidden"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));

    auto system = makeSystemServices();
    const auto path = [&](const char* name) { return dir.filePath(name).toStdString(); };
    EXPECT_TRUE(system->fileExists(path("MSINFO32.EXE")));
    EXPECT_FALSE(system->fileExists(path("missing.exe")));
    EXPECT_FALSE(system->fileExists(path("folder")));
#ifndef _WIN32
    EXPECT_FALSE(system->fileExists(path(".hidden")));
#endif
    EXPECT_FALSE(system->startProgram(path("missing.exe")));
    EXPECT_FALSE(system->startProgram(""));
}

TEST(ExternalEditorCommandLine, PutsTheFileInAsOneArgument) {
    const QString file = QDir::fromNativeSeparators("/tmp/a b/frame_003.png");
    const QString native = QDir::toNativeSeparators(file);
    const struct {
        QString command;
        QStringList line;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"pixeleditor", {"pixeleditor", native}},
        {"pixeleditor %f", {"pixeleditor", native}},
        {"\"/opt/My Editor/run\" --open=%f -x", {"/opt/My Editor/run", "--open=" + native, "-x"}},
        {"cmp %f %f", {"cmp", native, native}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(externalEditorCommandLine(c.command, file), c.line) << c.command.toStdString();
}

} // namespace
} // namespace quillet::platform
