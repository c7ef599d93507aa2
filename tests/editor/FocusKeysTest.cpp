#include "EditorTestSupport.h"
#include "display/FramesPanel.h"

#include <QApplication>
#include <QtTest/QTest>

namespace quillet::editor::test {
namespace {

// Which command a key reaches, with the focus in an editable box, in a
// read-only box and elsewhere; empty: none, the box keeps the key. Run under
// X: Qt's offscreen platform gives text boxes no desktop key bindings.
using FocusKeys = EditorTest;

TEST_F(FocusKeys, ReachTheCommandsWhereverTheFocusIs) {
    const struct {
        QKeyCombination key;
        const char* fromEditable;
        const char* fromReadOnly;
        const char* fromElsewhere;
    } rows[] = {
        {Qt::CTRL | Qt::Key_E, "EditFrameExternally", "EditFrameExternally", "EditFrameExternally"},
        {Qt::CTRL | Qt::Key_D, "DuplicateFrame", "DuplicateFrame", "DuplicateFrame"},
        {Qt::CTRL | Qt::Key_N, "New", "New", "New"},
        {Qt::CTRL | Qt::Key_S, "Save", "Save", "Save"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_S, "SaveAs", "SaveAs", "SaveAs"},
        {Qt::CTRL | Qt::Key_O, "Open", "Open", "Open"},
        {Qt::CTRL | Qt::Key_PageUp, "MoveFrameEarlier", "MoveFrameEarlier", "MoveFrameEarlier"},
        {Qt::CTRL | Qt::Key_PageDown, "MoveFrameLater", "MoveFrameLater", "MoveFrameLater"},
        {Qt::CTRL | Qt::Key_Plus, "ZoomIn", "ZoomIn", "ZoomIn"},
        {Qt::CTRL | Qt::Key_Equal, "ZoomIn", "ZoomIn", "ZoomIn"},
        {Qt::CTRL | Qt::Key_Minus, "ZoomOut", "ZoomOut", "ZoomOut"},
        {Qt::CTRL | Qt::Key_0, "ActualSize", "ActualSize", "ActualSize"},
        {Qt::CTRL | Qt::Key_Z, "Undo", "Undo", "Undo"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "Redo", "Redo", "Redo"},
        {Qt::CTRL | Qt::Key_Y, "Redo", "Redo", "Redo"},
        {Qt::ALT | Qt::Key_Left, "PreviousFrame", "PreviousFrame", "PreviousFrame"},
        {Qt::ALT | Qt::Key_Right, "NextFrame", "NextFrame", "NextFrame"},
        {Qt::CTRL | Qt::Key_Q, "Exit", "Exit", "Exit"},
        {Qt::CTRL | Qt::Key_X, "", "Exit", "Exit"},
        {Qt::CTRL | Qt::Key_C, "", "", ""},
        {Qt::CTRL | Qt::Key_A, "", "", ""},
        {QKeyCombination(Qt::Key_Delete), "", "", ""}, // the frames panel's key only
    };
    openDocument({{4, 3}, {5, 3}, {6, 3}});
    // Undo and Redo both have a step to take.
    trigger("DuplicateFrame");
    trigger("DuplicateFrame");
    trigger("Undo");
    // Which command is reached counts here, not what it does.
    QString reached;
    for (QAction* action : window->findChildren<QAction*>()) {
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        QObject::connect(action, &QAction::triggered,
                         [&reached, action] { reached = action->objectName(); });
    }
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const auto& row : rows) {
        const QString keys = QKeySequence(row.key).toString();
        for (const auto& [focus, expected] : {std::pair{"txtXoffset", row.fromEditable},
                                              {"txtWidth", row.fromReadOnly},
                                              {"FrameNr", row.fromElsewhere}}) {
            child<QWidget>(focus).setFocus();
            ASSERT_EQ(QApplication::focusWidget()->objectName(), focus);
            reached.clear();
            QTest::keyClick(QApplication::focusWidget(), row.key.key(),
                            row.key.keyboardModifiers());
            EXPECT_EQ(reached.toStdString(), expected) << keys.toStdString() << " in " << focus;
        }
    }
}

// The drawing and selection keys belong to the picture; the frames panel and
// a text box keep them, or they reach what they reach there today.
TEST_F(FocusKeys, DrawingKeysReachTheToolsOnlyFromThePicture) {
    const struct {
        QKeyCombination key;
        const char* fromPicture;
        const char* fromPanel = "";
        const char* fromBox = "";
    } rows[] = {
        {QKeyCombination(Qt::Key_B), "ToolPencil"},
        {QKeyCombination(Qt::Key_E), "ToolEraser"},
        {QKeyCombination(Qt::Key_L), "ToolLine"},
        {QKeyCombination(Qt::Key_U), "ToolRectangle"},
        {QKeyCombination(Qt::Key_G), "ToolFill"},
        {QKeyCombination(Qt::Key_I), "ToolEyedropper"},
        {QKeyCombination(Qt::Key_M), "ToolSelect"},
        {QKeyCombination(Qt::Key_BracketLeft), "PreviousDrawingIndex"},
        {QKeyCombination(Qt::Key_BracketRight), "NextDrawingIndex"},
        {Qt::CTRL | Qt::Key_Z, "Undo", "Undo", "Undo"},
        {Qt::CTRL | Qt::Key_Y, "Redo", "Redo", "Redo"},
        {Qt::CTRL | Qt::Key_A, "SelectAllPixels"},
        {Qt::CTRL | Qt::Key_C, "CopyPixels"},
        {Qt::CTRL | Qt::Key_X, "CutPixels", "Exit"},
        {Qt::CTRL | Qt::Key_V, "PastePixels"},
        {QKeyCombination(Qt::Key_Delete), "DeletePixels", "DeleteFrames"},
        {QKeyCombination(Qt::Key_Left), "MoveSelectionLeft"},
        {QKeyCombination(Qt::Key_Right), "MoveSelectionRight"},
        {QKeyCombination(Qt::Key_Up), "MoveSelectionUp"},
        {QKeyCombination(Qt::Key_Down), "MoveSelectionDown"},
        {Qt::SHIFT | Qt::Key_Left, "MoveSelectionLeft10"},
        {Qt::SHIFT | Qt::Key_Right, "MoveSelectionRight10"},
        {Qt::SHIFT | Qt::Key_Up, "MoveSelectionUp10"},
        {Qt::SHIFT | Qt::Key_Down, "MoveSelectionDown10"},
        {QKeyCombination(Qt::Key_Return), "PutDownPixels"},
        {QKeyCombination(Qt::Key_Enter), "PutDownPixels"},
        {QKeyCombination(Qt::Key_Escape), "CancelStroke"},
    };
    openDocument({{4, 3}, {5, 3}});
    // The arrows move a selection; without one they scroll the picture.
    for (const char* item : {"DuplicateFrame", "DuplicateFrame", "Undo", "SelectAllPixels"})
        trigger(item);
    QString reached;
    for (QAction* action : window->findChildren<QAction*>()) {
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        QObject::connect(action, &QAction::triggered,
                         [&reached, action] { reached = action->objectName(); });
    }
    display::frmShowFrame& preview = *window->preview().previewWindow();
    for (QWidget* place :
         QList<QWidget*>{&preview.Img(), &preview.framesPanel(), &child<QWidget>("txtXoffset")}) {
        // The main window counts as active while its tool window is.
        place->window()->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([place] { return QApplication::activeWindow() == place->window(); }));
        place->setFocus();
        for (const auto& row : rows) {
            ASSERT_EQ(QApplication::focusWidget(), place);
            reached.clear();
            QTest::keyClick(QApplication::focusWidget(), row.key.key(),
                            row.key.keyboardModifiers());
            EXPECT_EQ(reached.toStdString(), place == &preview.Img()           ? row.fromPicture
                                             : place == &preview.framesPanel() ? row.fromPanel
                                                                               : row.fromBox)
                << QKeySequence(row.key).toString().toStdString() << " in "
                << place->metaObject()->className();
        }
    }
}

} // namespace
} // namespace quillet::editor::test
