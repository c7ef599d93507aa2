#include "imaging/PictureImport.h"
#include "imaging/export/BitmapExport.h"
#include "imaging/export/GifExport.h"
#include "imaging/export/SheetExport.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"
#include "support/ExportReader.h"

#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>

namespace quillet::imaging {
namespace {

using testing::IndexedPicture;

class PictureExport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Frames of (width, height, x offset, y offset), random indices.
    FrameList frames(const std::vector<std::array<int, 4>>& shapes, unsigned seed = 1) {
        std::mt19937 rng(seed);
        FrameList out;
        for (const auto& [w, h, x, y] : shapes)
            out.push_back(testing::randomFrame(rng, w, h, x, y, m_palette));
        return out;
    }

    QTemporaryDir m_dir;
    Palette m_palette = testing::rampPalette(7);
};

// The bitmap side is compared with the editor's own export in the CLI tests.
TEST_F(PictureExport, FramePngsHoldTheIndicesAsDrawnInTheirPalette) {
    FrameList list = frames({{5, 3, 0, 0}, {1, 7, -4, 2}, {9, 2, 3, -1}});
    const Palette drawn = testing::rampPalette(13); // differs, so the flag changes indices
    for (const FramePtr& frame : list)
        frame->setNewPalette(drawn);
    for (std::int16_t transform : {0, 1}) {
        const QString folder = path(QString::number(transform));
        ASSERT_TRUE(QDir().mkpath(folder));
        const ExportReport report =
            exportFrames(list, transform, folder + "/w.PNG", ExportFormat::Png);
        EXPECT_EQ(report.written, 3);
        EXPECT_EQ(testing::filesIn(folder), QStringList({"w_001.png", "w_002.png", "w_003.png"}));
        for (int n = 1; n <= 3; ++n) {
            SCOPED_TRACE(n);
            const DC6Frame& f = *list[n - 1];
            const QString file = exportFileName(folder + "/w", n, ExportFormat::Png);
            const auto chunks = testing::pngChunks(file);
            EXPECT_EQ(chunks.at("IHDR").mid(8, 2), QByteArray("\x08\x03", 2)); // 8-bit palette
            EXPECT_EQ(chunks.at("PLTE"),
                      QByteArray(reinterpret_cast<const char*>(drawn.data()), 768));
            EXPECT_EQ(chunks.at("tRNS"), QByteArray(1, '\0'));
            IndexedPicture expected{f.get_X_size(), f.get_Y_size(),
                                    Bytes(f.getPixelData(0).size())};
            testing::placeInto(expected, f.getPixelData(transform), expected.width, expected.height,
                               0, 0);
            EXPECT_EQ(testing::readIndexedPng(file), expected);
        }
    }
}

TEST_F(PictureExport, CancelKeepsTheFinishedFilesOnly) {
    const FrameList list = frames({{2, 2, 0, 0}, {3, 1, 0, 0}, {1, 4, 0, 0}, {2, 3, 0, 0}});
    for (int stopAt : {1, 3, 4}) {
        SCOPED_TRACE(stopAt);
        const QString folder = path(QString::number(stopAt));
        ASSERT_TRUE(QDir().mkpath(folder));
        int calls = 0;
        const ExportReport report =
            exportFrames(list, 0, folder + "/a", ExportFormat::Png, [&](int done, int total) {
                EXPECT_EQ(total, 4);
                EXPECT_EQ(done, ++calls);
                return done < stopAt;
            });
        EXPECT_EQ(report.written, stopAt);
        EXPECT_EQ(report.cancelled, stopAt < 4);
        QStringList expected;
        for (int n = 1; n <= stopAt; ++n)
            expected << QStringLiteral("a_00%1.png").arg(n);
        EXPECT_EQ(testing::filesIn(folder), expected);
    }
}

TEST_F(PictureExport, SheetCellsHoldEveryFrameAtItsOffsets) {
    struct Case {
        const char* name;
        std::vector<std::array<int, 4>> shapes;
        int columns;
        QSize cell;
        QPoint anchor;
        int rows;
    };
    const Case cases[] = {
        {"offsets 0, 0", {{3, 2, 0, 0}, {4, 5, 0, 0}}, 2, {4, 5}, {0, 5}, 1},
        {"anchor inside", {{3, 2, -1, 1}, {2, 2, 2, -3}}, 1, {5, 6}, {1, 5}, 2},
        {"anchor off every frame", {{2, 2, 5, -4}}, 3, {7, 6}, {0, 6}, 1},
        {"below the anchor", {{1, 1, 0, 0}, {1, 1, 0, 0}, {2, 1, -2, 3}}, 2, {3, 4}, {2, 1}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FrameList list = frames(c.shapes);
        const QString file = path(QStringLiteral("%1.png").arg(c.name));
        const SheetLayout layout = exportSheet(list, 0, m_palette, c.columns, file);
        EXPECT_EQ(layout.cell, c.cell);
        EXPECT_EQ(layout.anchor, c.anchor);
        EXPECT_EQ(layout.columns, c.columns);
        EXPECT_EQ(layout.rows, c.rows);

        IndexedPicture expected{c.cell.width() * c.columns, c.cell.height() * c.rows, {}};
        expected.indices.assign(std::size_t(expected.width) * expected.height, 0);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const DC6Frame& f = *list[i];
            testing::placeInto(expected, f.getPixelData(0), f.get_X_size(), f.get_Y_size(),
                               int(i) % c.columns * c.cell.width() + c.anchor.x() +
                                   f.get_X_offset(),
                               int(i) / c.columns * c.cell.height() + c.anchor.y() +
                                   f.get_Y_offset() - f.get_Y_size());
        }
        EXPECT_EQ(testing::readIndexedPng(file), expected);
        EXPECT_EQ(testing::pngChunks(file).at("tRNS"), QByteArray(1, '\0'));
    }
}

// Frames whose anchor is the cell's bottom-left corner come back unchanged
// when the sheet is cut on the same grid and trimmed.
TEST_F(PictureExport, SheetComesBackThroughTrimmedCells) {
    std::mt19937 rng(13);
    std::vector<std::array<int, 4>> shapes;
    for (int i = 0; i < 11; ++i)
        shapes.push_back(
            {1 + int(rng() % 20), 1 + int(rng() % 20), int(rng() % 9), -int(rng() % 9)});
    const FrameList list = frames(shapes, 5);
    const SheetLayout layout = exportSheet(list, 0, m_palette, 4, path("sheet.png"));
    SheetGrid grid;
    grid.cellWidth = layout.cell.width();
    grid.cellHeight = layout.cell.height();
    const FrameList back = LoadSheet(path("sheet.png").toStdString(), grid, true, {m_palette});
    ASSERT_EQ(back.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        const DC6Frame &f = *list[i], &b = *back[i];
        EXPECT_EQ((std::array{b.get_X_size(), b.get_Y_size(), b.get_X_offset(), b.get_Y_offset()}),
                  (std::array{f.get_X_size(), f.get_Y_size(), f.get_X_offset(), f.get_Y_offset()}));
        EXPECT_EQ(b.getPixelData(0), f.getPixelData(0));
    }
}

TEST_F(PictureExport, GifPlaysEveryFrameAtItsOffsetsAndLoops) {
    const FrameList list = frames(
        {{4, 3, 0, 0}, {2, 5, -3, 1}, {3, 3, 2, -2}, {1, 1, 0, 0}, {5, 2, -1, 4}, {2, 2, 3, 0}});
    // Union of the boxes: left -3, top -5, right 5, bottom 4.
    const struct {
        int fps;
        std::vector<int> delays;
    } cases[] = {
        {25, {4, 4, 4, 4, 4, 4}},
        {30, {3, 4, 3, 3, 4, 3}},
        {60, {2, 2, 2, 2, 2, 2}},
        {1, {100, 100, 100, 100, 100, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fps);
        exportGif(list, 0, m_palette, c.fps, path("walk.gif"));
        const testing::GifRead gif = testing::readGif(path("walk.gif"));
        EXPECT_EQ(gif.width, 8);
        EXPECT_EQ(gif.height, 9);
        EXPECT_TRUE(gif.loopsForever);
        EXPECT_EQ(gif.colours, m_palette);
        EXPECT_EQ(gif.delays, c.delays);
        EXPECT_EQ(gif.disposals, std::vector<int>(6, DISPOSE_BACKGROUND));
        ASSERT_EQ(gif.shown.size(), list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const DC6Frame& f = *list[i];
            IndexedPicture expected{8, 9, Bytes(72, 0)};
            testing::placeInto(expected, f.getPixelData(0), f.get_X_size(), f.get_Y_size(),
                               f.get_X_offset() + 3, f.get_Y_offset() - f.get_Y_size() + 5);
            EXPECT_EQ(gif.shown[i], expected) << "frame " << i + 1;
        }
    }
}

TEST_F(PictureExport, RefusedExportsWriteNothing) {
    const FrameList one = frames({{300, 1, 0, 0}});
    const FrameList apart = frames({{1, 1, 0, 0}, {1, 1, 20000, 0}});
    const std::pair<const char*, std::function<void(const QString&)>> cases[] = {
        {"empty image", [&](const QString& p) { writeBitmap(QImage(), p); }},
        {"sheet of no frames", [&](const QString& p) { exportSheet({}, 0, m_palette, 1, p); }},
        {"no columns", [&](const QString& p) { exportSheet(one, 0, m_palette, 0, p); }},
        {"sheet too wide", [&](const QString& p) { exportSheet(one, 0, m_palette, 60, p); }},
        {"GIF of no frames", [&](const QString& p) { exportGif({}, 0, m_palette, 25, p); }},
        {"0 fps", [&](const QString& p) { exportGif(one, 0, m_palette, 0, p); }},
        {"61 fps", [&](const QString& p) { exportGif(one, 0, m_palette, 61, p); }},
        {"GIF too wide", [&](const QString& p) { exportGif(apart, 0, m_palette, 25, p); }},
    };
    for (const auto& [name, write] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(write(path("out")), QuilletError);
    }
    EXPECT_EQ(testing::filesIn(m_dir.path()), QStringList());
}

TEST_F(PictureExport, FailedWritesKeepWhatWasThereAndLeaveNoTemporary) {
    for (const char* name : {"plain", "kept"}) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("folder"));
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("folder_001.png"));
    const FrameList list = frames({{3, 2, 0, 0}});
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);

    const std::pair<const char*, std::function<void(const QString&)>> writers[] = {
        {"bitmap", [&](const QString& p) { writeBitmap(image, p); }},
        {"sheet", [&](const QString& p) { exportSheet(list, 0, m_palette, 1, p); }},
        {"GIF", [&](const QString& p) { exportGif(list, 0, m_palette, 25, p); }},
        {"frame PNGs",
         [&](const QString& p) {
             const ExportReport report = exportFrames(list, 0, p, ExportFormat::Png);
             const QString file = exportFileName(p, 1, ExportFormat::Png) + ": ";
             EXPECT_EQ(report.failed, 1);
             EXPECT_TRUE(report.firstFailure.startsWith(file)) << report.firstFailure.toStdString();
             throw QuilletError(report.firstFailure.mid(file.size()).toStdString());
         }},
    };
    const std::pair<const char*, QString> targets[] = {
        {"folder is a file", path("plain/x")},
        {"target is a folder", path("folder")},
        {"write fails midway", path("kept")},
    };
    for (const auto& [writer, write] : writers)
        for (const auto& [why, target] : targets) {
            SCOPED_TRACE(std::string(writer) + ", " + why);
            if (target.endsWith("kept"))
                setWriteFaultHook([](std::size_t written, std::size_t wanted) {
                    return written >= 10 ? 0 : std::min<std::size_t>(wanted, 10 - written);
                });
            try {
                write(target);
                ADD_FAILURE() << "no error";
            } catch (const QuilletError& e) {
                EXPECT_FALSE(QString::fromUtf8(e.what()).contains(target)) << e.what();
            }
            setWriteFaultHook({});
        }
    EXPECT_EQ(testing::filesIn(m_dir.path()), QStringList({"kept", "plain"}));
    for (const char* name : {"plain", "kept"}) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "old");
    }
}

} // namespace
} // namespace quillet::imaging
