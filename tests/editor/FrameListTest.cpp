#include "EditorTestSupport.h"
#include "display/SheetDialog.h"
#include "support/WhenModal.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <algorithm>

namespace quillet::editor::test {
namespace {

using platform::Answer;
using FrameListEditing = EditorTest;

TEST_F(FrameListEditing, AddOnAnEmptyDocumentMakesTheFirstPieceCurrent) {
    addPicture(300, 10); // two tiles: 256 and 44 wide
    EXPECT_EQ(widths(), (std::vector<int>{256, 44}));
    EXPECT_EQ(window->curFrame(), 1);
    EXPECT_EQ(frameNr().value(), 1);
    EXPECT_EQ(frameNr().maximum(), 2);
    EXPECT_EQ(text("txtFrameCount"), "2");
    EXPECT_EQ(text("txtWidth"), "256");
    for (const FramePtr& frame : window->frames())
        EXPECT_EQ(frame->getNewPalette(), window->currentPalette());
    EXPECT_EQ(fileDialog().shown.back().filter,
              "All formats|*.gif;*.bmp;*.jpg;*.jpe;*.jpeg;*.png|BMP (*.bmp)|*.bmp|Compuserve GIF "
              "(*.gif)|*.gif|JPEG (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|PNG (*.png)|*.png|");
}

TEST_F(FrameListEditing, AddAppendsAndInsertGoesBeforeTheCurrentFrame) {
    struct Case {
        bool insert;
        int current;
        int pictureWidth; // 600 gives three pieces: 256, 256, 88
        std::vector<int> expected;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {false, 2, 7, {1, 2, 3, 7}, "2"},
        {true, 2, 7, {1, 7, 2, 3}, "7"},
        {true, 1, 600, {256, 256, 88, 1, 2, 3}, "256"},
        {true, 3, 7, {1, 2, 7, 3}, "7"},
    };
    for (const Case& c : cases) {
        openDocument({{1, 1}, {2, 1}, {3, 1}});
        frameNr().setValue(c.current);
        fileDialog().answers.push_back(writePicture(QStringLiteral("p.bmp"), c.pictureWidth, 2));
        c.insert ? window->imports().insertFrame() : window->imports().addFrame();
        EXPECT_EQ(widths(), c.expected);
        EXPECT_EQ(window->curFrame(), c.current);
        EXPECT_EQ(frameNr().value(), c.current);
        EXPECT_EQ(frameNr().maximum(), window->frameCount());
        EXPECT_EQ(text("txtWidth"), c.shown);
        EXPECT_EQ(previewImage().width(), text("txtWidth").toInt());
    }
    EXPECT_EQ(fileDialog().shown.back().filter, "BMP (*.bmp)|*.bmp|PNG (*.png)|*.png");
}

// Pictures chosen together go in by the natural order of their names, in one
// step; one that cannot be read is named, and the others still go in.
TEST_F(FrameListEditing, SeveralPicturesGoInByTheirNamesInOneStep) {
    const struct {
        bool insert;
        QStringList names; // "fN.bmp" is 10 + N wide
        std::vector<int> expected;
        const char* step;
        QStringList unread;
    } cases[] = {
        {false, {"f10.bmp", "f2.bmp", "F1.bmp"}, {1, 2, 3, 11, 12, 20}, "Add 3 Frames", {}},
        {true, {"f9.bmp", "x.bmp", "f10.bmp"}, {1, 19, 20, 2, 3}, "Insert 2 Frames", {"x.bmp: "}},
        {false, {"b.bmp", "x.bmp", "f3.bmp"}, {1, 2, 3, 13}, "Add Frame", {"b.bmp: ", "x.bmp: "}},
    };
    writeFileSafely(path("b.bmp").toStdString(), Bytes{'B', 'M', 1, 2}); // no picture
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        openDocument({{1, 1}, {2, 1}, {3, 1}});
        frameNr().setValue(2);
        QStringList chosen;
        for (const QString& name : c.names)
            chosen << (name.startsWith('f', Qt::CaseInsensitive)
                           ? writePicture(name, 10 + name.mid(1).chopped(4).toInt(), 2)
                           : path(name));
        fileDialog().severalAnswers = {chosen};
        c.insert ? window->imports().insertFrame() : window->imports().addFrame();
        EXPECT_EQ(widths(), c.expected);
        EXPECT_EQ(child<QAction>("Undo").text(), QStringLiteral("Undo ") + c.step);
        EXPECT_EQ(messages().shown.size(), c.unread.isEmpty() ? 0u : 1u);
        for (const QString& unread : c.unread)
            EXPECT_EQ(messages().shown.back().text.count(unread), 1) << unread.toStdString();
        messages().shown.clear();
        trigger("Undo");
        EXPECT_EQ(widths(), (std::vector<int>{1, 2, 3}));
    }
}

TEST_F(FrameListEditing, InsertIntoAnEmptyDocumentIsAdd) {
    fileDialog().answers.push_back(writePicture(QStringLiteral("p.bmp"), 5, 5));
    window->imports().insertFrame();
    EXPECT_EQ(widths(), (std::vector<int>{5}));
    EXPECT_EQ(fileDialog().shown.back().filter.left(12), "All formats|");
}

TEST_F(FrameListEditing, CancelledOrUnreadablePicturesAddNothingAndUnreadableOnesSayWhy) {
    openDocument({{1, 1}, {2, 1}});
    QFile broken(path("broken.bmp"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM this is no picture");
    broken.close();
    fileDialog().answers = {QString(), path("missing.bmp"), path("broken.bmp"), path("broken.bmp"),
                            path("broken.bmp")};
    window->imports().addFrame();
    window->imports().addFrame();
    window->imports().addFrame();
    window->imports().insertFrame();
    window->imports().addFramesFromSheet();
    EXPECT_EQ(widths(), (std::vector<int>{1, 2}));
    EXPECT_EQ(window->curFrame(), 1);
    expectReadErrors({"missing.bmp", "broken.bmp", "broken.bmp", "broken.bmp"});
    EXPECT_TRUE(scripted->prompt->asked.empty());
    EXPECT_FALSE(scripted->busy->busy);
}

// The sheet dialog as a user meets it: the count, the reasons and the greyed
// cells follow the numbers typed; Enter cuts the picture read before the
// dialog opened (the file is gone by then) and does nothing while OK is refused.
TEST_F(FrameListEditing, TheSheetDialogShowsTheCutAsTheNumbersAreTyped) {
    start({}, true);
    struct Case {
        const char* radio; // clicked first, when given
        std::vector<std::pair<const char*, const char*>> typed;
        QString status;
        std::vector<int> greyed; // of the 4 x 2 cells of 64 x 64 (the fifth one is empty)
        int added;
        int lastWidth;          // trimmed to the squares
        int cellWidthShown = 0; // by the greyed box, when given
    };
    const std::vector<Case> cases = {
        {nullptr,
         {{"cellWidth", "64"}, {"cellHeight", "64"}},
         "4 x 2 cells of 64 x 64: 7 frames to add, 1 empty cell skipped",
         {5},
         7,
         16},
        {nullptr,
         {{"cellWidth", "1"}, {"cellHeight", "1"}},
         "The grid has 32768 cells, more than the 32767 frames a document holds",
         {},
         0,
         0},
        {nullptr,
         {{"margin", "200"}},
         "The grid cannot be laid: cells of 64 x 64 (margin 200, spacing 0) do not fit a picture "
         "of 256 x 128",
         {},
         0,
         0},
        {"Columns x rows",
         {{"columns", "300"}},
         "The grid cannot be laid: 300 columns (margin 0, spacing 0) do not fit a picture of 256 x "
         "128",
         {},
         0,
         0},
        // Switched, it starts at the grid the cell size laid.
        {"Columns x rows",
         {},
         "4 x 2 cells of 64 x 64: 7 frames to add, 1 empty cell skipped",
         {5},
         7,
         16},
        {"Columns x rows",
         {{"columns", "2"}, {"rows", "1"}},
         "2 x 1 cells of 128 x 128: 2 frames to add",
         {},
         2,
         80,
         128},
    };
    for (const Case& c : cases) {
        QImage picture(256, 128, QImage::Format_Indexed8);
        picture.setColorTable({qRgb(0, 0, 0), qRgb(200, 30, 30)});
        picture.fill(0);
        for (int cell = 0; cell < 8; ++cell)
            for (int y = 24; cell != 5 && y < 40; ++y)
                for (int x = 8; x < 24; ++x)
                    picture.setPixel(cell % 4 * 64 + x, cell / 4 * 64 + y, 1);
        ASSERT_TRUE(picture.save(path("sheet.bmp"), "BMP"));
        fileDialog().answers = {path("sheet.bmp")};
        const int before = window->frameCount();
        testing::whenModal<display::SheetDialog>([&](display::SheetDialog* dialog) {
            QFile::remove(path("sheet.bmp"));
            dialog->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
            for (QRadioButton* radio : dialog->findChildren<QRadioButton*>())
                if (c.radio && radio->text() == c.radio)
                    QTest::mouseClick(radio, Qt::LeftButton);
            for (const auto& [box, typed] : c.typed) {
                dialog->findChild<QSpinBox*>(box)->setFocus(Qt::TabFocusReason);
                QTest::keyClicks(QApplication::focusWidget(), typed);
            }
            EXPECT_EQ(dialog->findChild<QLabel*>("sheetStatus")->text(), c.status);
            const int cellWidth = dialog->findChild<QSpinBox*>("cellWidth")->value();
            EXPECT_EQ(c.cellWidthShown > 0 ? cellWidth : 0, c.cellWidthShown);
            // Each grid here that adds nothing is one that cannot be laid.
            EXPECT_EQ(dialog->findChild<QLabel*>("sheetCell")->text(),
                      c.added > 0 ? "Point at a cell to see which frame it gives."
                                  : "No cells to point at until a grid can be laid.");
            auto* view = dialog->findChild<display::SheetView*>();
            const QImage shown = view->grab().toImage();
            for (int cell = 0; cell < 8; ++cell) {
                const QPoint middle = view->onScreen({cell % 4 * 64 + 32, cell / 4 * 64 + 32, 1, 1})
                                          .center()
                                          .toPoint();
                const bool greyed = std::count(c.greyed.begin(), c.greyed.end(), cell) > 0;
                EXPECT_EQ(qGray(shown.pixel(middle)) < 150, greyed) << "cell " << cell;
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            if (dialog->isVisible())
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        window->imports().addFramesFromSheet();
        EXPECT_EQ(window->frameCount(), before + c.added) << c.status.toStdString();
        if (c.added > 0) {
            EXPECT_EQ(widths().back(), c.lastWidth);
        }
    }
    EXPECT_TRUE(messages().shown.empty());
}

TEST_F(FrameListEditing, DeleteKeepsTheNumberOrFallsBackToTheNewLastFrame) {
    struct Case {
        int current;
        Answer answer;
        std::vector<int> expected;
        int nowCurrent;
    };
    const std::vector<Case> cases = {
        {2, Answer::Yes, {1, 3}, 2},       {3, Answer::Yes, {1, 2}, 2},
        {1, Answer::Yes, {2, 3}, 1},       {2, Answer::No, {1, 2, 3}, 2},
        {2, Answer::Cancel, {1, 2, 3}, 2},
    };
    for (const Case& c : cases) {
        openDocument({{1, 1}, {2, 1}, {3, 1}});
        frameNr().setValue(c.current);
        messages().shown.clear();
        messages().answers = {c.answer};
        window->frameCommands().remove();
        ASSERT_EQ(messages().shown.size(), 1u);
        EXPECT_EQ(messages().shown[0].text, "Are you sure you want to remove the current frame ?");
        EXPECT_EQ(messages().shown[0].buttons, platform::Buttons::YesNoCancel);
        EXPECT_EQ(widths(), c.expected);
        EXPECT_EQ(window->curFrame(), c.nowCurrent);
        EXPECT_EQ(frameNr().value(), c.nowCurrent);
        EXPECT_EQ(frameNr().maximum(), window->frameCount());
        EXPECT_EQ(text("txtFrameCount"), QString::number(window->frameCount()));
        EXPECT_EQ(text("txtWidth"), QString::number(c.expected[c.nowCurrent - 1]));
        EXPECT_EQ(previewImage().width(), c.expected[c.nowCurrent - 1]);
    }
}

TEST_F(FrameListEditing, DeletingTheLastFrameRunsTheNumberChangeOnTheShortenedList) {
    openDocument({{1, 1}, {2, 1}, {3, 1}});
    frameNr().setValue(3);
    std::vector<int> countsSeen;
    QObject::connect(&frameNr(), &QScrollBar::valueChanged,
                     [&] { countsSeen.push_back(window->frameCount()); });
    messages().answers = {Answer::Yes};
    window->frameCommands().remove();
    EXPECT_EQ(countsSeen, (std::vector<int>{2}));
}

TEST_F(FrameListEditing, DeletingTheOnlyFrameEmptiesTheDocumentAndDeleteThenAsksNothing) {
    openDocument({{4, 4}});
    messages().answers = {Answer::Yes};
    window->frameCommands().remove();
    EXPECT_EQ(window->frameCount(), 0);
    EXPECT_EQ(window->curFrame(), 0);
    EXPECT_EQ(text("txtFrameCount"), "0");
    EXPECT_EQ(frameNr().value(), 1);
    EXPECT_EQ(frameNr().maximum(), 1);
    EXPECT_EQ(window->preview().previewWindow(), nullptr);

    window->frameCommands().remove();
    EXPECT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(window->frameCount(), 0);

    addPicture(9, 2);
    EXPECT_EQ(window->curFrame(), 1);
    EXPECT_EQ(text("txtWidth"), "9");
}

TEST_F(FrameListEditing, ADraggedThumbChangesTheFrameOnlyAtRelease) {
    openDocument({{1, 1}, {2, 1}, {3, 1}, {4, 1}});
    frameNr().setSliderDown(true);
    frameNr().setSliderPosition(2);
    frameNr().setSliderPosition(3);
    EXPECT_EQ(window->curFrame(), 1);
    EXPECT_EQ(text("txtWidth"), "1");
    frameNr().setSliderDown(false);
    EXPECT_EQ(window->curFrame(), 3);
    EXPECT_EQ(text("txtFrameNr"), "3");
    EXPECT_EQ(text("txtWidth"), "3");
}

} // namespace
} // namespace quillet::editor::test
