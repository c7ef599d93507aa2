#include "document/Document.h"
#include "document/RecoveryFile.h"
#include "document/RecoveryKeeper.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"
#include "support/AllocationProbe.h"
#include "support/SpriteTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

namespace quillet::document {
namespace {

using testing::hex;
using testing::operator+;

const QDateTime kKept = QDateTime::fromMSecsSinceEpoch(1767225600123, Qt::UTC);
const Palette kPalette = testing::rampPalette(3);

// Frames of many shapes, offsets at the extremes, palettes of their own.
std::vector<DC6Frame> shapes(int count, std::uint32_t seed, int maxWidth = 300) {
    std::mt19937 random(seed);
    const std::int32_t extremes[] = {INT32_MIN, -1, 0, 7, INT32_MAX};
    std::vector<DC6Frame> frames;
    for (int i = 0; i < count; ++i) {
        const int width = 1 + static_cast<int>(random() % maxWidth);
        const int height = 1 + static_cast<int>(random() % 5);
        Bytes pixels(static_cast<std::size_t>(width * height));
        for (auto& pixel : pixels)
            pixel = static_cast<std::uint8_t>(random());
        DC6Frame frame = *testing::makeFrame(width, height, pixels, extremes[random() % 5],
                                             extremes[random() % 5]);
        frame.seOriginalPalette(testing::rampPalette(i));
        frame.setNewPalette(testing::rampPalette(7 * i + 1));
        frames.push_back(frame);
    }
    return frames;
}

// Every field of every frame and of the document.
auto fieldsOf(const DocumentSnapshot& document) {
    std::vector<std::tuple<int, int, int, int, Bytes, Palette, Palette>> frames;
    for (const DC6Frame& f : document.frames)
        frames.emplace_back(f.get_X_size(), f.get_Y_size(), f.get_X_offset(), f.get_Y_offset(),
                            f.getPixelData(0), f.getOrigPalette(), f.getNewPalette());
    return std::tuple(frames, document.directions, document.curFrame, document.palette,
                      document.transform, document.fileName.toStdString());
}

FrameList someFrames(int count) {
    FrameList frames;
    for (const DC6Frame& frame : shapes(count, 7))
        frames.push_back(std::make_shared<DC6Frame>(frame));
    return frames;
}

TEST(RecoveryCopy, KeepsEveryFieldExactly) {
    const struct {
        const char* what;
        DocumentSnapshot document;
    } cases[] = {
        {"empty and untitled", {}},
        {"one frame", {shapes(1, 1), 1, 1, kPalette, true, "/tmp/a.dc6"}},
        {"many shapes in 32 directions", {shapes(64, 2), 32, 17, kPalette, false, "walk.dc6"}},
        {"a side at the limit", {shapes(1, 3, 32767), 1, 0, kPalette, true, {}}},
        {"a name beyond ASCII",
         {shapes(3, 4), 3, 3, kPalette, true, QStringLiteral("/m\u00f8d/\u8d70")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = encodeRecoveryCopy(c.document, kKept);
        const RecoveryCopy copy = decodeRecoveryCopy(bytes);
        EXPECT_EQ(fieldsOf(copy.document), fieldsOf(c.document));
        EXPECT_EQ(copy.kept, kKept);
        EXPECT_EQ(encodeRecoveryCopy(copy.document, copy.kept), bytes);
    }

    // A snapshot stays as it was taken while the document goes on changing.
    Document doc;
    doc.replace(someFrames(3), "walk.dc6", 1);
    const DocumentSnapshot taken = doc.snapshot();
    const Bytes before = encodeRecoveryCopy(taken, kKept);
    doc.setOffset(1, Axis::X, 99);
    doc.applyPalette(testing::rampPalette(40));
    doc.replaceFrame(2, *testing::makeFrame(1, 1, {9}), "Edit");
    doc.setTransform(false);
    EXPECT_EQ(encodeRecoveryCopy(taken, kKept), before);
}

TEST(RecoveryCopy, DamagedCopiesAreRefusedBeforeAllocating) {
    const Bytes good =
        encodeRecoveryCopy(DocumentSnapshot{shapes(2, 6), 1, 1, kPalette, true, "a.dc6"}, kKept);
    const auto patched = [&](std::size_t at, const Bytes& with) {
        Bytes bytes = good;
        std::copy(with.begin(), with.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return bytes;
    };
    const std::size_t firstFrame = 48 + 5 + 768;
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"not a copy", patched(0, hex("51 55 49 4C 4C 45 54 52 45 43 4F 56 45 52 59 0D"))},
        {"another version", patched(16, longToStr(2))},
        {"unknown flags", patched(28, longToStr(3))},
        {"no directions", patched(32, longToStr(0))},
        {"current frame past the end", patched(36, longToStr(3))},
        {"more frames than the limit", patched(40, longToStr(32768))},
        {"more frames than the bytes hold", patched(40, longToStr(32767))},
        {"a name longer than the copy", patched(44, longToStr(60000))},
        {"a name over the limit", patched(44, longToStr(65537))},
        {"a name that is no UTF-8", patched(48, hex("FF"))},
        {"a frame over the limit", patched(firstFrame, longToStr(40000))},
        {"a pixel changed", patched(good.size() - 33, hex("00"))},
        {"the checksum changed", patched(good.size() - 1, hex("00"))},
        {"a byte more", good + hex("00")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::AllocationProbe probe;
        EXPECT_THROW(decodeRecoveryCopy(c.bytes), QuilletError);
        EXPECT_LT(probe.requested(), std::size_t{1} << 20);
    }
    for (std::size_t length = 0; length < good.size(); ++length)
        EXPECT_THROW(decodeRecoveryCopy(ByteView(good).first(length)), QuilletError) << length;
}

// A copy a pause after editing stops, at the latest 10 s after the first
// change no copy holds; none for a clean document. Steps are a clock time in
// milliseconds and what happens then: e(dit), t(imer fires), s(ave), u(ndo),
// x (Transform palette toggled).
TEST(RecoveryKeeper, KeepsACopyAPauseAfterEditingAtTheLatestTenSecondsAfter) {
    const struct {
        const char* what;
        const char* steps;
        qint64 due;
        bool copy;
    } cases[] = {
        {"nothing changed", "", -1, false},
        {"one edit", "100e", 2100, false},
        {"editing on moves it back", "0e 1500e 3000e", 5000, false},
        {"steady: 10 s after the start", "0e 1500e 3000e 4500e 6000e 7500e 9000e", 10000, false},
        {"not due yet", "0e 1999t", 2000, false},
        {"kept when due", "0e 2000t", -1, true},
        {"the next change waits again", "0e 2000t 2500e", 4500, true},
        {"steady editing goes on", "0e 3000e 6000e 9000e 10000t 10500e 11500e", 13500, true},
        {"saved: the copy goes", "0e 2000t 2100s", -1, false},
        {"undone to the saved state: the copy goes", "0e 2000t 2100u", -1, false},
        {"Transform palette toggled", "0x 2000t", -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        qint64 now = 0;
        Document doc;
        doc.replace(someFrames(2), "walk.dc6", 1);
        RecoveryKeeper keeper(doc, folder.path(), [&now] { return now; });
        int offset = 0;
        Bytes kept;
        const std::map<char, std::function<void()>> act = {
            {'e', [&] { doc.setOffset(1, Axis::X, ++offset); }}, {'t', [&] { keeper.keepIfDue(); }},
            {'s', [&] { doc.markSaved("walk.dc6"); }},           {'u', [&] { doc.undo(); }},
            {'x', [&] { doc.setTransform(!doc.transform()); }},
        };
        std::istringstream steps(c.steps);
        char what = 0;
        while (steps >> now >> what) {
            act.at(what)();
            if (what == 't')
                kept = encodeRecoveryCopy(doc.snapshot(), kKept);
        }
        keeper.waitForWrites();
        EXPECT_EQ(keeper.dueAt(), c.due);
        ASSERT_EQ(QFile::exists(keeper.copyPath()), c.copy);
        if (c.copy) {
            const Bytes copy = readWholeFile(keeper.copyPath().toStdString());
            EXPECT_EQ(encodeRecoveryCopy(decodeRecoveryCopy(copy).document, kKept), kept);
        }
    }
}

// Two editors at once never offer each other's copies; a copy whose owner is
// gone is offered once, restored or discarded; a damaged one is reported once
// and set aside.
TEST(RecoveryKeeper, SessionsOwnTheirCopies) {
    QTemporaryDir folder;
    Document first, second, third;
    auto firstKeeper = std::make_unique<RecoveryKeeper>(first, folder.path());
    RecoveryKeeper secondKeeper(second, folder.path());
    first.replace(someFrames(4), "first.dc6", 1);
    second.replace(someFrames(3), "second.dc6", 1);
    first.removeFrames({1});
    second.removeFrames({1});
    firstKeeper->flush();
    secondKeeper.flush();
    EXPECT_TRUE(secondKeeper.orphans().offers.empty());

    // A run that ends without saving leaves its copy, with what it held last.
    first.setOffset(1, Axis::Y, -8);
    const DocumentSnapshot last = first.snapshot();
    firstKeeper.reset();
    QFile::copy(secondKeeper.copyPath(), folder.filePath("dead-copy.recovery"));
    writeFileSafely(folder.filePath("dead-damaged.recovery").toStdString(), hex("01 02 03"));
    writeFileSafely(folder.filePath(".dead-damaged.recovery.1234abcd.tmp").toStdString(), {});

    RecoveryListing listing = secondKeeper.orphans();
    ASSERT_EQ(listing.offers.size(), 2u);
    ASSERT_EQ(listing.damaged.size(), 1);
    const bool firstIsFirst = listing.offers[0].fileName() == "first.dc6";
    RecoveryOffer& lostWork = listing.offers[firstIsFirst ? 0 : 1];
    RecoveryOffer& unwanted = listing.offers[firstIsFirst ? 1 : 0];
    EXPECT_EQ(lostWork.frameCount(), 3);

    // Held by this listing: a third editor starting now does not see them.
    RecoveryKeeper thirdKeeper(third, folder.path());
    EXPECT_TRUE(thirdKeeper.orphans().offers.empty());

    thirdKeeper.restore(lostWork);
    EXPECT_EQ(fieldsOf(third.snapshot()), fieldsOf(last));
    EXPECT_TRUE(third.isModified());
    secondKeeper.discard(unwanted);
    EXPECT_TRUE(secondKeeper.orphans().offers.empty());
    // Left: the running sessions' copies and locks, the damaged copy set aside,
    // and no temporary of a cut-off write.
    const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left.size(), 5) << left.join(' ').toStdString();
    EXPECT_TRUE(left.contains(QFileInfo(thirdKeeper.copyPath()).fileName()));
    EXPECT_TRUE(left.contains("dead-damaged.recovery.damaged"));
}

} // namespace
} // namespace quillet::document
