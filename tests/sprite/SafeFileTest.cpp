#include "sprite/SafeFile.h"

#include "SpriteTestSupport.h"
#include "sprite/Error.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace quillet {
namespace {

namespace fs = std::filesystem;

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
}

// Data of three chunks: a failure before any of them leaves the old file and no temporary.
TEST_F(SafeFileTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string path = folder.file("a.dc6");
    writeFileSafely(path, Bytes{9, 9});
    const Bytes large(5u << 19, 0x5A);
    for (const std::size_t failAt : {std::size_t{0}, std::size_t{1} << 20, std::size_t{2} << 20}) {
        SCOPED_TRACE(failAt);
        setWriteFaultHook([failAt](std::size_t written) { return written < failAt; });
        try {
            writeFileSafely(path, large);
            ADD_FAILURE() << "the write succeeded";
        } catch (const QuilletError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_EQ(readWholeFile(path), (Bytes{9, 9}));
        EXPECT_EQ(folder.entryCount(), 1u);
    }
    setWriteFaultHook({});
    writeFileSafely(path, large);
    EXPECT_EQ(readWholeFile(path), large);
}

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
}

TEST_F(SafeFileTest, FailuresNameTheFile) {
    const std::string big = folder.file("big.pal");
    writeFileSafely(big, Bytes(769, 1));
    EXPECT_EQ(readWholeFile(big, 769).size(), 769u);

    const std::pair<std::string, std::function<void()>> cases[] = {
        {"no/such/folder", [&] { writeFileSafely(folder.file("no/such/folder/a.dc6"), {}); }},
        {"missing.pal", [&] { readWholeFile(folder.file("missing.pal")); }},
        {"big.pal", [&] { readWholeFile(big, 768); }},
    };
    for (const auto& [name, call] : cases) {
        try {
            call();
            ADD_FAILURE() << name << " did not fail";
        } catch (const QuilletError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace quillet
