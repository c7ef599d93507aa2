#include "EditorTestSupport.h"
#include "display/SheetDataDialogs.h"
#include "display/SheetDialog.h"
#include "support/WhenModal.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRadioButton>
#include <QSpinBox>
#include <QUndoStack>
#include <QtTest/QTest>

namespace quillet::editor::test {
namespace {

using SheetDataCommands = EditorTest;

// Out as a sheet with its data and into a new document where it was, its
// directions with it in the same step.
TEST_F(SheetDataCommands, ASpriteComesBackFromItsSheetWithItsDirections) {
    openDocument({{3, 2, -1, 4}, {4, 3, 2, -2}, {5, 1, 0, 0}, {2, 2, -3, 1}});
    window->document().setDirections(2);
    const FrameList before = window->frames();
    fileDialog().answers = {path("walk.png")};
    scripted->prompt->sheetExports = {platform::SheetExportRequest{true, 1, false, true, true}};
    trigger("sheet_export");
    EXPECT_TRUE(messages().shown.back().text.endsWith(" walk.json places every frame."));

    messages().answers = {platform::Answer::No, platform::Answer::Yes}; // no save; take the data
    trigger("New");
    fileDialog().answers = {path("walk.png")};
    trigger("AddFramesFromSheet");
    EXPECT_TRUE(messages().shown.back().text.startsWith("walk.json beside the picture"));
    testing::expectSameFrames(window->frames(), before);
    EXPECT_EQ(window->document().directions(), 2);
    trigger("Undo");
    EXPECT_EQ(window->frameCount(), 0);
    EXPECT_EQ(window->document().directions(), 1);
}

// Refused with the file, the frame and the field named, adding nothing; the
// same data unbroken comes in with the anchor the user places.
TEST_F(SheetDataCommands, DataThatCannotBePlacedIsRefusedWhole) {
    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(path("sheet.png"), "PNG"));
    const QByteArray good =
        R"({"frames": [{"filename": "a", "frame": {"x": 0, "y": 0, "w": 2, "h": 2},
      "spriteSourceSize": {"x": 0, "y": 0, "w": 2, "h": 2}, "sourceSize": {"w": 2, "h": 2}},
      {"filename": "b", "frame": {"x": 2, "y": 0, "w": 2, "h": 2}, "rotated": false,
      "spriteSourceSize": {"x": 0, "y": 0, "w": 2, "h": 2}, "sourceSize": {"w": 2, "h": 2}}],
      "meta": {"image": "sheet.png", "frameTags": []}})";
    const struct {
        QByteArray from, to; // the first `from` of the good data becomes `to`
        const char* named;
    } rows[] = {
        {R"("rotated": false)", R"("rotated": true)", R"(frame 2 ("b"): rotated)"},
        {R"("x": 2, "y": 0, "w": 2)", R"("x": 7, "y": 0, "w": 2)",
         R"(frame 2 ("b"): frame 7, 0, 2 x 2 reaches past)"},
        {R"(, "sourceSize": {"w": 2, "h": 2}})", "}", R"(frame 1 ("a"): sourceSize is missing)"},
        {R"({"x": 2, )", R"({"x": 2, "x": 2, )", "frame 2: frame.x is given twice"},
        {R"("filename": "b")", R"("filename": "a")", R"(frame 2 ("a"): its name is also)"},
        {R"("w": 2, "h": 2})", R"("w": 2.5, "h": 2})", R"(frame 1 ("a"): frame.w is not a whole)"},
        {R"("sourceSize": {"w": 2)", R"("sourceSize": {"w": 40000)",
         R"(frame 1 ("a"): sourceSize.w is not a whole number from 1 to 32767)"},
        {good, "{\"frames\": [" + QByteArray("{}, ").repeated(32767) + "{}]}",
         "frames holds 32768 frames"},
        {"[]", R"([{"name": "direction 1", "from": 0, "to": 0},
             {"name": "direction 2", "from": 0, "to": 1}])",
         R"(frame tag "direction 2": from 0 to 1)"},
        {R"("image": "sheet.png", )", "", "meta.image is missing"},
        {good, R"({"frames": )", "not JSON"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.named);
        messages().shown.clear();
        QByteArray json = good;
        fileDialog().answers = {
            writeFile("bad.json", json.replace(json.indexOf(r.from), r.from.size(), r.to))};
        trigger("AddFramesFromSheet");
        ASSERT_EQ(messages().shown.size(), 1u);
        EXPECT_TRUE(messages().shown[0].text.startsWith(QStringLiteral("bad.json: ") + r.named))
            << messages().shown[0].text.toStdString();
        EXPECT_EQ(window->frameCount(), 0);
        EXPECT_EQ(window->document().undoStack().count(), 0);
    }

    fileDialog().answers = {writeFile("good.json", good)};
    scripted->prompt->anchors = {QPoint(1, 1)};
    trigger("AddFramesFromSheet");
    const platform::SheetAnchorRequest& asked = scripted->sheetData->lastAnchor;
    EXPECT_EQ(asked.anchor, QPoint(1, 2)); // the bottom centre of the cell
    EXPECT_EQ(asked.cells, (std::vector<QPoint>{{0, 0}, {2, 0}}));
    ASSERT_EQ(window->frameCount(), 2);
    EXPECT_EQ(window->frames()[1]->get_X_offset(), -1);
    EXPECT_EQ(window->frames()[1]->get_Y_offset(), 1);
    // A true-colour sheet is matched into the document palette as pictures are.
    EXPECT_EQ(window->frames()[1]->getPixelData(1)[0],
              testing::plainNearest(window->currentPalette(), 0xFFFF0000, IndexSet(1)));
}

// The dialogs themselves: what is chosen in the export's is what is written,
// and a click on a frame in the anchor's puts the anchor there in every cell.
TEST_F(SheetDataCommands, TheDialogsDoWhatIsChosenInThem) {
    start({}, true);
    openDocument({{3, 2, -1, 4}, {4, 3, 2, -2}, {5, 1, 0, 0}, {2, 2, -3, 1}});
    window->document().setDirections(2);
    const FrameList before = window->frames();
    fileDialog().answers = {path("walk.png")};
    testing::whenModal<display::SheetExportDialog>([](display::SheetExportDialog* dialog) {
        QTest::mouseClick(dialog->findChild<QRadioButton*>("sheetByDirection"), Qt::LeftButton);
        EXPECT_FALSE(dialog->findChild<QSpinBox*>("sheetColumns")->isEnabled());
        dialog->findChild<QComboBox*>("sheetDataLayout")->setCurrentIndex(1);
        dialog->accept();
    });
    trigger("sheet_export");
    QFile file(path("walk.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    ASSERT_TRUE(root["frames"].isObject()); // keyed by name
    const QJsonObject first = root["frames"].toObject()["walk 1"].toObject();
    const QJsonObject third = root["frames"].toObject()["walk 3"].toObject();
    QJsonObject meta = root["meta"].toObject();
    EXPECT_EQ(meta["frameTags"].toArray().size(), 2);
    // A row per direction: two rows of cells.
    EXPECT_EQ(meta["size"].toObject()["h"].toInt(),
              2 * first["sourceSize"].toObject()["h"].toInt());

    // Without its anchor the data asks for one; the top-left pixel of the
    // first frame of the second row is clicked, so that frame stands right of
    // and above the anchor.
    meta.remove("slices");
    root["meta"] = meta;
    messages().answers = {platform::Answer::No};
    trigger("New");
    fileDialog().answers = {writeFile("nopivot.json", QJsonDocument(root).toJson())};
    const QJsonObject frame = third["frame"].toObject();
    const QJsonObject cell = third["spriteSourceSize"].toObject();
    const QRect rect(frame["x"].toInt(), frame["y"].toInt(), 1, 1);
    testing::whenModal<display::SheetAnchorDialog>([&](display::SheetAnchorDialog* dialog) {
        auto* view = dialog->findChild<display::SheetView*>();
        QTest::mouseClick(view, Qt::LeftButton, {}, view->onScreen(rect).center().toPoint());
        EXPECT_EQ(dialog->anchor(), QPoint(cell["x"].toInt(), cell["y"].toInt()));
        dialog->accept();
    });
    trigger("AddFramesFromSheet");
    ASSERT_EQ(window->frameCount(), 4);
    const FrameList& back = window->frames();
    EXPECT_EQ(back[2]->get_X_offset(), 0);
    EXPECT_EQ(back[2]->get_Y_offset(), back[2]->get_Y_size());
    // Every frame moved alike: they keep their places among each other.
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i]->get_X_offset() - before[i]->get_X_offset(),
                  back[2]->get_X_offset() - before[2]->get_X_offset());
        EXPECT_EQ(back[i]->get_Y_offset() - before[i]->get_Y_offset(),
                  back[2]->get_Y_offset() - before[2]->get_Y_offset());
    }
}

} // namespace
} // namespace quillet::editor::test
