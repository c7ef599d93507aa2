#include "sprite/SafeFile.h"

#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "support/SpriteTestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

#ifdef __unix__
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::repeat;

class SafeFileTest : public ::testing::Test {
protected:
    void TearDown() override { setWriteFaultHook({}); }

    testing::TempFolder folder;
};

TEST_F(SafeFileTest, WritesReplacesAndReadsBack) {
    const std::string path = folder.file("a.dc6");
    writeFileSafely(path, Bytes{1, 2, 3});
    EXPECT_EQ(readWholeFile(path), (Bytes{1, 2, 3}));
    writeFileSafely(path, Bytes{});
    EXPECT_EQ(readWholeFile(path), Bytes{});
    EXPECT_EQ(folder.entryCount(), 1u);

    // A backup is made once: a file already there always stays.
    EXPECT_FALSE(createFileSafely(path, Bytes{4}));
    EXPECT_EQ(readWholeFile(path), Bytes{});
    EXPECT_EQ(folder.entryCount(), 1u);
}

// A write that stops after any number of bytes leaves the old file byte for
// byte and no temporary: every cut of a small document, and 200 spread over a
// large one that is written in several chunks.
TEST_F(SafeFileTest, WriteCutAtAnyByteLeavesTheOldFile) {
    const std::string path = folder.file("a.dc6");
    const Bytes old{9, 9, 9};
    writeFileSafely(path, old);

    FrameList frames = {testing::makeFrame(3, 2, {1, 0, 2, 3, 0, 0}, -1, 5),
                        testing::makeFrame(130, 1, repeat(130, 7))};
    const Bytes small = DC6FileIO::encodeDC6(frames, 0);
    const Bytes large(3u << 20 | 12345, 0x5A);
    for (const Bytes* data : {&small, &large}) {
        const std::size_t step = data->size() < 1000 ? 1 : data->size() / 200;
        for (std::size_t cut = 0; cut < data->size(); cut += step) {
            setWriteFaultHook([cut](std::size_t written, std::size_t wanted) {
                return written >= cut ? 0 : std::min(wanted, cut - written);
            });
            EXPECT_THROW(writeFileSafely(path, *data), QuilletError) << cut;
            ASSERT_EQ(readWholeFile(path), old) << "cut after " << cut << " bytes";
            ASSERT_EQ(folder.entryCount(), 1u) << "cut after " << cut << " bytes";
        }
    }
    setWriteFaultHook({});
    writeFileSafely(path, large);
    EXPECT_EQ(readWholeFile(path), large);
}

// As root, folder permissions stop nothing; these fail for other reasons.
TEST_F(SafeFileTest, UnwritableTargetsFailWithoutDamage) {
    const std::string plain = folder.file("plain");
    writeFileSafely(plain, Bytes{1});
    fs::create_directory(folder.file("folder"));
    for (const std::string& target : {plain + "/a.dc6", folder.file("folder")}) {
        SCOPED_TRACE(target);
        EXPECT_THROW(writeFileSafely(target, Bytes{2}), QuilletError);
    }
    EXPECT_EQ(readWholeFile(plain), Bytes{1});
    EXPECT_TRUE(fs::is_directory(folder.file("folder")));
    EXPECT_EQ(folder.entryCount(), 2u);
}

#ifdef __unix__
// A full disk, made with a file-size limit in a child process.
TEST_F(SafeFileTest, FullDiskLeavesTheOldFile) {
    const std::string path = folder.file("a.dc6");
    writeFileSafely(path, Bytes(100, 1));
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            writeFileSafely(path, Bytes(1u << 20, 2));
        } catch (const QuilletError&) {
            _exit(0);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not report the full disk";
    EXPECT_EQ(readWholeFile(path), Bytes(100, 1));
    EXPECT_EQ(folder.entryCount(), 1u);
}
#endif

TEST_F(SafeFileTest, KeepsLinksAndAccessRights) {
    const std::string target = folder.file("target.dc6");
    const std::string link = folder.file("link.dc6");
    writeFileSafely(target, Bytes{1});
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);

    writeFileSafely(link, Bytes{2});
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readWholeFile(target), Bytes{2});
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A copy of a private file is private too.
    EXPECT_TRUE(createFileSafely(target + ".bak", Bytes{3}, target));
    EXPECT_EQ(fs::status(target + ".bak").permissions(), fs::status(target).permissions());
}

// The caller that shows a message names the file; the message gives the reason.
TEST_F(SafeFileTest, FailuresGiveTheReasonWithoutThePath) {
    const std::string big = folder.file("big.pal");
    writeFileSafely(big, Bytes(769, 1));
    EXPECT_EQ(readWholeFile(big, 769).size(), 769u);

    const std::pair<std::string, std::function<void()>> cases[] = {
        {"cannot create a temporary file",
         [&] { writeFileSafely(folder.file("no/such/folder/a.dc6"), {}); }},
        {"cannot open for reading", [&] { readWholeFile(folder.file("missing.pal")); }},
        {"exceeds the limit of 768 bytes", [&] { readWholeFile(big, 768); }},
    };
    for (const auto& [reason, call] : cases) {
        try {
            call();
            ADD_FAILURE() << reason << ": no failure";
        } catch (const QuilletError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(reason), std::string::npos) << message;
            EXPECT_EQ(message.find(folder.path().filename().string()), std::string::npos)
                << message;
        }
    }
}

} // namespace
} // namespace quillet
