#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"
#include "sprite/SafeFile.h"
#include "support/AllocationProbe.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace quillet {
namespace {

using testing::hex;
using testing::makeFrame;
using testing::operator+;

const Bytes kFileHeaderOneFrame =
    hex("06 00 00 00 01 00 00 00 00 00 00 00 EE EE EE EE 01 00 00 00 01 00 00 00");

TEST(DC6FileIO, WritesAndReadsKnownFilesByteExact) {
    const struct {
        const char* name;
        FrameList frames;
        Bytes file;
    } cases[] = {
        {"one 1 x 1 frame",
         {makeFrame(1, 1, {5})},
         kFileHeaderOneFrame + hex("1C 00 00 00") +
             hex("00 00 00 00 01 00 00 00 01 00 00 00 00 00 00 00 "
                 "00 00 00 00 00 00 00 00 42 00 00 00 03 00 00 00") +
             hex("01 05 80 EE EE EE")},
        {"two frames, negative offset",
         {makeFrame(1, 1, {5}), makeFrame(2, 1, {0, 9}, -3)},
         hex("06 00 00 00 01 00 00 00 00 00 00 00 EE EE EE EE 01 00 00 00 02 00 00 00") +
             hex("20 00 00 00 46 00 00 00") +
             hex("00 00 00 00 01 00 00 00 01 00 00 00 00 00 00 00 "
                 "00 00 00 00 00 00 00 00 46 00 00 00 03 00 00 00 01 05 80 EE EE EE") +
             hex("00 00 00 00 02 00 00 00 01 00 00 00 FD FF FF FF "
                 "00 00 00 00 00 00 00 00 6D 00 00 00 04 00 00 00 81 01 09 80 EE EE EE")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DC6FileIO::encodeDC6(c.frames, 0), c.file);
        testing::expectSameFrames(DC6FileIO::decodeDC6(c.file), c.frames);
    }
}

FrameList randomFrames(std::mt19937& random, int count) {
    FrameList frames;
    const std::int32_t extremes[] = {INT32_MIN, -1, 0, INT32_MAX};
    for (int i = 0; i < count; ++i) {
        const int width = 1 + static_cast<int>(random() % 40);
        const int height = 1 + static_cast<int>(random() % 6);
        Bytes pixels(static_cast<std::size_t>(width * height));
        for (auto& p : pixels)
            p = random() % 2 ? 0 : static_cast<std::uint8_t>(random());
        frames.push_back(makeFrame(width, height, pixels, extremes[random() % 4],
                                   static_cast<std::int32_t>(random())));
    }
    return frames;
}

TEST(DC6FileIO, ThreeHundredFramesRoundTripWithChainedPointers) {
    std::mt19937 random(300);
    const FrameList frames = randomFrames(random, 300);
    const Bytes file = DC6FileIO::encodeDC6(frames, 0);

    EXPECT_EQ(strToLong(ByteView(file).subspan(20)), 300);
    std::int32_t expected = 24 + 4 * 300;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(strToLong(ByteView(file).subspan(24 + 4 * i)), expected);
        const ByteView header = ByteView(file).subspan(static_cast<std::size_t>(expected));
        expected += 32 + strToLong(header.subspan(28)) + 3;
        ASSERT_EQ(strToLong(header.subspan(24)), expected);
    }
    EXPECT_EQ(static_cast<std::size_t>(expected), file.size());
    testing::expectSameFrames(DC6FileIO::decodeDC6(file), frames);
}

TEST(DC6FileIO, HoldsEveryFrameCountUpToTheLimit) {
    const FrameList frames(limits::kMaxFrames, makeFrame(1, 1, {7}));
    EXPECT_EQ(DC6FileIO::decodeDC6(DC6FileIO::encodeDC6(frames, 0)).size(), frames.size());

    FrameList tooMany = frames;
    tooMany.push_back(frames.front());
    EXPECT_THROW(DC6FileIO::encodeDC6(tooMany, 0), QuilletError);
    EXPECT_THROW(DC6FileIO::encodeDC6({}, 0), QuilletError);
    EXPECT_THROW(DC6FileIO::encodeDC6({frames.front(), nullptr}, 0), QuilletError);
    EXPECT_THROW(DC6FileIO::encodeDC6({std::make_shared<DC6Frame>()}, 0), QuilletError);
}

// Every direction is read and written back in the same layout, byte for byte.
TEST(DC6FileIO, DirectionsRoundTripByteExact) {
    std::mt19937 random(32);
    const struct {
        int directions, perDirection;
    } cases[] = {{1, 3}, {2, 3}, {8, 2}, {32, 1}, {32, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.directions) + " x " + std::to_string(c.perDirection));
        const FrameList frames = randomFrames(random, c.directions * c.perDirection);
        const Bytes file = DC6FileIO::encodeDC6(frames, 0, {}, c.directions);
        EXPECT_EQ(strToLong(ByteView(file).subspan(16)), c.directions);
        EXPECT_EQ(strToLong(ByteView(file).subspan(20)), c.perDirection);
        EXPECT_EQ(strToLong(ByteView(file).subspan(24)), 24 + 4 * c.directions * c.perDirection);

        int directions = 0;
        bool ownLayout = false;
        const FrameList loaded = DC6FileIO::decodeDC6(file, &directions, {}, &ownLayout);
        EXPECT_EQ(directions, c.directions);
        EXPECT_TRUE(ownLayout);
        testing::expectSameFrames(loaded, frames);
        EXPECT_EQ(DC6FileIO::encodeDC6(loaded, 0, {}, directions), file);
    }
}

TEST(DC6FileIO, SaveRefusesDirectionsTheReaderWouldMisread) {
    const FrameList six(6, makeFrame(1, 1, {7}));
    for (const int directions : {0, -1, 4, 5, 7, 33}) {
        SCOPED_TRACE(directions);
        EXPECT_THROW(DC6FileIO::encodeDC6(six, 0, {}, directions), QuilletError);
    }
    const FrameList full(32 * 4, six[0]);
    EXPECT_THROW(DC6FileIO::encodeDC6(full, 0, {}, 33), QuilletError);
    EXPECT_NO_THROW(DC6FileIO::encodeDC6(full, 0, {}, 32));
}

// The version, flags, encoding and termination words are not read, a
// directions word of 0 or less reads as one direction, and every file is
// written back as this program always writes it. The reader tells such files
// from its own layout, down to the run coding, so a save can keep the original.
TEST(DC6FileIO, OtherLayoutsReadAsTheSameFramesAndAreToldApart) {
    const FrameList frames = {makeFrame(2, 1, {5, 6}, 0, 0)};
    const Bytes canonical = DC6FileIO::encodeDC6(frames, 0);
    const auto withStream = [](const char* stream, std::int32_t directions = 1) {
        const Bytes coded = hex(stream);
        const auto length = static_cast<std::int32_t>(coded.size());
        return hex("06 00 00 00 01 00 00 00 00 00 00 00 EE EE EE EE") + longToStr(directions) +
               longToStr(1) + longToStr(28) + hex("00 00 00 00 02 00 00 00 01 00 00 00") +
               Bytes(12, 0) + longToStr(28 + 32 + length + 3) + longToStr(length) + coded +
               hex("EE EE EE");
    };
    Bytes oddHeader = canonical;
    std::fill(oddHeader.begin(), oddHeader.begin() + 16, 0x99);
    const struct {
        const char* name;
        Bytes file;
        bool ownLayout;
    } cases[] = {
        {"as written", withStream("02 05 06 80"), true},
        {"other header words", oddHeader, false},
        {"bytes after the last block", canonical + hex("01 7F 00 81"), false},
        {"directions word 0", withStream("02 05 06 80", 0), false},
        {"directions word -2", withStream("02 05 06 80", -2), false},
        {"other run coding", withStream("01 05 01 06 80"), false},
        {"a row end coded twice", withStream("02 05 06 80 80"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int directions = 0;
        bool ownLayout = !c.ownLayout;
        const FrameList loaded = DC6FileIO::decodeDC6(c.file, &directions, {}, &ownLayout);
        testing::expectSameFrames(loaded, frames);
        EXPECT_EQ(directions, 1);
        EXPECT_EQ(ownLayout, c.ownLayout);
        EXPECT_EQ(DC6FileIO::encodeDC6(loaded, 0, {}, directions), canonical);
    }
}

TEST(DC6FileIO, RefusesDamagedHeadersAndPointerTables) {
    const FrameList frames = {makeFrame(2, 1, {1, 2}), makeFrame(1, 1, {3})};
    const Bytes good = DC6FileIO::encodeDC6(frames, 0); // pointers 32 and 71, 109 bytes
    const auto patched = [&](std::size_t at, std::int32_t value) {
        Bytes file = good;
        const Bytes word = longToStr(value);
        std::copy(word.begin(), word.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        return file;
    };
    const auto withVersion = [](Bytes file, std::uint8_t version) {
        file[0] = version;
        return file;
    };
    // No DC6 file at all says so first; a damaged one gives its reason alone.
    const struct {
        const char* name;
        Bytes file;
        const char* says = nullptr; // the message's start, when it is no DC6 file
    } cases[] = {
        {"a PNG", hex("89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 49 48 44 52 00 00 01 00 00 00 00 80"),
         "This is a PNG picture, not a DC6 file. (direction count 65536 exceeds"},
        {"a GIF", hex("47 49 46 38 39 61") + Bytes(30, 0),
         "This is a GIF picture, not a DC6 file. (frames per direction 0"},
        {"a BMP", hex("42 4D") + Bytes(30, 0), "This is a BMP picture, not a DC6 file. ("},
        {"a JPEG", hex("FF D8 FF E0") + Bytes(30, 0), "This is a JPEG picture, not a DC6 file. ("},
        {"short text", hex("6E 6F 74 20 61 20 73 70 72 69 74 65"),
         "This is not a DC6 file. (file header cut short: 12 of 24 bytes)"},
        {"another version and no frames", withVersion(patched(20, 0), 7),
         "This is not a DC6 file. (frames per direction 0"},
        {"another version, damaged", withVersion(patched(28, 110), 7)},
        {"header cut short", Bytes(good.begin(), good.begin() + 23)},
        {"no frames", patched(20, 0)},
        {"negative count", patched(20, -1)},
        {"count above the limit", patched(20, limits::kMaxFrames + 1)},
        {"directions above the limit", patched(16, limits::kMaxDirections + 1)},
        {"directions x frames above the limit",
         [&] {
             Bytes file = patched(16, 2);
             const Bytes half = longToStr(limits::kMaxFrames / 2 + 1);
             std::copy(half.begin(), half.end(), file.begin() + 20);
             return file;
         }()},
        {"pointer table cut short", patched(20, 30)},
        {"directions' pointer table longer than the file", patched(16, 32)},
        {"directions' pointers reach into the blocks", patched(16, 2)},
        {"pointer into the header", patched(24, 20)},
        {"negative pointer", patched(24, -32)},
        {"pointers not increasing", patched(28, 32)},
        {"pointers out of order", patched(24, 80)},
        {"pointer beyond the end", patched(28, 110)},
        {"empty last block", patched(28, 109)},
        {"frame that cannot decode", patched(32 + 4, 0)},
        {"frames beyond the file pixel budget",
         [] {
             Bytes file =
                 hex("06 00 00 00 01 00 00 00 00 00 00 00 EE EE EE EE 01 00 00 00") + longToStr(17);
             const Bytes block = hex("00 00 00 00 00 10 00 00 00 10 00 00") + Bytes(20, 0);
             for (int i = 0; i < 17; ++i)
                 file = file + longToStr(24 + 17 * 4 + 32 * i);
             for (int i = 0; i < 17; ++i)
                 file = file + block;
             return file;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DC6FileIO::decodeDC6(c.file);
            ADD_FAILURE() << "read";
        } catch (const QuilletError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.starts_with(c.says ? c.says : "This is"), c.says != nullptr)
                << message;
        }
    }
}

// Small files that declare huge frames or counts are refused from their
// headers: nothing near the declared sizes is ever allocated.
TEST(DC6FileIO, HostileDeclarationsAllocateAlmostNothing) {
    const auto file = [](std::int32_t count, std::int32_t width, std::int32_t height,
                         std::int32_t directions = 1, std::size_t size = 1024) {
        Bytes f = hex("06 00 00 00 01 00 00 00 00 00 00 00 EE EE EE EE") + longToStr(directions) +
                  longToStr(count) + longToStr(28) + hex("00 00 00 00") + longToStr(width) +
                  longToStr(height);
        f.resize(size, 0x80);
        return f;
    };
    const Bytes cases[] = {
        file(1, 0x7FFFFFFF, 0x7FFFFFFF), file(1, 40000, 40000),       file(1, 4096, 4097),
        file(0x7FFFFFFF, 16, 16),        file(32767, 16, 16, 32, 60), file(1023, 16, 16, 32, 60),
        file(1, 16, 16, 0x7FFFFFFF, 60),
    };
    for (const Bytes& f : cases) {
        testing::AllocationProbe probe;
        EXPECT_THROW(DC6FileIO::decodeDC6(f), QuilletError);
        EXPECT_LT(probe.requested(), std::size_t{1} << 20);
    }
}

// Every truncation and random damage either decodes or fails cleanly; the
// sanitizers catch any access out of bounds.
TEST(DC6FileIO, TruncatedAndCorruptedFilesNeverCrash) {
    std::mt19937 random(13);
    const Bytes good = DC6FileIO::encodeDC6(randomFrames(random, 3), 0);
    for (std::size_t length = 0; length <= good.size(); ++length) {
        try {
            DC6FileIO::decodeDC6(ByteView(good).first(length));
        } catch (const QuilletError&) {
        }
    }
    for (int i = 0; i < 2000; ++i) {
        Bytes file = good;
        for (int k = 0; k < 3; ++k)
            file[random() % file.size()] = static_cast<std::uint8_t>(random());
        try {
            for (const auto& frame : DC6FileIO::decodeDC6(file))
                ASSERT_EQ(frame->getPixelData(0).size(),
                          static_cast<std::size_t>(frame->get_X_size() * frame->get_Y_size()));
        } catch (const QuilletError&) {
        }
    }
}

TEST(DC6FileIO, SaveReportsProgressAndSurvivesTheListChanging) {
    std::mt19937 random(4);
    FrameList document = randomFrames(random, 5);
    const FrameList original = document;
    std::vector<std::pair<int, int>> calls;
    const Bytes file = DC6FileIO::encodeDC6(document, 0, [&](int done, int total) {
        calls.emplace_back(done, total);
        document.clear(); // what a command run from the event loop might do
    });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    testing::expectSameFrames(DC6FileIO::decodeDC6(file), original);
}

TEST(DC6FileIO, LoadReportsEachFrameAndStopsWhenCancelled) {
    std::mt19937 random(5);
    const Bytes file = DC6FileIO::encodeDC6(randomFrames(random, 4), 0);
    for (const int stopAt : {0, 1, 4}) {
        SCOPED_TRACE(stopAt);
        std::vector<std::pair<std::int64_t, std::int64_t>> calls;
        const auto load = [&] {
            return DC6FileIO::decodeDC6(file, nullptr, [&](std::int64_t done, std::int64_t total) {
                calls.emplace_back(done, total);
                return done != stopAt;
            });
        };
        if (stopAt == 0) {
            EXPECT_EQ(load().size(), 4u);
        } else {
            EXPECT_THROW(load(), WorkCancelled);
        }
        EXPECT_EQ(calls.size(), stopAt == 0 ? 4u : static_cast<std::size_t>(stopAt));
        EXPECT_EQ(calls.back().second, 4);
    }
}

TEST(DC6FileIO, SaveAndLoadThroughTheFileSystem) {
    testing::TempFolder folder;
    const std::string path = folder.file("walk.dc6");
    std::mt19937 random(8);
    const FrameList frames = randomFrames(random, 4);
    DC6FileIO io;
    io.SaveDC6(path, frames, 0);
    testing::expectSameFrames(io.LoadDC6(path), frames);

    // A frame that cannot be coded or a failing write leaves the old file intact.
    const Bytes before = readWholeFile(path);
    EXPECT_THROW(io.SaveDC6(path, {frames[0], std::make_shared<DC6Frame>()}, 0), QuilletError);
    setWriteFaultHook([](std::size_t, std::size_t) { return std::size_t{0}; });
    EXPECT_THROW(io.SaveDC6(path, frames, 0), QuilletError);
    setWriteFaultHook({});
    EXPECT_EQ(readWholeFile(path), before);
    EXPECT_EQ(folder.entryCount(), 1u);

    int directions = 0;
    io.SaveDC6(path, frames, 0, {}, 2);
    testing::expectSameFrames(io.LoadDC6(path, &directions), frames);
    EXPECT_EQ(directions, 2);

    // The caller names the file; the message gives only the reason.
    try {
        io.LoadDC6(folder.file("missing.dc6"), &directions);
        ADD_FAILURE() << "a missing file loaded";
    } catch (const QuilletError& e) {
        EXPECT_EQ(std::string(e.what()).find("missing.dc6"), std::string::npos) << e.what();
    }
    EXPECT_EQ(directions, 2);
}

} // namespace
} // namespace quillet
