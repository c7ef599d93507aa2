#include "EditorTestSupport.h"
#include "display/frmAbout.h"
#include "palette/PaletteFile.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <QtTest/QTest>

namespace quillet::editor::test {
namespace {

using Window = EditorTest;

TEST_F(Window, StartsEmptyWithItsControlsMenusAndFocusOrder) {
    EXPECT_EQ(window->windowTitle(), "Quillet 2.1");
    EXPECT_EQ(window->centralWidget()->size(), QSize(341, 180));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    for (const char* box :
         {"txtFrameCount", "txtFrameNr", "txtWidth", "txtHeight", "txtXoffset", "txtYoffset"})
        EXPECT_EQ(text(box), "0") << box;
    EXPECT_EQ(frameNr().maximum(), 1);
    EXPECT_EQ(frameNr().value(), 1);
    for (const auto& [item, keys] : {std::pair{"New", "Ctrl+N"},
                                     {"Save", "Ctrl+S"},
                                     {"Exit", "Ctrl+X"},
                                     {"Undo", "Ctrl+Z"},
                                     {"MoveFrameEarlier", "Ctrl+PgUp"},
                                     {"MoveFrameLater", "Ctrl+PgDown"},
                                     {"DuplicateFrame", "Ctrl+D"}})
        EXPECT_EQ(child<QAction>(item).shortcut(), QKeySequence(QString::fromLatin1(keys)));
    EXPECT_EQ(child<QAction>("Redo").shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                   QKeySequence(QStringLiteral("Ctrl+Y"))}));
    QStringList menus;
    for (QAction* menu : window->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus.join(' '), "&File &Edit &View &Settings F&rames &Help");
    EXPECT_TRUE(child<QAction>("transform_palette").isChecked());
    EXPECT_TRUE(child<QAction>("Preview").isChecked());
    EXPECT_EQ(window->curFrame(), 0);
    EXPECT_EQ(window->preview().previewWindow(), nullptr);

    QStringList order;
    QWidget* first = &child<QWidget>("cmdAddFrame");
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible())
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first);
    EXPECT_EQ(order.join(' ').toStdString(),
              "cmdAddFrame cmdAnimate cmdRemoveFrame txtXoffset txtYoffset "
              "txtFrameNr txtWidth txtHeight txtFrameCount FrameNr "
              "cmdInsertFrame");
}

TEST_F(Window, DefaultPaletteFallsBackWhenTheFileIsMissingOrShort) {
    EXPECT_EQ(window->currentPalette(), builtinPalette());

    const Palette ramp = rampPalette(9);
    QFile file(path("default.pal"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(ramp.data()), 767);
    file.close();
    start();
    EXPECT_EQ(window->currentPalette(), builtinPalette());

    // A longer file gives its first 768 bytes.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(ramp.data()), 768);
    file.write("extra");
    file.close();
    start();
    EXPECT_EQ(window->currentPalette(), ramp);
}

TEST_F(Window, ShowFrameDataRunsEachOffsetEditBeforeFillingTheNextBox) {
    openDocument({{4, 3, -7, 40000}, {5, 2, 1, 2}});
    struct Seen {
        QString width, yBox;
        std::int32_t xOffset;
    };
    std::vector<Seen> seen;
    QObject::connect(&child<QLineEdit>("txtXoffset"), &QLineEdit::textChanged, [&] {
        seen.push_back({text("txtWidth"), text("txtYoffset"), window->frames()[0]->get_X_offset()});
    });
    frameNr().setValue(2);
    frameNr().setValue(1);
    ASSERT_EQ(seen.size(), 2u);
    // Back at frame 1: the width is already filled, the y box not yet.
    EXPECT_EQ(seen[1].width, "4");
    EXPECT_EQ(seen[1].yBox, "2");
    EXPECT_EQ(seen[1].xOffset, -7);
    EXPECT_EQ(text("txtXoffset"), "-7");
    // An offset beyond 16 bits is shown whole and survives the refill.
    EXPECT_EQ(text("txtYoffset"), "40000");
    EXPECT_EQ(window->frames()[0]->get_Y_offset(), 40000);
}

TEST_F(Window, TypingIntoAnOffsetBoxEditsTheCurrentFramePerKeystroke) {
    openDocument({{4, 3, 7, 0}, {5, 2, 9, 9}});
    QLineEdit& box = child<QLineEdit>("txtXoffset");
    std::vector<std::int32_t> offsets;
    QObject::connect(&box, &QLineEdit::textChanged,
                     [&] { offsets.push_back(window->frames()[0]->get_X_offset()); });
    box.setFocus();
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClicks(&box, "-12");
    EXPECT_EQ(offsets, (std::vector<std::int32_t>{7, 7, -1, -12}));
    EXPECT_EQ(window->frames()[1]->get_X_offset(), 9);

    for (const char* invalid : {"abc", "32768", "-", "-32769", ""}) {
        box.setText(QString::fromLatin1(invalid));
        EXPECT_EQ(window->frames()[0]->get_X_offset(), -12) << invalid;
    }
    // Left empty or with a lone "-", the box shows the frame's offset again.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const char* left : {"", "-"}) {
        box.setFocus();
        box.selectAll();
        QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClicks(&box, left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(box.text(), "-12") << left;
    }
    child<QLineEdit>("txtYoffset").setText(QStringLiteral(" 2.5 "));
    EXPECT_EQ(window->frames()[0]->get_Y_offset(), 2);
}

// Emptied, the boxes show what they show at start-up, and typing changes nothing.
TEST_F(Window, OffsetTypedWithoutFramesReachesNoLaterFrame) {
    const std::vector<std::pair<const char*, std::function<void()>>> empties = {
        {"last frame deleted", [this] { window->frameCommands().remove(); }},
        {"new", [this] { window->files().newDocument(); }},
    };
    for (const auto& [how, empty] : empties) {
        SCOPED_TRACE(how);
        openDocument({{4, 3, -5, 6}});
        messages().answers = {platform::Answer::Yes, platform::Answer::No};
        empty();
        messages().answers.clear();
        for (const char* box :
             {"txtFrameCount", "txtFrameNr", "txtWidth", "txtHeight", "txtXoffset", "txtYoffset"})
            EXPECT_EQ(text(box), "0") << box;
        const int steps = window->document().undoStack().count();
        QLineEdit& box = child<QLineEdit>("txtXoffset");
        box.selectAll();
        QTest::keyClicks(&box, "55");
        EXPECT_EQ(window->frameCount(), 0);
        EXPECT_EQ(window->document().undoStack().count(), steps);
        addPicture(6, 2);
        EXPECT_EQ(window->frames()[0]->get_X_offset(), 0);
        EXPECT_EQ(text("txtXoffset"), "0");
    }
}

TEST_F(Window, PreviewOpensBesideTheWindowAndClosesWithoutFramesOrTick) {
    window->move(40, 30);
    openDocument({{4, 3}, {6, 2}});
    ASSERT_NE(window->preview().previewWindow(), nullptr);
    EXPECT_TRUE(window->preview().previewWindow()->isVisible());
    const QRect outer = window->frameGeometry();
    EXPECT_EQ(window->preview().previewWindow()->pos(),
              QPoint(outer.x() + outer.width(), outer.y()));
    EXPECT_EQ(previewImage().size(), QSize(4, 3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));

    // Moved away by the user, it stays there, and opens there again.
    window->preview().previewWindow()->move(500, 500);
    frameNr().setValue(2);
    EXPECT_EQ(window->preview().previewWindow()->pos(), QPoint(500, 500));
    EXPECT_EQ(previewImage().size(), QSize(6, 2));

    window->preview().togglePreview();
    EXPECT_EQ(window->preview().previewWindow(), nullptr);
    window->preview().togglePreview();
    ASSERT_NE(window->preview().previewWindow(), nullptr);
    EXPECT_EQ(previewImage().size(), QSize(6, 2));

    // Closed by its own close button, it takes its tick along; the item opens it again.
    window->preview().previewWindow()->close();
    EXPECT_FALSE(window->preview().previewTicked());
    frameNr().setValue(1);
    EXPECT_EQ(window->preview().previewWindow(), nullptr);
    window->preview().togglePreview();
    ASSERT_NE(window->preview().previewWindow(), nullptr);
    EXPECT_TRUE(window->preview().previewWindow()->isVisible());

    messages().answers = {platform::Answer::Yes, platform::Answer::Yes};
    window->frameCommands().remove();
    window->frameCommands().remove();
    EXPECT_EQ(window->preview().previewWindow(), nullptr);

    // Its place and the size the user gave it outlast the run.
    addPicture(4, 3);
    window->preview().previewWindow()->resize(420, 330);
    start();
    addPicture(4, 3);
    EXPECT_EQ(window->preview().previewWindow()->pos(), QPoint(500, 500));
    EXPECT_EQ(window->preview().previewWindow()->size(), QSize(420, 330));
}

// The name and the modified mark show in full or shortened, whatever else
// the fixed line holds: a long note on the directions, a report.
TEST_F(Window, StatusLineKeepsTheNameAndTheMarkInSight) {
    const QString longName = "a name much longer than the status line under the window has.dc6";
    const QString longNote = "4 directions, but 33 frames are not a multiple of 4";
    const struct {
        QString name;
        QString note;
        QString report;
    } rows[] = {
        {"walk.dc6", longNote, ""},
        {longName, "Direction 1 of 4, frame 1 of 8", ""},
        {longName, longNote, ""},
        {longName, longNote, "25 files written."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.note.toStdString());
        DC6FileIO().SaveDC6(path(row.name).toStdString(), FrameList(32, makeFrame({2, 2})), 0, {},
                            4);
        messages().answers = {platform::Answer::No};
        fileDialog().answers = {path(row.name)};
        window->files().open();
        trigger(row.note == longNote ? "DuplicateFrame" : "FlipHorizontal");
        if (!row.report.isEmpty())
            window->commands().report(row.report);
        QApplication::processEvents();
        const QLabel& name = child<QLabel>("lblDocument");
        const QLabel& note = child<QLabel>("lblDirection");
        EXPECT_TRUE(name.text().startsWith(row.name.left(3))) << name.text().toStdString();
        EXPECT_TRUE(name.text().endsWith(row.name.right(3) + " (modified)"));
        EXPECT_EQ(note.toolTip(), row.note);
        for (const QLabel* label : {&name, &note}) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
            EXPECT_TRUE(window->statusBar()->rect().contains(label->geometry()));
        }
        EXPECT_LT(name.geometry().right(), note.geometry().left());
        EXPECT_EQ(window->statusBar()->currentMessage(), row.report);
        EXPECT_LE(name.fontMetrics().horizontalAdvance(row.report), name.x() - 8);
    }
}

TEST_F(Window, TransformTickDecidesWhetherThePreviewMapsThePixels) {
    // A picture keeps its own colour table as the original palette, so the
    // mapping into the document palette changes the shown colours.
    addPicture(8, 4);
    const FramePtr frame = window->frames()[0];
    const auto colourOf = [&](std::int16_t transform, int x, int y) {
        const Bytes pixels = frame->getPixelData(transform);
        const int p = pixels[static_cast<std::size_t>((3 - y) * 8 + x)];
        const Palette pal = frame->getNewPalette();
        return qRgb(pal[3 * p], pal[3 * p + 1], pal[3 * p + 2]);
    };
    EXPECT_EQ(previewImage().pixel(5, 1), colourOf(1, 5, 1));
    window->palettes().transformPalette();
    EXPECT_EQ(window->palTransform(), 0);
    EXPECT_EQ(previewImage().pixel(5, 1), colourOf(0, 5, 1));
    EXPECT_NE(colourOf(0, 5, 1), colourOf(1, 5, 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
}

TEST_F(Window, AboutIsModal) {
    QString title;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<display::frmAbout*>(dialog), nullptr);
        title = dialog->windowTitle();
        modal = dialog->isModal();
        dialog->close();
    });
    trigger("About");
    EXPECT_EQ(title, "About Quillet 2.1");
    EXPECT_TRUE(modal);
}

} // namespace
} // namespace quillet::editor::test
