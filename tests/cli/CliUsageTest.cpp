#include "sprite/DC6FileIO.h"
#include "support/CliTestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace quillet {
namespace {

using testing::CliResult;
using testing::CliTest;
using testing::spriteFrames;

TEST_F(CliTest, FailuresNameTheFileAndWriteNothing) {
    write("junk.dc6", "not a sprite at all");
    const QString picture = writeBmp("p.bmp", 10, 10);
    writePalette("short.pal", 767, 3);
    QFile blocker(path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FrameList frames = spriteFrames(3);
    frames[2]->set_X_offset(2147483647);
    DC6FileIO().SaveDC6(path("s.dc6").toStdString(), frames, 0);
    const QByteArray sprite = read("s.dc6");
    write("bad.json", R"({"frames": []})");
    write("nopic.json", R"({"frames": [{"filename": "a", "frame": {"x": 0, "y": 0, "w": 1, "h": 1},
        "spriteSourceSize": {"x": 0, "y": 0, "w": 1, "h": 1}, "sourceSize": {"w": 1, "h": 1}}],
        "meta": {"image": "gone.png"}})");

    struct Case {
        QStringList arguments;
        int exitCode;
        const char* named; // must appear once in the one error line
    };
    const Case cases[] = {
        {{}, 2, "no command"},
        {{"frobnicate"}, 2, "frobnicate"},
        {{"--frobnicate"}, 2, "--frobnicate"},
        {{"info", "a.dc6", "b.dc6"}, 2, "one DC6 file"},
        {{"build", "out.dc6", picture, "--offset"}, 2, "--offset"},
        {{"build", "out.dc6"}, 2, "input"},
        {{"build", "out.dc6", picture, "--offset", "1"}, 2, "X,Y"},
        {{"build", "out.dc6", picture, "--offset", "1,40000"}, 2, "40000"},
        {{"build", "out.dc6", picture, "--directions", "0"}, 2, "--directions"},
        {{"build", "out.dc6", picture, "--directions", "33"}, 2, "33"},
        {{"build", "out.dc6", picture, "--directions", "3"}, 2, "3 directions"},
        {{"build", "out.dc6", picture, "--trim"}, 2, "--grid"},
        {{"build", "out.dc6", picture, "--grid", "0x4"}, 2, "0x4"},
        {{"build", "out.dc6", picture, "--grid", "4x4+1"}, 2, "4x4+1"},
        {{"build", "out.dc6", picture, "--grid", "400x4"}, 1, "cannot be laid"},
        {{"info", "a.dc6", "--dither"}, 2, "--dither"},
        {{"info", "junk.dc6"}, 1, "junk.dc6"},
        {{"info", "junk.dc6"}, 1, "junk.dc6: This is not a DC6 file. (file header cut short"},
        {{"info", "missing.dc6"}, 1, "missing.dc6"},
        {{"build", "out.dc6", "missing.gif"}, 1, "missing.gif"},
        {{"build", "out.dc6", "junk.dc6"}, 1, "junk.dc6"},
        {{"build", "out.dc6", picture, "--palette", "short.pal"}, 1, "short.pal"},
        {{"build", "blocker/out.dc6", picture}, 1, "blocker/out.dc6"},
        {{"export", "junk.dc6", "x"}, 1, "junk.dc6"},
        {{"export", "junk.dc6", "x", "--format", "gif"}, 2, "gif"},
        {{"export", "junk.dc6", "x", "--sheet", "0"}, 2, "--sheet"},
        {{"export", "junk.dc6", "x", "--sheet", "2", "--gif"}, 2, "--gif"},
        {{"export", "junk.dc6", "x", "--sheet", "2", "--format", "png"}, 2, "--format"},
        {{"export", "junk.dc6", "x", "--fps", "30"}, 2, "--fps"},
        {{"export", "junk.dc6", "x", "--gif", "--fps", "61"}, 2, "61"},
        {{"export", "junk.dc6", "x", "--gif"}, 1, "junk.dc6"},
        {{"export", "s.dc6", "x", "--data"}, 2, "--data"},
        {{"export", "s.dc6", "x", "--sheet", "2", "--sheet-by-direction"},
         2,
         "--sheet-by-direction"},
        {{"export", "s.dc6", "x", "--sheet", "2", "--data-format", "json-hash"},
         2,
         "--data-format"},
        {{"build", "out.dc6", "bad.json"}, 1, "bad.json: frames holds no frame"},
        {{"build", "out.dc6", "nopic.json"}, 1, "gone.png"},
        {{"edit", "s.dc6", "--frames", "4", "--flip", "h"}, 2, "4"},
        {{"edit", "s.dc6", "--frames", "2-1", "--flip", "h"}, 2, "2-1"},
        {{"edit", "s.dc6", "--frames", "1,,2", "--flip", "h"}, 2, "1,,2"},
        {{"edit", "s.dc6", "--flip", "x"}, 2, "--flip"},
        {{"edit", "s.dc6", "--replace-index", "1,256"}, 2, "1,256"},
        {{"edit", "s.dc6", "--shift-offset", "1"}, 2, "--shift-offset"},
        {{"edit", "s.dc6", "--flip", "h", "--flip", "v"}, 2, "exactly one"},
        {{"edit", "s.dc6", "-o", "out.dc6"}, 2, "exactly one"},
        {{"edit", "s.dc6", "--shift-offset", "1,0", "-o", "out.dc6"}, 1, "frame 3"},
        {{"edit", "junk.dc6", "--flip", "h"}, 1, "junk.dc6"},
        {{"edit", "s.dc6", "--remap", "3-9"}, 2, "3-9"},
        {{"edit", "s.dc6", "--remap", "3-9:250-256"}, 2, "3-9:250-256"},
        {{"edit", "s.dc6", "--remap", "3--9:1"}, 2, "3--9:1"},
        {{"edit", "s.dc6", "--canvas", "1,2,3"}, 2, "1,2,3"},
        {{"edit", "s.dc6", "--canvas", "0,32767,0,0", "-o", "out.dc6"}, 1, "frame 1"},
        {{"edit", "s.dc6", "--trim", "--grid", "4x4"}, 2, "--grid"},
        {{"build", "out.dc6", picture, "--protect", "0-3"}, 2, "index 0"},
        {{"build", "out.dc6", picture, "--protect", "7,,9"}, 2, "7,,9"},
        {{"build", "out.dc6", picture, "--protect", "255-1"}, 1, "p.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliResult run = cli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.startsWith("quillet-cli: ")) << run.err.toStdString();
        EXPECT_EQ(run.err.section('\n', 0, 0).count(c.named), 1) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("out.dc6")));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 7);
    EXPECT_EQ(read("s.dc6"), sprite);

    const CliResult version = cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quillet-cli 2.1.0\n");
}

// The README's command-line table lists what the help of every command lists.
TEST_F(CliTest, ReadmeListsTheOptionsOfEveryCommand) {
    QFile file(QStringLiteral(QUILLET_README));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(file.readAll());
    const auto found = [](const char* pattern, const QString& text) {
        QStringList names;
        for (const auto& m :
             QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(text))
            names << m.captured(1);
        names.sort();
        return names;
    };
    const CliResult overview = cli({"--help"});
    ASSERT_EQ(overview.exitCode, 0);
    for (const QString& command :
         QStringList{""} + found("^  ([a-z]+) ", overview.out.section("Arguments:", 1))) {
        SCOPED_TRACE(command.toStdString());
        const QString name = ("quillet-cli " + command).trimmed();
        const CliResult help = cli(name.split(' ').mid(1) << "--help");
        ASSERT_EQ(help.exitCode, 0);
        const qsizetype row = readme.indexOf("| `" + name + "` |");
        ASSERT_GE(row, 0);
        const QString cells = readme.mid(row, readme.indexOf('\n', row) - row).section('|', 2);
        EXPECT_EQ(found("(--[a-z][a-z-]*)", cells).join(' ').toStdString(),
                  found("^  (?:-\\w, )?(--[\\w-]+)", help.out).join(' ').toStdString());
    }
}

} // namespace
} // namespace quillet
