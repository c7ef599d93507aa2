#include "document/ExternalFileWatch.h"

#include "platform/ExternalEditor.h"
#include "sprite/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace quillet::document {
namespace {

constexpr int WaitMs = 20000; // generous: the machine running the tests may be busy
constexpr quint64 Sentinel = 999;

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ExternalFileWatchTest : public ::testing::Test {
protected:
    void SetUp() override { startEdit(Sentinel); }

    QString startEdit(quint64 key, int frameNumber = 1) {
        QString error;
        EXPECT_TRUE(edits.start(
            key, frameNumber, [&](const QString& path) { writeFile(path, "frame"); }, &error))
            << error.toStdString();
        return edits.path(key);
    }

    int announced(quint64 key) const {
        int n = 0;
        for (const QList<QVariant>& signal : saved)
            n += signal.at(0).toULongLong() == key;
        return n;
    }

    // Returns once every change made so far has been looked at: the files are
    // checked together, so a change of the sentinel's file is announced only
    // by a check that also saw everything written before it.
    void settle() {
        writeFile(edits.path(Sentinel), QByteArray::number(++m_rounds));
        ASSERT_TRUE(QTest::qWaitFor([&] { return announced(Sentinel) == m_rounds; }, WaitMs));
    }

    // The editor is started as the program starts it.
    ExternalFileWatch edits{[this](const QString& path, QString* error) {
        launched << path;
        if (launchFails) {
            *error = "no editor";
            return false;
        }
        return command.isEmpty() || platform::openInExternalEditor(command, path, error);
    }};
    QSignalSpy saved{&edits, &ExternalFileWatch::pictureSaved};
    QStringList launched;
    QString command; // empty: the launcher only records
    bool launchFails = false;

private:
    int m_rounds = 0;
};

// Each step opens the frame again in the scripted editor, which adds a mark
// and saves: every save is announced once, whichever way it was written.
TEST_F(ExternalFileWatchTest, EverySaveOfTheEditorIsAnnouncedOnce) {
    const struct {
        const char* name;
        std::vector<const char*> saves;
    } cases[] = {
        {"in place, written twice", {"inplace"}},
        {"by rename", {"rename"}},
        {"in place after a rename", {"rename", "inplace", "inplace"}},
        {"rename after rename", {"rename", "rename"}},
    };
    quint64 key = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = startEdit(++key);
        QByteArray expected = "frame";
        for (const char* mode : c.saves) {
            const QString mark = QString::number(expected.size());
            expected += mark.toLatin1();
            command = QStringLiteral("sh \"%1\" %2 %f %3").arg(QUILLET_FAKE_EDITOR, mode, mark);
            QString error;
            ASSERT_TRUE(edits.start(
                key, 1, [](const QString&) { FAIL() << "a frame already out is not rewritten"; },
                &error))
                << error.toStdString();
            EXPECT_EQ(launched.last(), path);
            const int before = announced(key);
            ASSERT_TRUE(QTest::qWaitFor([&] { return announced(key) > before; }, WaitMs));
            EXPECT_EQ(saved.last().at(1).toString(), path);
            EXPECT_EQ(readFile(path), expected);
        }
        settle();
        EXPECT_EQ(announced(key), static_cast<int>(c.saves.size()));
        command.clear();
    }
}

// The reader cannot use a save that is still being written; that content is
// offered again on the next change, and the frame only takes a whole picture.
TEST_F(ExternalFileWatchTest, HalfWrittenSaveIsRetriedUntilComplete) {
    const QString path = startEdit(1);
    QByteArrayList taken;
    QObject::connect(&edits, &ExternalFileWatch::pictureSaved,
                     [&](quint64 key, const QString& file) {
                         if (key != 1)
                             return;
                         const QByteArray content = readFile(file);
                         if (content.endsWith("END"))
                             taken << content;
                         else
                             edits.retryLater(key);
                     });
    const struct {
        QByteArray content;
        int announced;
    } steps[] = {
        {"fra", 1},      // half written
        {"fra", 2},      // touched again: retried, since it was not usable
        {"frameEND", 3}, // complete
        {"frameEND", 3}, // the same picture again is no news
        {"", 3},         // truncated for the next save
        {"frameEND", 3},
    };
    for (const auto& step : steps) {
        writeFile(path, step.content);
        settle();
        EXPECT_EQ(announced(1), step.announced) << step.content.constData();
    }
    EXPECT_EQ(taken, QByteArrayList{"frameEND"});
}

TEST_F(ExternalFileWatchTest, StoppedFrameIsNoLongerWatchedAndItsFileIsGone) {
    const QString first = startEdit(1, 3);
    const QString second = startEdit(2, 3);
    EXPECT_EQ(QFileInfo(first).fileName(), "frame_003.png");
    EXPECT_NE(first, second);

    edits.stop(1);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(edits.isOut(1));
    writeFile(first, "saved after the frame was deleted");
    writeFile(second, "frame 2 drawn");
    settle();
    EXPECT_EQ(announced(1), 0);
    EXPECT_EQ(announced(2), 1);

    ASSERT_TRUE(edits.rekey(2, 7));
    EXPECT_FALSE(edits.rekey(7, Sentinel));
    writeFile(second, "frame 2 drawn again");
    settle();
    EXPECT_EQ(announced(7), 1);

    edits.stopAll();
    EXPECT_TRUE(edits.keys().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(second));
}

TEST_F(ExternalFileWatchTest, DestroyingRemovesTheFolder) {
    QString folder;
    {
        ExternalFileWatch other([](const QString&, QString*) { return true; });
        ASSERT_TRUE(other.start(
            1, 1, [](const QString& path) { writeFile(path, "x"); }, nullptr));
        folder = QFileInfo(other.path(1)).absolutePath();
        ASSERT_TRUE(QFileInfo::exists(folder));
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// At start-up a folder is removed only when the run that made it is gone,
// which its stale lock tells; held locks and folders without one stay.
TEST(ExternalFileWatchFolders, OnlyThoseOfRunsThatAreGoneAreRemoved) {
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    ExternalFileWatch running([](const QString&, QString*) { return true; });
    ASSERT_TRUE(running.start(
        1, 1, [](const QString& path) { writeFile(path, "x"); }, nullptr));
    qputenv("TMPDIR", oldTemp);
    const QString live = QFileInfo(running.path(1)).absolutePath();
    const QString lock = QDir(live).entryList({"*.lock"}, QDir::Files | QDir::Hidden).value(0);
    // A killed run's lock: the live one's, naming a process number no system gives.
    QByteArrayList lines = readFile(live + '/' + lock).split('\n');
    lines[0] = "2147483646";
    ASSERT_TRUE(QDir(temp.path()).mkpath("quillet-killed/frames"));
    writeFile(temp.filePath("quillet-killed/") + lock, lines.join('\n'));
    ASSERT_TRUE(QDir(temp.path()).mkpath("quillet-nolock"));
    const struct {
        QString folder;
        bool stays;
    } rows[] = {{live, true},
                {temp.filePath("quillet-killed"), false},
                {temp.filePath("quillet-nolock"), true}};
    ExternalFileWatch::removeLeftFolders(temp.path());
    for (const auto& row : rows)
        EXPECT_EQ(QFileInfo::exists(row.folder), row.stays) << row.folder.toStdString();
}

// A frame that could not be written or shown leaves nothing behind.
TEST_F(ExternalFileWatchTest, FailedStartLeavesNothingOut) {
    const struct {
        const char* name;
        bool writerThrows;
        bool launchFails;
        const char* error;
    } cases[] = {
        {"picture not written", true, false, "disk full"},
        {"editor not started", false, true, "no editor"},
    };
    const QDir folder = QFileInfo(edits.path(Sentinel)).absoluteDir();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        launchFails = c.launchFails;
        QString error;
        EXPECT_FALSE(edits.start(
            1, 5,
            [&](const QString& path) {
                writeFile(path, "frame");
                if (c.writerThrows)
                    throw QuilletError("disk full");
            },
            &error));
        EXPECT_EQ(error.toStdString(), c.error);
        EXPECT_FALSE(edits.isOut(1));
        EXPECT_EQ(folder.entryList(QDir::Files).size(), 1) << "only the sentinel's file";
    }
}

} // namespace
} // namespace quillet::document
