#include "EditorTestSupport.h"
#include "editor/DrawingCommands.h"
#include "imaging/view/PixelReadout.h"

#include <QApplication>
#include <QPaintEvent>
#include <QtTest/QTest>

namespace quillet::editor::test {
namespace {

using testing::operator+;
using Drawing = EditorTest;

struct Painted : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// A 6 x 5 frame of index 9 at 3x, aligned by its offsets: a pencil stroke
// across stored row 2, a line redrawn on its way over it, a fill below it and
// a pick, each with the real mouse; the saved file holds exactly that.
TEST_F(Drawing, WithTheMouseMakesOneStepEachAndSavesWhatWasDrawn) {
    const QString file = path(QStringLiteral("nine.dc6"));
    DC6FileIO().SaveDC6(file.toStdString(), {testing::makeFrame(6, 5, Bytes(30, 9), 2, -1)}, 0);
    fileDialog().answers.push_back(file);
    window->files().open();
    for (const char* view : {"AlignByOffsets", "ZoomIn", "ZoomIn"})
        trigger(view);
    display::ImageArea& img = window->preview().previewWindow()->Img();
    img.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(img.window()));
    const imaging::ViewImage view = imaging::renderView(window->frames(), 0, window->palTransform(),
                                                        window->preview().viewOptions());
    // The middle of pixel (column, stored row) on the widget.
    const auto at = [&](int x, int y) {
        return QPoint(2, 2) + imaging::viewRectOf(view, {x, y, 1, 1}).topLeft() * 3;
    };
    const auto draw = [&](const char* tool, int index, std::vector<QPoint> path) {
        trigger(tool);
        window->drawing().setDrawingIndex(index);
        QTest::mousePress(&img, Qt::LeftButton, {}, path.front());
        for (std::size_t i = 1; i < path.size(); ++i)
            QTest::mouseMove(&img, path[i]);
        QTest::mouseRelease(&img, Qt::LeftButton, {}, path.back());
    };

    // A move repaints no more than the segment it drew, and Escape drops the
    // stroke: the picture and the frame stay as they were.
    Painted painted;
    img.installEventFilter(&painted);
    QTest::mousePress(&img, Qt::LeftButton, {}, at(0, 2));
    QApplication::processEvents();
    painted.region = {};
    QTest::mouseMove(&img, at(5, 2));
    QApplication::processEvents();
    EXPECT_FALSE(painted.region.isEmpty());
    EXPECT_TRUE(
        QRect(at(0, 2) - QPoint(1, 1), QSize(18, 3)).contains(painted.region.boundingRect()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::mouseRelease(&img, Qt::LeftButton, {}, at(5, 2));
    EXPECT_EQ(img.retainedImage(), view.image);
    EXPECT_FALSE(window->document().canUndo());

    draw("ToolPencil", 200, {at(0, 2), at(5, 2)});
    draw("ToolLine", 201, {at(1, 4), at(3, 0), at(1, 3)});
    draw("ToolFill", 202, {at(0, 0)});
    QTest::mouseClick(&img, Qt::LeftButton, Qt::AltModifier, at(1, 4));
    EXPECT_EQ(window->drawing().drawingIndex(), 201);
    EXPECT_EQ(window->document().undoStack().count(), 3);
    EXPECT_EQ(child<QAction>("Undo").text(), "Undo Fill");
    // A protected index chosen with ] is said to be so and draws nothing.
    window->palettes().protect(202, 202, true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_BracketRight);
    EXPECT_EQ(window->preview().previewWindow()->statusText(),
              "Index 202 is protected: the tools draw nothing with it.");
    QTest::mouseClick(&img, Qt::LeftButton, {}, at(3, 3));
    EXPECT_EQ(window->document().undoStack().count(), 3);
    trigger("Save");
    const Bytes upper = testing::hex("09 C9 09 09 09 09");
    EXPECT_EQ(DC6FileIO().LoadDC6(file.toStdString())[0]->getPixelData(0),
              Bytes(12, 202) + Bytes(6, 200) + upper + upper);
}

} // namespace
} // namespace quillet::editor::test
