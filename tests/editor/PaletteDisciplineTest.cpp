#include "EditorTestSupport.h"
#include "display/PaletteDialogs.h"
#include "imaging/view/FrameImage.h"
#include "support/WhenModal.h"

#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest/QTest>

namespace quillet::editor::test {
namespace {

using PaletteDiscipline = EditorTest;

// Entry 77 protected with the palette's menu: a true-colour picture of
// exactly its colour is saved without it. The set stays with its palette:
// a new window has it, another palette its own.
TEST_F(PaletteDiscipline, AProtectedEntryIsNeverMatchedAndStaysWithItsPalette) {
    openDocument({{4, 3}});
    testing::whenModal<QMenu>(
        [](QMenu* menu) {
            for (QAction* item : menu->actions())
                if (item->text() == "Protect Index 77")
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(item).center());
        },
        true);
    QWidget& entry = paletteEntry(77);
    QTest::mouseClick(entry.window()->windowHandle(), Qt::RightButton, {},
                      entry.mapTo(entry.window(), entry.rect().center()));
    EXPECT_TRUE(paletteEntry(77).accessibleDescription().contains("protected"));
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, imaging::paletteColour(window->currentPalette(), 77));
    picture.setPixel(1, 0, imaging::paletteColour(window->currentPalette(), 5));
    ASSERT_TRUE(picture.save(path("exact.png")));
    fileDialog().answers = {path("exact.png")};
    window->imports().addFrame();
    trigger("Save");
    const Bytes saved = DC6FileIO().LoadDC6(path("doc.dc6").toStdString())[1]->getPixelData(0);
    EXPECT_NE(saved[0], 77);
    EXPECT_EQ(saved[1], 5);

    start();
    const IndexSet kept = IndexSet().set(77);
    EXPECT_EQ(window->document().protectedEntries(), kept);
    fileDialog().answers = {writePicture(QStringLiteral("other.bmp"), 1, 1)};
    trigger("Select_palette");
    EXPECT_TRUE(window->document().protectedEntries().none());
    window->palettes().protect(0, 9, true);
    trigger("Undo");
    EXPECT_EQ(window->document().protectedEntries(), kept);
    trigger("Redo");
    EXPECT_EQ(window->document().protectedEntries(), IndexSet(0x3FE)); // 1 to 9
}

// Frame 2 of two selected; each row is checked for the whole document and
// double-clicked there, then checked for the selected frame alone.
TEST_F(PaletteDiscipline, UsageCountsEachIndexAndADoubleClickSelectsItsFrames) {
    openDocument({{2, 1}, {9, 1}}); // indices 2, 9 and 9, 16, 23, ..., 65
    window->document().select({2}, 2);
    const struct {
        int index;
        QStringList whole, selected;
        std::vector<int> users;
    } rows[] = {
        {9, {"2", "2"}, {"1", "1"}, {1, 2}},
        {2, {"1", "1"}, {"0", "unused"}, {1}},
        {16, {"1", "1"}, {"1", "1"}, {2}},
        {200, {"0", "unused"}, {"0", "unused"}, {2}}, // as the row before left it
    };
    testing::whenModal<display::UsageDialog>([&](display::UsageDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>("usageTable");
        const auto counts = [table](int row) {
            return QStringList{table->item(row, 2)->text(), table->item(row, 3)->text()};
        };
        for (const auto& row : rows) {
            EXPECT_EQ(counts(row.index), row.whole) << row.index;
            table->scrollToItem(table->item(row.index, 0));
            const QRect cell = table->visualItemRect(table->item(row.index, 0));
            QTest::mouseDClick(dialog->windowHandle(), Qt::LeftButton, {},
                               table->viewport()->mapTo(dialog, cell.center()));
            EXPECT_EQ(window->document().selection(), row.users) << row.index;
        }
        dialog->findChild<QRadioButton*>("usageSelected")->click();
        for (const auto& row : rows)
            EXPECT_EQ(counts(row.index), row.selected) << row.index;
        dialog->reject();
    });
    trigger("PaletteUsage");
}

// On a picture shown re-indexed, every change shows in the preview; Cancel
// leaves the document and the picture as they were, OK makes the picture
// last shown one step, converting the frame: its indices as saved, remapped.
TEST_F(PaletteDiscipline, RemapColoursPreviewsWhileAskedAndCancelLeavesEverything) {
    start({}, true);
    openDocument({{4, 3}});
    addPicture(6, 2);
    window->document().select({2}, 2);
    const FramePtr frame = window->frames()[1];
    const Bytes saved = frame->getPixelData(1);
    const QImage before = previewImage();
    QImage shown;
    for (const bool accept : {false, true}) {
        testing::whenModal<display::RemapDialog>([&](display::RemapDialog* dialog) {
            const std::pair<const char*, int> values[] = {
                {"remapFrom", 0}, {"remapFromLast", 255}, {"remapTo", 0}, {"remapToLast", 255}};
            for (const auto& [box, value] : values)
                dialog->findChild<QSpinBox*>(box)->setValue(value);
            dialog->findChild<QCheckBox*>("remapReverse")->setChecked(true);
            shown = previewImage();
            EXPECT_EQ(window->document().undoStack().count(), 1);
            accept ? dialog->accept() : dialog->reject();
        });
        trigger("RemapColours");
        EXPECT_NE(shown, before);
        EXPECT_EQ(previewImage(), accept ? shown : before);
    }
    Bytes reversed(saved.size());
    std::transform(saved.begin(), saved.end(), reversed.begin(), [](int i) { return 255 - i; });
    EXPECT_EQ(frame->getPixelData(0), reversed);
    EXPECT_EQ(frame->getOrigPalette(), frame->getNewPalette());
    trigger("Undo");
    EXPECT_EQ(frame->getPixelData(1), saved);
    EXPECT_NE(frame->getOrigPalette(), frame->getNewPalette());
}

} // namespace
} // namespace quillet::editor::test
