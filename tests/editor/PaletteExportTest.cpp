#include "EditorTestSupport.h"
#include "sprite/transform.h"

#include <QDir>
#include <QFile>
#include <QStatusBar>

namespace quillet::editor::test {
namespace {

using Palettes = EditorTest;
using Export = EditorTest;

QString writeBytes(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return file;
}

QByteArray bytesOf(const Palette& p) {
    return QByteArray(reinterpret_cast<const char*>(p.data()), static_cast<qsizetype>(p.size()));
}

TEST_F(Palettes, FilesOfAnyOtherSizeOrUnreadableAreRejectedWithNothingChanged) {
    openDocument({{4, 3}});
    addPicture(5, 2);
    const Palette before = window->currentPalette();
    const Palette pictureOriginal = window->frames()[1]->getOrigPalette();
    struct Case {
        QString file;
        const char* title;
    };
    const QByteArray full = bytesOf(rampPalette(3));
    const std::vector<Case> cases = {
        {writeBytes(path("short.pal"), full.left(767)), "Filesize error"},
        {writeBytes(path("long.pal"), full + "x"), "Filesize error"},
        {writeBytes(path("empty.pal"), {}), "Filesize error"},
        {path("missing.pal"), "Quillet 2.1"},
        {dir.path(), "Quillet 2.1"}, // a folder
    };
    for (const Case& c : cases) {
        messages().shown.clear();
        fileDialog().answers = {c.file};
        trigger("Select_palette");
        ASSERT_EQ(messages().shown.size(), 1u) << c.file.toStdString();
        EXPECT_EQ(messages().shown[0].title, c.title);
        EXPECT_EQ(messages().shown[0].icon, platform::Icon::Warning);
        if (QString(c.title) == "Filesize error")
            EXPECT_EQ(messages().shown[0].text, "Wrong filesize (length of file is not 768 bytes)");
        else
            EXPECT_TRUE(messages().shown[0].text.contains(c.file));
        EXPECT_EQ(window->currentPalette(), before);
        EXPECT_EQ(window->frames()[0]->getOrigPalette(), before);
        EXPECT_EQ(window->frames()[1]->getOrigPalette(), pictureOriginal);
        EXPECT_EQ(window->frames()[1]->getNewPalette(), before);
    }
    EXPECT_EQ(fileDialog().shown.back().filter,
              "Palette file|*.pal|GIMP palette|*.gpl|Colour table of a picture|*.bmp;*.png;*.gif");
}

TEST_F(Palettes, EqualPalettesFollowTheChoiceDifferentOnesKeepTheirOriginal) {
    openDocument({{4, 3}});
    addPicture(5, 2);
    const Palette pictureOriginal = window->frames()[1]->getOrigPalette();
    const Palette chosen = rampPalette(77);
    fileDialog().answers = {writeBytes(path("new.pal"), bytesOf(chosen))};
    trigger("Select_palette");
    EXPECT_EQ(window->currentPalette(), chosen);
    EXPECT_EQ(window->frames()[0]->getOrigPalette(), chosen);
    EXPECT_EQ(window->frames()[0]->getNewPalette(), chosen);
    EXPECT_EQ(window->frames()[1]->getOrigPalette(), pictureOriginal);
    EXPECT_EQ(window->frames()[1]->getNewPalette(), chosen);
    EXPECT_TRUE(messages().shown.empty());

    // Pictures added afterwards get the chosen palette as their new one.
    addPicture(6, 2);
    EXPECT_EQ(window->frames()[2]->getNewPalette(), chosen);
}

TEST_F(Palettes, TransformTwiceLeavesFlagAndFramesAsTheyWere) {
    addPicture(5, 2);
    const Bytes mapped = window->frames()[0]->getPixelData(1);
    const Palette original = window->frames()[0]->getOrigPalette();
    window->palettes().transformPalette();
    EXPECT_EQ(window->palTransform(), 0);
    trigger("transform_palette");
    EXPECT_NE(window->palTransform(), 0);
    EXPECT_EQ(window->frames()[0]->getPixelData(1), mapped);
    EXPECT_EQ(window->frames()[0]->getOrigPalette(), original);
}

// The colour a frame's pixel must have in an exported file: column x, row
// yFromTop counted from the top, through the mapping only when ticked.
QRgb expectedColour(const DC6Frame& frame, bool transform, int x, int yFromTop) {
    const int row = frame.get_Y_size() - 1 - yFromTop;
    int p = frame.getPixelData(0)[static_cast<std::size_t>(row * frame.get_X_size() + x)];
    const Palette to = frame.getNewPalette();
    if (transform)
        p = quillet::transform().Map(frame.getOrigPalette(), to)[static_cast<std::size_t>(p)];
    return qRgb(to[3 * p], to[3 * p + 1], to[3 * p + 2]);
}

TEST_F(Export, WritesNumberedFilesWithThePixelsAsShown) {
    for (bool transform : {true, false}) {
        start();
        openDocument({{3, 2}});
        addPicture(7, 5);
        const QString name = window->docFileName();
        if (!transform)
            window->palettes().transformPalette();
        QDir(dir.path()).mkpath(QStringLiteral("out.bmp.d"));
        fileDialog().answers = {path("out.bmp.d/walk.Bmp.bmp")};
        trigger("bmp_export");

        const auto& dialog = fileDialog().shown.back();
        EXPECT_EQ(dialog.filter, "BMP|*.BMP|");
        EXPECT_EQ(dialog.defaultExt, "BMP");
        EXPECT_TRUE(dialog.fileNameBefore.isEmpty());
        EXPECT_EQ(QDir(path("out.bmp.d")).entryList(QDir::Files),
                  (QStringList{"walk_001.BMP", "walk_002.BMP"}));
        EXPECT_EQ(window->docFileName(), name);
        EXPECT_TRUE(messages().shown.empty());

        for (int n = 0; n < 2; ++n) {
            const DC6Frame& frame = *window->frames()[n];
            const QImage written(path(QStringLiteral("out.bmp.d/walk_00%1.BMP").arg(n + 1)));
            ASSERT_EQ(written.size(), QSize(frame.get_X_size(), frame.get_Y_size()));
            for (int y = 0; y < written.height(); ++y)
                for (int x = 0; x < written.width(); ++x)
                    ASSERT_EQ(written.pixel(x, y), expectedColour(frame, transform, x, y))
                        << "frame " << n + 1 << " at " << x << "," << y;
        }
    }
}

TEST_F(Export, AnUntickedPreviewServesTheExportAndIsClosedAgain) {
    openDocument({{3, 2}, {4, 2}});
    window->preview().togglePreview();
    fileDialog().answers = {path("a.bmp")};
    window->exports().exportBitmaps();
    EXPECT_TRUE(QFile::exists(path("a_002.BMP")));
    EXPECT_FALSE(window->preview().previewTicked());
    EXPECT_EQ(window->preview().previewWindow(), nullptr);
}

TEST_F(Export, FramesThatCannotBeWrittenAreCountedInOneMessage) {
    openDocument({{3, 2}, {4, 2}, {5, 2}});
    writeBytes(path("blocker"), "a file, not a folder");
    fileDialog().answers = {path("blocker/walk.bmp")};
    window->exports().exportBitmaps();
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].title, "Quillet 2.1");
    EXPECT_TRUE(messages().shown[0].text.startsWith("3 of 3 frames could not be written."));
    EXPECT_TRUE(messages().shown[0].text.contains(path("blocker/walk_001.BMP")));
    EXPECT_EQ(window->frameCount(), 3);
}

// An empty document is told so before any dialog, whichever export is asked for.
TEST_F(Export, CancelOrNoFramesWritesNothing) {
    for (const char* item : {"bmp_export", "png_export", "sheet_export", "gif_export"}) {
        SCOPED_TRACE(item);
        messages().shown.clear();
        trigger(item);
        ASSERT_EQ(messages().shown.size(), 1u);
        EXPECT_EQ(messages().shown[0].text,
                  "The animation has no frames, so there is nothing to export.");
        EXPECT_EQ(messages().shown[0].title, "Quillet 2.1");
    }
    EXPECT_TRUE(fileDialog().shown.empty());
    messages().shown.clear();
    openDocument({{3, 2}});
    fileDialog().answers = {QString()};
    window->exports().exportBitmaps();
    EXPECT_EQ(QDir(dir.path()).entryList({"*.BMP"}, QDir::Files), QStringList());
    EXPECT_TRUE(messages().shown.empty());
}

} // namespace
} // namespace quillet::editor::test

namespace quillet::editor::test {
namespace {

// The one-file exports from the menus, and a sheet cut back into frames.
TEST_F(Export, SheetAndGifFromTheMenusAndASheetBackIn) {
    openDocument({{3, 2, 0, 0}, {4, 3, 1, -1}});
    fileDialog().answers = {path("sheet.png")};
    scripted->prompt->sheetExports = {platform::SheetExportRequest{false, 2, false, false}};
    trigger("sheet_export");
    ASSERT_TRUE(QFile::exists(path("sheet.png")));
    // Each pair of numbers stays on one line; the status line counts the files.
    EXPECT_TRUE(messages().shown.back().text.contains(QString::fromUtf8(
        "2\u00a0x\u00a01 cells of 5\u00a0x\u00a04 pixels; the anchor is at 0,\u00a04")))
        << messages().shown.back().text.toStdString();
    EXPECT_EQ(window->statusBar()->currentMessage(), "1 file written.");

    fileDialog().answers = {path("anim.gif")};
    trigger("gif_export");
    EXPECT_TRUE(QFile::exists(path("anim.gif")));

    fileDialog().answers = {path("out.png")};
    trigger("png_export");
    EXPECT_TRUE(QFile::exists(path("out_001.png")));
    EXPECT_TRUE(QFile::exists(path("out_002.png")));
    EXPECT_EQ(window->statusBar()->currentMessage(), "2 files written.");

    const Bytes first = window->frames()[0]->getPixelData(1);
    platform::SheetRequest cells;
    cells.cellWidth = 5;
    cells.cellHeight = 4;
    fileDialog().answers = {path("sheet.png")};
    scripted->prompt->sheets = {cells};
    trigger("AddFramesFromSheet");
    ASSERT_EQ(window->frameCount(), 4);
    EXPECT_EQ(window->frames()[2]->getPixelData(1), first);
    EXPECT_EQ(window->frames()[3]->get_X_offset(), 1);
    EXPECT_EQ(window->frames()[3]->get_Y_offset(), -1);
}

} // namespace
} // namespace quillet::editor::test
