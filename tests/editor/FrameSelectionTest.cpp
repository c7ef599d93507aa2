#include "EditorTestSupport.h"
#include "display/CanvasDialog.h"
#include "display/FramesPanel.h"
#include "support/WhenModal.h"

#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest/QTest>
#include <limits>

namespace quillet::editor::test {
namespace {

using platform::Answer;
using platform::OffsetRequest;

class FrameSelection : public EditorTest {
protected:
    std::vector<std::pair<int, int>> offsets() const {
        std::vector<std::pair<int, int>> out;
        for (const FramePtr& frame : window->frames())
            out.emplace_back(frame->get_X_offset(), frame->get_Y_offset());
        return out;
    }
    // The preview window active and its frames panel under the mouse.
    display::FramesPanel& panel() {
        display::frmShowFrame* preview = window->preview().previewWindow();
        preview->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(preview));
        return preview->framesPanel();
    }
    void click(int number, Qt::KeyboardModifiers keys = {}) {
        display::FramesPanel& p = panel();
        QTest::mouseClick(p.viewport(), Qt::LeftButton, keys, p.frameRect(number).center());
    }
};

// Frames 2 and 3 of four are selected; each edit changes them alone.
TEST_F(FrameSelection, OffsetsAndFlipsChangeTheSelectedFramesInOneStep) {
    constexpr int kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        const char* what;
        std::vector<OffsetRequest> requests;
        const char* action;
        std::vector<std::pair<int, int>> after;
        bool refused = false;
    };
    const Case cases[] = {
        {"shift", {{true, true, true, 3, -2}}, "Offsets", {{0, 0}, {13, 18}, {-2, 5}, {1, 1}}},
        {"set x", {{false, true, false, 6, 99}}, "Offsets", {{0, 0}, {6, 20}, {6, 7}, {1, 1}}},
        {"set both",
         {{false, true, true, -1, -2}},
         "Offsets",
         {{0, 0}, {-1, -2}, {-1, -2}, {1, 1}}},
        {"flip h", {}, "FlipHorizontal", {{0, 0}, {-13, 20}, {1, 7}, {1, 1}}},
        {"flip v", {}, "FlipVertical", {{0, 0}, {10, -18}, {-5, -5}, {1, 1}}},
        {"beyond",
         {{false, true, false, kMax, 0}, {true, true, true, 1, 0}},
         "Offsets",
         {{0, 0}, {kMax, 20}, {kMax, 7}, {1, 1}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openDocument({{2, 2}, {3, 2, 10, 20}, {4, 2, -5, 7}, {5, 1, 1, 1}});
        window->document().select({2, 3}, 2);
        messages().shown.clear();
        scripted->prompt->offsetRequests = {c.requests.begin(), c.requests.end()};
        do
            trigger(c.action);
        while (!scripted->prompt->offsetRequests.empty());
        EXPECT_EQ(offsets(), c.after);
        EXPECT_EQ(window->document().undoStack().count(), 1);
        if (!c.requests.empty()) {
            EXPECT_EQ(scripted->prompt->labels.back(), "Changes the 2 selected frames.");
        }
        ASSERT_EQ(messages().shown.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_TRUE(messages().shown[0].text.contains("frame 2: x offset 2147483647 + 1"));
        }
    }
}

// The window's own Canvas Size dialog: OK waits for a size every selected
// frame can take, and the line under the numbers says why or what comes.
TEST_F(FrameSelection, CanvasSizeIsRefusedInItsDialogBeforeOk) {
    start({}, true);
    openDocument({{4, 3}, {2, 2}});
    window->document().select({1, 2}, 1);
    testing::whenModal<display::CanvasDialog>([](display::CanvasDialog* dialog) {
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        auto* right = dialog->findChild<QSpinBox*>("canvasRight");
        const auto said = [dialog] { return dialog->findChild<QLabel*>("canvasResult")->text(); };
        right->setValue(-2);
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_EQ(said(), "Frame 2: width x height 0 x 2 is not a frame size");
        right->setValue(-1);
        EXPECT_TRUE(ok->isEnabled());
        EXPECT_EQ(said(), "The current frame becomes 3 x 3; 2 frames change.");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    trigger("CanvasSize");
    EXPECT_EQ(widths(), (std::vector<int>{3, 1}));
}

TEST_F(FrameSelection, ClicksAndKeysInThePanelSelectDeleteAndMove) {
    openDocument({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}});
    window->document().setDirections(2);
    // A key pressed where the focus is, as the user presses it: rows of 3 frames.
    const auto key = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        return [=] { QTest::keyClick(QApplication::focusWidget(), key, modifiers); };
    };
    const struct {
        const char* what;
        std::function<void()> gesture;
        std::vector<int> selected;
        int current;
    } steps[] = {
        {"click", [&] { click(2); }, {2}, 2},
        {"shift+click", [&] { click(5, Qt::ShiftModifier); }, {2, 3, 4, 5}, 5},
        {"ctrl+click", [&] { click(1, Qt::ControlModifier); }, {1, 2, 3, 4, 5}, 1},
        {"ctrl+click off", [&] { click(3, Qt::ControlModifier); }, {1, 2, 4, 5}, 1},
        {"shift+click from the anchor", [&] { click(2, Qt::ShiftModifier); }, {2, 3}, 2},
        {"ctrl+a",
         [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier); },
         {1, 2, 3, 4, 5, 6},
         2},
        {"click in the selection", [&] { click(4); }, {4}, 4},
        {"the main window's scroll bar", [&] { frameNr().setValue(6); }, {6}, 6},
        {"left", key(Qt::Key_Left), {5}, 5},
        {"up: the direction before", key(Qt::Key_Up), {2}, 2},
        {"up from the first row", key(Qt::Key_Up), {2}, 2},
        {"shift+down", key(Qt::Key_Down, Qt::ShiftModifier), {2, 3, 4, 5}, 5},
        {"shift+home", key(Qt::Key_Home, Qt::ShiftModifier), {1, 2}, 1},
        {"shift+right", key(Qt::Key_Right, Qt::ShiftModifier), {2}, 2},
        {"end", key(Qt::Key_End), {6}, 6},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.gesture();
        EXPECT_EQ(QApplication::focusWidget(), &window->preview().previewWindow()->framesPanel());
        EXPECT_EQ(window->document().selection(), step.selected);
        EXPECT_EQ(window->curFrame(), step.current);
        EXPECT_EQ(frameNr().value(), step.current);
    }

    // The selection is the document's: it outlives the preview.
    click(2, Qt::ShiftModifier);
    window->preview().previewWindow()->close();
    window->preview().togglePreview();
    ASSERT_EQ(window->document().selection(), (std::vector<int>{2, 3, 4, 5, 6}));

    messages().answers = {Answer::Yes};
    click(3, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_EQ(messages().shown.back().text,
              "Are you sure you want to remove the 2 selected frames ?");
    EXPECT_EQ(widths(), (std::vector<int>{1, 4, 5, 6}));
    trigger("Undo");
    EXPECT_EQ(widths(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(window->document().selection(), (std::vector<int>{2, 3}));

    // Frames 2 and 3 dragged past the right half of frame 6, then back by Undo.
    display::FramesPanel& p = panel();
    const QRect last = p.frameRect(6);
    QTest::mousePress(p.viewport(), Qt::LeftButton, {}, p.frameRect(2).center());
    QTest::mouseMove(p.viewport(), p.frameRect(4).center());
    QTest::mouseMove(p.viewport(), last.center() + QPoint(last.width() / 4, 0));
    QTest::mouseRelease(p.viewport(), Qt::LeftButton, {}, last.center() + QPoint(8, 0));
    EXPECT_EQ(widths(), (std::vector<int>{1, 4, 5, 6, 2, 3}));
    EXPECT_EQ(window->document().selection(), (std::vector<int>{5, 6}));
    EXPECT_EQ(child<QAction>("Undo").text(), "Undo Move Frames");
    trigger("Undo");
    EXPECT_EQ(widths(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// A thumbnail is made again only for a frame an edit changed.
TEST_F(FrameSelection, ThumbnailsAreNamedAndRemadeOnlyWhereAnEditChangedThem) {
    openDocument({{4, 3}, {5, 3}, {6, 3}, {7, 3}, {8, 3}});
    for (const int directions : {1, 5}) {
        window->document().setDirections(directions);
        // A fresh window: without a screen reader Qt does not renew a table's
        // accessible cells when its rows change.
        window->preview().togglePreview();
        window->preview().togglePreview();
        QStringList names;
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&panel());
        for (int i = 0; i < table->childCount(); ++i)
            names << table->child(i)->text(QAccessible::Name);
        EXPECT_TRUE(names.contains(directions == 1 ? "Frame 3" : "Frame 3, direction 3"))
            << names.join(", ").toStdString();
    }
    display::FramesPanel& p = panel();
    window->document().select({2}, 2);
    p.grab();
    const std::uint64_t made = p.thumbnails().made();
    trigger("FlipHorizontal");
    p.grab();
    EXPECT_EQ(p.thumbnails().made(), made + 1);
}

TEST_F(FrameSelection, ExportSelectedKeepsTheFramesNumbers) {
    openDocument({{4, 3}, {5, 3}, {6, 3}, {7, 3}});
    window->document().select({2, 4}, 4);
    ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
    fileDialog().answers = {path("out/walk.png")};
    trigger("ExportSelected");
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files),
              (QStringList{"walk_002.png", "walk_004.png"}));
}

} // namespace
} // namespace quillet::editor::test
