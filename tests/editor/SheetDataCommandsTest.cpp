#include "EditorTestSupport.h"

#include <QUndoStack>

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
}

} // namespace
} // namespace quillet::editor::test
