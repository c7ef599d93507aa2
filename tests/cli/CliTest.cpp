#include "document/Document.h"
#include "editor/ExportCommands.h"
#include "editor/FileCommands.h"
#include "editor/FrameImportCommands.h"
#include "sprite/DC6FileIO.h"
#include "sprite/SafeFile.h"
#include "support/CliTestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quillet {
namespace {

using testing::CliResult;
using testing::CliTest;
using testing::spriteFrames;

TEST_F(CliTest, SheetCellsBecomeTrimmedFramesMovedByTheOffset) {
    // Two 4 x 4 cells side by side: one pixel in the first, the second empty.
    QImage sheet(8, 4, QImage::Format_Indexed8);
    sheet.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0)});
    sheet.fill(0);
    sheet.scanLine(1)[1] = 1;
    ASSERT_TRUE(sheet.save(path("sheet.png"), "PNG"));
    const CliResult build = cli(
        {"build", "out.dc6", path("sheet.png"), "--grid", "4x4", "--trim", "--offset", "10,10"});
    ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();
    const CliResult info = cli({"info", "out.dc6", "--json"});
    const QJsonObject root = QJsonDocument::fromJson(info.out.toUtf8()).object();
    ASSERT_EQ(root["frames"].toInt(), 1);
    const QJsonObject frame = root["frame_list"].toArray()[0].toObject();
    EXPECT_EQ(frame["width"].toInt(), 1);
    EXPECT_EQ(frame["height"].toInt(), 1);
    EXPECT_EQ(frame["x_offset"].toInt(), 11);
    EXPECT_EQ(frame["y_offset"].toInt(), 10 + 2 - 4);
}

TEST_F(CliTest, BuildWritesWhatTheEditorSaves) {
    writePalette("default.pal", 768, 7);
    writePalette("other.pal", 768, 13);
    const QString wide = writeBmp("wide.bmp", 300, 20);
    const QString photo = writeJpeg("photo.jpg");

    struct Case {
        QStringList options;
        bool transform;
        const char* palette;
        int x, y;
        bool dither = false;
    };
    const Case cases[] = {
        {{}, true, nullptr, 0, 0},
        {{"--no-transform"}, false, nullptr, 0, 0},
        {{"--palette", "other.pal", "--offset", "-3,12"}, true, "other.pal", -3, 12},
        {{"--dither"}, true, nullptr, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        QStringList arguments{"build", "cli.dc6", wide, photo};
        arguments += c.options;
        const CliResult run = cli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

        auto window = startEditor();
        if (c.palette) {
            scripted->fileDialog->answers.push_back(path(c.palette));
            window->findChild<QAction*>("Select_palette")->trigger();
        }
        if (c.dither)
            window->findChild<QAction*>("Dither")->trigger();
        scripted->fileDialog->answers = {wide, photo, path("editor.dc6")};
        window->imports().addFrame();
        window->imports().addFrame();
        ASSERT_EQ(window->frameCount(), 3);
        for (const FramePtr& frame : window->frames()) {
            frame->set_X_offset(c.x);
            frame->set_Y_offset(c.y);
        }
        if (!c.transform)
            window->findChild<QAction*>("transform_palette")->trigger();
        ASSERT_EQ(window->files().saveAs(), editor::SaveResult::Saved);

        const QByteArray written = read("cli.dc6");
        ASSERT_FALSE(written.isEmpty());
        EXPECT_EQ(written, read("editor.dc6"));
    }
}

TEST_F(CliTest, ExportWritesTheEditorsBitmaps) {
    writePalette("default.pal", 768, 11);
    FrameList frames;
    for (int i = 0; i < 3; ++i) {
        Bytes pixels(static_cast<std::size_t>(5 + i) * 4);
        for (std::size_t p = 0; p < pixels.size(); ++p)
            pixels[p] = static_cast<std::uint8_t>(p * 37 + i);
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, static_cast<std::int16_t>(5 + i), 4);
        frames.push_back(frame);
    }
    DC6FileIO().SaveDC6(path("walk.dc6").toStdString(), frames, 0);
    ASSERT_TRUE(QDir(dir.path()).mkpath("cli"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("editor"));

    for (bool transform : {true, false}) {
        SCOPED_TRACE(transform ? "transform" : "no transform");
        QStringList arguments{"export", "walk.dc6", "cli/walk.bmp"};
        if (!transform)
            arguments << "--no-transform";
        const CliResult run = cli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

        auto window = startEditor();
        if (!transform)
            window->findChild<QAction*>("transform_palette")->trigger();
        scripted->fileDialog->answers = {path("walk.dc6"), path("editor/walk.BMP")};
        window->files().open();
        window->exports().exportBitmaps();

        for (const char* name : {"walk_001.BMP", "walk_002.BMP", "walk_003.BMP"}) {
            const QImage fromCli(path(QStringLiteral("cli/") + name));
            const QImage fromEditor(path(QStringLiteral("editor/") + name));
            ASSERT_FALSE(fromCli.isNull()) << name;
            EXPECT_EQ(fromCli.convertToFormat(QImage::Format_RGB32),
                      fromEditor.convertToFormat(QImage::Format_RGB32))
                << name;
        }
    }
}

TEST_F(CliTest, ExportWritesPngsASheetOrAGif) {
    FrameList frames;
    for (int i = 0; i < 3; ++i) {
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(Bytes(12, static_cast<std::uint8_t>(i + 1)), 4, 3);
        frame->set_X_offset(i);
        frames.push_back(frame);
    }
    DC6FileIO().SaveDC6(path("walk.dc6").toStdString(), frames, 0);
    const struct {
        QStringList options;
        QString base;
        QStringList written;
        const char* printed;
    } cases[] = {
        {{"--format", "png"}, "png/walk.png", {"walk_001.png", "walk_002.png", "walk_003.png"}, ""},
        {{"--format", "png"}, "a.png.d/walk", {"walk_001.png", "walk_002.png", "walk_003.png"}, ""},
        {{"--sheet", "2"},
         "sheet/walk",
         {"walk.png"},
         "3 frames in 2 columns x 2 rows of 6x3-pixel cells"},
        {{"--gif", "--fps", "10"}, "gif/walk.GIF", {"walk.GIF"}, ""},
        {{"--sheet-by-direction", "--trim", "--data", "--data-format", "json-hash"},
         "data/walk",
         {"walk.json", "walk.png"},
         "walk.json: where each frame lies"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        ASSERT_TRUE(QDir(dir.path()).mkpath(c.base.section('/', 0, 0)));
        const CliResult run = cli(QStringList{"export", "walk.dc6", c.base} + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(c.printed)) << run.out.toStdString();
        EXPECT_EQ(QDir(path(c.base.section('/', 0, 0))).entryList(QDir::Files), c.written);
    }
}

TEST_F(CliTest, InfoListsEveryFrameAndItsDirection) {
    FrameList frames = spriteFrames(4);
    frames[1]->setPixelData(Bytes(6, 9), 3, 2);
    frames[1]->set_X_offset(-4);
    frames[1]->set_Y_offset(40);
    DC6FileIO().SaveDC6(path("four.dc6").toStdString(), frames, 0, {}, 2);
    // As a file from elsewhere may: a length field unlike the stream Quillet writes.
    QByteArray bytes = read("four.dc6");
    qToLittleEndian<qint32>(4000, bytes.data() + qFromLittleEndian<qint32>(bytes.data() + 28) + 28);
    write("four.dc6", bytes);

    const CliResult text = cli({"info", "four.dc6"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("four.dc6: 4 frames, 2 directions of 2 frames\n"))
        << text.out.toStdString();

    const CliResult json = cli({"info", "four.dc6", "--json"});
    ASSERT_EQ(json.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(root["frames"].toInt(), 4);
    EXPECT_EQ(root["directions"].toInt(), 2);
    EXPECT_EQ(root["frames_per_direction"].toInt(), 2);
    EXPECT_EQ(root["framesPerDirection"].toInt(), 2);
    const QJsonArray list = root["frame_list"].toArray();
    for (const QString& key : root.keys() + list[0].toObject().keys())
        EXPECT_TRUE(key == "framesPerDirection" || key == key.toLower()) << key.toStdString();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[1].toObject()["number"].toInt(), 2);
    EXPECT_EQ(list[1].toObject()["x_offset"].toInt(), -4);
    EXPECT_EQ(list[1].toObject()["y_offset"].toInt(), 40);
    EXPECT_EQ(list[1].toObject()["width"].toInt(), 3);
    EXPECT_EQ(list[1].toObject()["stream_length"].toInt(), 4000);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list[i].toObject()["direction"].toInt(), 1 + i / 2) << i;
}

// Entries 1 to 200 protected: neither the paletted picture (re-indexed as it
// is saved) nor the photo (matched or dithered as it comes in) uses one, and
// the usage counts every pixel saved.
TEST_F(CliTest, ProtectedEntriesStayUnusedAndUsageCountsEveryPixel) {
    writePalette("default.pal", 768, 7);
    const QString wide = writeBmp("wide.bmp", 300, 20);
    const QString photo = writeJpeg("photo.jpg");
    for (const QString& dither : {QString(), QStringLiteral("--dither")}) {
        SCOPED_TRACE(dither.toStdString());
        QStringList arguments{"build", "p.dc6", wide, photo, "--protect", "1-200"};
        if (!dither.isEmpty())
            arguments << dither;
        ASSERT_EQ(cli(arguments).exitCode, 0);
        const CliResult usage = cli({"info", "p.dc6", "--usage", "--json"});
        ASSERT_EQ(usage.exitCode, 0) << usage.err.toStdString();
        const QJsonArray entries = QJsonDocument::fromJson(usage.out.toUtf8()).array();
        ASSERT_EQ(entries.size(), 256);
        qint64 pixels = 0;
        for (int i = 0; i < 256; ++i) {
            const QJsonObject entry = entries[i].toObject();
            pixels += entry["pixels"].toInteger();
            EXPECT_EQ(entry["used"].toBool(), entry["frames"].toInt() > 0) << i;
            EXPECT_TRUE(i < 1 || i > 200 || !entry["used"].toBool()) << i;
        }
        EXPECT_EQ(pixels, 300 * 20 + 40 * 30);
    }
}

// A sprite rebuilt from itself comes back byte for byte, with or without the
// palette transform, although the palette holds colours twice.
TEST_F(CliTest, BuildFromASpriteKeepsItsDirectionsAndBytes) {
    QByteArray palette(768, 0);
    for (int i = 0; i < 768; ++i)
        palette[i] = static_cast<char>((i * 7) % 251);
    for (int c = 0; c < 3; ++c) {
        palette[3 * 7 + c] = palette[c];
        palette[3 * 9 + c] = palette[3 * 3 + c];
    }
    QFile file(path("default.pal"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(palette);
    file.close();

    for (const int directions : {1, 2, 8, 32}) {
        const QString in = QStringLiteral("in%1.dc6").arg(directions);
        DC6FileIO().SaveDC6(path(in).toStdString(), spriteFrames(2 * directions), 0, {},
                            directions);
        for (const char* transform : {"--no-transform", ""}) {
            SCOPED_TRACE(directions);
            SCOPED_TRACE(transform);
            QStringList arguments{"build", "out.dc6", in};
            if (*transform)
                arguments << transform;
            const CliResult run = cli(arguments);
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(read("out.dc6"), read(in));
            // Through a sheet and its data too, directions kept.
            ASSERT_EQ(cli({"export", in, "sheet", "--sheet-by-direction", "--data"}).exitCode, 0);
            arguments.replace(2, "sheet.json");
            ASSERT_EQ(cli(arguments).exitCode, 0);
            EXPECT_EQ(read("out.dc6"), read(in));
        }
    }

    // Two inputs, or an explicit count, set the directions anew.
    ASSERT_EQ(cli({"build", "out.dc6", "in2.dc6", "in1.dc6"}).exitCode, 0);
    int directions = 0;
    EXPECT_EQ(DC6FileIO().LoadDC6(path("out.dc6").toStdString(), &directions).size(), 6u);
    EXPECT_EQ(directions, 1);
    ASSERT_EQ(cli({"build", "out.dc6", "in2.dc6", "in1.dc6", "--directions", "3"}).exitCode, 0);
    DC6FileIO().LoadDC6(path("out.dc6").toStdString(), &directions);
    EXPECT_EQ(directions, 3);

#ifndef _WIN32
    // A name whose bytes are no text in any encoding still reaches the file
    // layers as it was typed (a shell passes raw bytes; QProcess cannot).
    const std::string odd = dir.path().toStdString() + "/odd\xff.dc6";
    const std::string command = "'" + std::string(QUILLET_CLI) + "' build '" + odd + "' '" +
                                path("in2.dc6").toStdString() + "' --no-transform >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream written(odd, std::ios::binary);
    EXPECT_EQ(QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(written), {})),
              read("in2.dc6"));
    // Edited in place after another program wrote it, it is kept beside as it was.
    written.close();
    std::fstream(odd, std::ios::binary | std::ios::in | std::ios::out).put(5);
    const std::string edit = "'" + std::string(QUILLET_CLI) + "' edit '" + odd + "' --flip h";
    ASSERT_EQ(std::system(edit.c_str()), 0);
    std::ifstream kept(odd + ".bak", std::ios::binary);
    EXPECT_EQ(kept.get(), 5);
#endif
}

// Each edit against the document's own on the same frames: the file is what
// Save writes for the edited document, directions kept.
TEST_F(CliTest, EditChangesTheFramesAsTheDocumentDoes) {
    using Kind = FrameEdit::Kind;
    const struct {
        QStringList options;
        std::vector<int> numbers;
        FrameEdit edit;
        bool inPlace = false;
        // The file written over has another version word, as one from elsewhere may.
        bool foreign = false;
    } cases[] = {
        {{"--frames", "1-2,4", "--shift-offset", "3,-2"},
         {1, 2, 4},
         {.kind = Kind::ShiftOffset, .x = 3, .y = -2}},
        {{"--set-offset", "-7,9"}, {1, 2, 3, 4, 5, 6}, {.kind = Kind::SetOffset, .x = -7, .y = 9}},
        {{"--frames", "4-6", "--flip", "h"}, {4, 5, 6}, {.kind = Kind::FlipHorizontal}},
        {{"--frames", "2", "--flip", "v"}, {2}, {.kind = Kind::FlipVertical}, true},
        {{"--frames", "3,1", "--replace-index", "41,0"},
         {1, 3},
         {.kind = Kind::ReplaceIndex, .from = 41, .to = 0}},
        {{"--frames", "1-2", "--remap", "40-45:50-47"},
         {1, 2},
         {.kind = Kind::MapIndices, .table = rangeMapping(40, 45, 50, 47)}},
        {{"--flip", "h"}, {1, 2, 3, 4, 5, 6}, {.kind = Kind::FlipHorizontal}, false, true},
        {{"--flip", "h"}, {1, 2, 3, 4, 5, 6}, {.kind = Kind::FlipHorizontal}, true, true},
        {{"--frames", "2-3", "--canvas", "2,-1,0,3"},
         {2, 3},
         {.kind = Kind::Canvas, .margins = {2, -1, 0, 3}}},
        {{"--frames", "1,5", "--trim"}, {1, 5}, {.kind = Kind::Trim}, true},
    };
    // The frames stand on a transparent border to trim.
    const auto source = [] {
        FrameList frames = spriteFrames(6);
        for (const FramePtr& frame : frames) {
            FrameState state = editedState(*frame, {.kind = Kind::Canvas, .margins = {3, 1, 0, 2}});
            swapState(*frame, state);
        }
        return frames;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString() + " #" + std::to_string(&c - cases));
        QFile::remove(path("in.dc6.bak"));
        DC6FileIO().SaveDC6(path("in.dc6").toStdString(), source(), 0, {}, 3);
        QByteArray original = read("in.dc6");
        if (c.foreign) {
            original[0] = 5;
            write(c.inPlace ? "in.dc6" : "out.dc6", original);
        }
        const CliResult run = cli(QStringList{"edit", "in.dc6"} + c.options +
                                  (c.inPlace ? QStringList{} : QStringList{"-o", "out.dc6"}));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        document::Document doc;
        doc.replace(source(), QString(), 3);
        doc.editFrames(c.numbers, c.edit, QString());
        const Bytes expected = DC6FileIO::encodeDC6(doc.frames(), 0, {}, 3);
        EXPECT_EQ(read(c.inPlace ? "in.dc6" : "out.dc6"),
                  QByteArray(reinterpret_cast<const char*>(expected.data()),
                             static_cast<qsizetype>(expected.size())));
        // A file in another layout rewritten in place is kept beside it as
        // it was; -o names a file to be written, never one to keep.
        EXPECT_EQ(QFile::exists(path("in.dc6.bak")), c.foreign && c.inPlace);
        EXPECT_FALSE(QFile::exists(path("out.dc6.bak")));
        if (c.foreign && c.inPlace) {
            EXPECT_EQ(read("in.dc6.bak"), original);
        }
    }
}

} // namespace
} // namespace quillet
