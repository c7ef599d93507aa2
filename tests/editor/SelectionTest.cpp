#include "EditorTestSupport.h"
#include "display/PictureDrawing.h"
#include "editor/PixelClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest/QTest>
#include <functional>

namespace quillet::editor::test {
namespace {

using testing::operator+;

class Selection : public EditorTest {
protected:
    // A 6 x 4 frame of index 9 with `row` second from the top, and a second
    // frame, in the distinct palette; the picture at 2x has the focus.
    void open(const Bytes& row = Bytes(6, 9)) {
        if (window->document().isModified())
            messages().answers.push_front(platform::Answer::No);
        window->document().setPalette(testing::distinctPalette());
        const QString file = path(QStringLiteral("sel.dc6"));
        DC6FileIO().SaveDC6(file.toStdString(),
                            {testing::makeFrame(6, 4, Bytes(12, 9) + row + Bytes(6, 9)),
                             testing::makeFrame(2, 2, Bytes(4, 9))},
                            0);
        fileDialog().answers.push_back(file);
        window->files().open();
        if (!window->preview().previewWindow())
            trigger("Preview"); // closed by an earlier row
        for (const char* zoom : {"ActualSize", "ZoomIn"})
            trigger(zoom);
        img().window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(img().window()));
        img().setFocus();
    }
    display::ImageArea& img() { return window->preview().previewWindow()->Img(); }
    // The middle of the pixel at `column` and `top` (rows from the top) at 2x.
    QPoint at(int column, int top) { return QPoint(2, 2) + QPoint(column, top) * 2; }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(&img(), Qt::LeftButton, {}, from);
        QTest::mouseMove(&img(), to);
        QTest::mouseRelease(&img(), Qt::LeftButton, {}, to);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers keys = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, keys);
    }
    Bytes pixels() { return window->frames()[0]->getPixelData(0); }
    QUndoStack& history() { return window->document().undoStack(); }
};

// Marked and dragged with the mouse, nudged with an arrow, put down with
// Enter, copied and pasted with the keys and dragged down: two steps, and
// the saved file holds exactly their indices.
TEST_F(Selection, MovesAndPastesWithTheMouseAndKeysAndSavesThem) {
    open({9, 5, 6, 9, 9, 9});
    key(Qt::Key_M);
    drag(at(1, 1), at(2, 1));
    drag(at(1, 1), at(3, 1));
    key(Qt::Key_Left);
    EXPECT_EQ(history().count(), 0);
    key(Qt::Key_Return);
    key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    drag(at(2, 1), at(2, 3));
    QTest::mouseClick(&img(), Qt::LeftButton, {}, at(5, 0));
    EXPECT_EQ(history().count(), 2);
    EXPECT_EQ(history().undoText(), "Paste");
    // Into the next frame, too narrow for the place it was copied from: at its corner.
    key(Qt::Key_Right, Qt::AltModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_Return);
    trigger("Save");
    const FrameList saved = DC6FileIO().LoadDC6(window->docFileName().toStdString());
    EXPECT_EQ(saved[0]->getPixelData(0),
              (Bytes{9, 9, 5, 6, 9, 9} + Bytes(6, 9) + Bytes{9, 0, 5, 6, 9, 9} + Bytes(6, 9)));
    EXPECT_EQ(saved[1]->getPixelData(0), (Bytes{9, 9, 5, 6}));
}

// Our indices from a palette whose entry 3 has our entry 200's colour come
// in as 200, their 0 (our 50's colour) stays 0; another program's picture is
// matched into the palette, its transparency leaving the pixel under it;
// protected entries are matched by neither; a picture beyond a frame's limits
// is refused with the import's reason.
TEST_F(Selection, PastesOurIndicesAndPicturesOfOtherPrograms) {
    open();
    const Palette palette = testing::distinctPalette();
    Palette theirs = palette;
    std::copy_n(palette.begin() + 600, 3, theirs.begin() + 9);
    std::copy_n(palette.begin() + 150, 3, theirs.begin());
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgb(palette[231], palette[232], palette[233]));
    picture.setPixel(1, 0, qRgba(1, 2, 3, 0));
    const std::pair<std::function<QMimeData*()>, Bytes> cases[] = {
        {[&] {
             return clipboardData({{2, 1, {3, 0}}, theirs, 2, 0}).release();
         },
         {9, 9, 200, 9, 9, 9}},
        {[&] {
             auto* foreign = new QMimeData;
             foreign->setImageData(picture);
             return foreign;
         },
         {77, 9, 200, 9, 9, 9}},
    };
    for (const auto& [data, topRow] : cases) {
        QGuiApplication::clipboard()->setMimeData(data());
        key(Qt::Key_V, Qt::ControlModifier);
        key(Qt::Key_Return);
        EXPECT_EQ(pixels(), Bytes(18, 9) + topRow);
    }
    // With the entries they came in as protected, both come in as others.
    window->palettes().protect(77, 77, true);
    window->palettes().protect(200, 200, true);
    for (const auto& row : cases) {
        QGuiApplication::clipboard()->setMimeData(row.first());
        key(Qt::Key_V, Qt::ControlModifier);
        key(Qt::Key_Return);
    }
    for (const std::uint8_t pasted : {pixels()[18], pixels()[20]})
        EXPECT_TRUE(pasted != 0 && pasted != 77 && pasted != 200) << int(pasted);
    auto* huge = new QMimeData;
    huge->setImageData(QImage(16385, 1, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(huge);
    key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].text,
              "The picture on the clipboard cannot be pasted.\npicture size 16385 x 1 exceeds "
              "the limit of 16384 pixels per side and 16777216 pixels in all");
    EXPECT_FALSE(window->preview().previewWindow()->drawing().isFloating());
}

// Without a selection the arrows are the scroll area's, as they were before
// the selection took them: they scroll a picture wider than the window.
TEST_F(Selection, ArrowsScrollThePictureWhileNothingIsSelected) {
    openDocument({{400, 3}});
    for (const char* zoom : {"ActualSize", "ZoomIn", "ZoomIn"})
        trigger(zoom);
    img().window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(img().window()));
    img().setFocus();
    QScrollBar* bar = img().window()->findChild<QScrollArea*>()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);
    key(Qt::Key_Right);
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(history().count(), 0);
}

// Whatever comes while pixels float puts them down first, as a step of their
// own, on the frame they float over; then it does what it does. Undo takes
// the paste back.
TEST_F(Selection, FloatingPixelsGoDownBeforeAnythingElse) {
    const struct {
        const char* what;
        std::function<void()> action;
        int current = 1;
    } cases[] = {
        {"scroll bar", [this] { frameNr().setValue(2); }, 2},
        {"Next Frame", [this] { trigger("NextFrame"); }, 2},
        {"frames panel", [this] { window->frameCommands().select({2}, 2); }, 2},
        {"Save", [this] { trigger("Save"); }},
        {"Undo", [this] { trigger("Undo"); }},
        {"Redo", [this] { trigger("Redo"); }},
        {"playback", [this] { window->preview().animate(); }},
        {"closing the preview", [this] { window->preview().previewWindow()->close(); }},
        {"another tool", [this] { trigger("ToolPencil"); }},
        {"Transform palette", [this] { trigger("transform_palette"); }},
        {"typed offset", [this] { child<QLineEdit>("txtXoffset").setText("3"); }},
        {"Exit", [this] { trigger("Exit"); }}, // and Cancel
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        QGuiApplication::clipboard()->setMimeData(
            clipboardData({{1, 1, {5}}, testing::distinctPalette(), 0, 0}).release());
        for (const char* item : {"DuplicateFrame", "Undo", "PastePixels"}) // Redo can redo
            trigger(item);
        messages().answers = {platform::Answer::Cancel};
        c.action();
        ASSERT_GE(history().count(), 1);
        EXPECT_EQ(history().text(0), "Paste");
        EXPECT_EQ(pixels()[18], history().index() > 0 ? 5 : 9);
        EXPECT_EQ(window->curFrame(), c.current);
    }
}

} // namespace
} // namespace quillet::editor::test
