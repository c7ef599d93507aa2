#include "document/Document.h"
#include "document/SaveDocument.h"
#include "sprite/DC6FileIO.h"
#include "sprite/SafeFile.h"
#include "support/AllocationProbe.h"
#include "support/SpriteTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace quillet::document {
namespace {

using testing::operator+;

FrameList tinyFrames(int count) {
    FrameList frames;
    for (int i = 0; i < count; ++i) {
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(Bytes{static_cast<std::uint8_t>(i % 256)}, 1, 1);
        frames.push_back(std::move(frame));
    }
    return frames;
}

// Edits that cannot apply are no step at all: nothing to undo afterwards.
TEST(DocumentModel, EditsOutsideTheListAddNoStep) {
    const pixels::Rect below{0, 1, 1, 1};
    struct Case {
        const char* what;
        std::function<void(Document&)> edit;
    };
    const std::vector<Case> cases = {
        {"move first earlier", [](Document& d) { d.shiftFrames({1}, -1); }},
        {"move last later", [](Document& d) { d.shiftFrames({3}, +1); }},
        {"remove 0", [](Document& d) { d.removeFrames({0}); }},
        {"remove past the end", [](Document& d) { d.removeFrames({4}); }},
        {"duplicate 0", [](Document& d) { d.duplicateFrames({0}); }},
        {"same offset", [](Document& d) { d.setOffset(1, Axis::X, 0); }},
        {"insert nothing", [](Document& d) { d.insertFrames({}, 0, QStringLiteral("Add")); }},
        {"insert past the end", [](Document& d) { d.insertFrames(tinyFrames(1), 4, {}); }},
        {"insert beyond the limit", [](Document& d) { d.insertFrames(tinyFrames(32765), 0, {}); }},
        {"paint nothing", [](Document& d) { d.paintFrame(1, {}, Bytes(1), {}); }},
        {"paint off the frame", [&](Document& d) { d.paintFrame(1, below, Bytes(1), {}); }},
    };
    for (const Case& c : cases) {
        Document doc;
        doc.replace(tinyFrames(3), QString(), 1);
        c.edit(doc);
        EXPECT_FALSE(doc.canUndo()) << c.what;
        EXPECT_EQ(doc.frameCount(), 3) << c.what;
    }
}

TEST(DocumentModel, NothingIsUndoneWhileASaveRuns) {
    Document doc;
    doc.replace(tinyFrames(2), QString(), 1);
    doc.removeFrames({1});
    doc.setSaving(true);
    doc.undo();
    EXPECT_EQ(doc.frameCount(), 1);
    doc.setSaving(false);
    doc.undo();
    EXPECT_EQ(doc.frameCount(), 2);
}

// Frames that share a palette share its snapshot, so the step stays small on
// the largest document.
TEST(DocumentModel, APaletteStepOnTheLargestDocumentCostsLittle) {
    Document doc;
    doc.replace(tinyFrames(32767), QString(), 1);
    Palette chosen{};
    chosen[5] = 9;
    std::size_t requested = 0;
    {
        testing::AllocationProbe probe;
        doc.applyPalette(chosen);
        requested = probe.requested();
    }
    EXPECT_LT(requested, std::size_t{2} << 20);
    doc.undo();
    EXPECT_EQ(doc.frames()[32766]->getNewPalette(), Palette{});
}

// Modified follows what a save would write, and the direction change a save
// has to make is a step of its own that Undo and Redo take back and forth.
TEST(DocumentModel, ModifiedFollowsWhatASaveWouldWrite) {
    Document doc;
    std::vector<bool> heard;
    QObject::connect(&doc, &Document::modifiedChanged, [&](bool on) { heard.push_back(on); });
    const struct {
        const char* what;
        std::function<void()> act;
        int frames, directions;
        bool modified;
    } steps[] = {
        {"open 6 frames in 3 directions", [&] { doc.replace(tinyFrames(6), "w.dc6", 3); }, 6, 3,
         false},
        {"delete one", [&] { doc.removeFrames({6}); }, 5, 3, true},
        {"the save makes it one direction", [&] { doc.setSavedDirections(1); }, 5, 1, true},
        {"and writes", [&] { doc.markSaved("w.dc6"); }, 5, 1, false},
        {"undo", [&] { doc.undo(); }, 5, 3, true},
        {"undo", [&] { doc.undo(); }, 6, 3, true},
        {"redo", [&] { doc.redo(); }, 5, 3, true},
        {"redo", [&] { doc.redo(); }, 5, 1, false},
        {"Transform palette off", [&] { doc.setTransform(false); }, 5, 1, true},
        {"and on again", [&] { doc.setTransform(true); }, 5, 1, false},
        {"undo", [&] { doc.undo(); }, 5, 3, true},
        {"an edit there drops the saved state", [&] { doc.setOffset(1, Axis::Y, 2); }, 5, 3, true},
        {"which undo cannot reach again", [&] { doc.undo(); }, 5, 3, true},
        {"restored from a copy", [&] { doc.restore(doc.snapshot()); }, 5, 3, true},
        {"saved", [&] { doc.markSaved("w.dc6"); }, 5, 3, false},
        {"New", [&] { doc.clear(); }, 0, 1, false},
        {"Transform palette off with nothing to save", [&] { doc.setTransform(false); }, 0, 1,
         false},
    };
    std::size_t turns = 0;
    bool was = false;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(doc.frameCount(), step.frames);
        EXPECT_EQ(doc.directions(), step.directions);
        EXPECT_EQ(doc.isModified(), step.modified);
        turns += step.modified != was;
        was = step.modified;
        EXPECT_EQ(heard.size(), turns);
    }
}

// A save over a file this program did not write keeps it first, once, as NAME.bak.
TEST(DocumentModel, TheFirstSaveOverAFileWeDidNotWriteKeepsIt) {
    const Bytes ours = DC6FileIO::encodeDC6(tinyFrames(2), 0);
    const Bytes other = ours + testing::hex("80"); // a byte after the last block
    const Bytes junk = testing::hex("01 02");
    enum Known { Unknown, Opened, ChangedSinceOpened, SavedByUs };
    const struct {
        const char* what;
        std::optional<Bytes> file, bak;
        Known known;
        std::optional<Bytes> kept;
    } cases[] = {
        {"no file yet", {}, {}, Unknown, {}},
        {"written by us", ours, {}, Unknown, {}},
        {"another layout", other, {}, Unknown, other},
        {"not a DC6 file", junk, {}, Unknown, junk},
        {"an existing .bak stays", other, junk, Unknown, junk},
        {"opened in our layout", ours, {}, Opened, {}},
        {"opened in another layout", other, {}, Opened, other},
        {"rewritten by someone else since", ours, {}, ChangedSinceOpened, other},
        {"saved by us since", other, {}, SavedByUs, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("walk.dc6");
        const std::string native = path.toStdString();
        if (c.file)
            writeFileSafely(native, *c.file);
        if (c.bak)
            writeFileSafely(native + ".bak", *c.bak);
        Document doc;
        doc.replace(tinyFrames(1), path, 1);
        if (c.known != Unknown)
            doc.replace(DC6FileIO().LoadDC6(native), path, 1);
        if (c.known == ChangedSinceOpened)
            writeFileSafely(native, other);
        if (c.known == SavedByUs) {
            DC6FileIO().SaveDC6(native, doc.frames(), 0);
            doc.markSaved(path);
        }
        EXPECT_EQ(saveDocument(doc, path).isEmpty(), !c.kept || c.bak);
        // Never replaced by a later save.
        EXPECT_TRUE(saveDocument(doc, path).isEmpty());
        EXPECT_EQ(QFile::exists(path + ".bak") ? std::optional(readWholeFile(native + ".bak"))
                                               : std::nullopt,
                  c.kept);
    }
}

// The second frame, 4 x 3, stored pixels 10, 11, ..., is shown in rampPalette();
// the drawing sets its pixels (1, 1) and (2, 1) as the tools were shown them to 99.
TEST(DrawingStep, TakesTheChangedRectangleBackAndForthAndConvertsOnce) {
    const struct {
        const char* what;
        bool transform, converts;
        Palette original;
    } cases[] = {
        {"in the palette it is shown in", true, false, testing::rampPalette()},
        {"another palette, not transformed", false, false, testing::distinctPalette()},
        {"another palette, converted as a save writes it", true, true, testing::distinctPalette()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes stored = testing::hex("0A 0B 0C 0D 0E 0F 10 11 12 13 14 15");
        const FramePtr frame = testing::makeFrame(4, 3, stored);
        frame->seOriginalPalette(c.original);
        frame->setNewPalette(testing::rampPalette());
        Document doc;
        doc.setTransform(c.transform);
        doc.replace({testing::makeFrame(1, 1, {0}), frame}, QString(), 1);
        const std::shared_ptr<const Bytes> matrix = frame->sharedPixels();
        Bytes drawn = frame->getPixelData(doc.palTransform());
        drawn[5] = drawn[6] = 99;
        ASSERT_TRUE(doc.paintFrame(2, {1, 1, 2, 1}, drawn, QStringLiteral("Pencil")));
        EXPECT_EQ(doc.undoStack().undoText(), "Pencil");
        for (int turn = 0; turn < 2; ++turn) {
            EXPECT_EQ(doc.frames()[1], frame);
            EXPECT_EQ(frame->getPixelData(0), drawn);
            EXPECT_EQ(frame->getOrigPalette(), c.converts ? testing::rampPalette() : c.original);
            EXPECT_EQ(doc.selection(), std::vector<int>{2});
            doc.undo();
            EXPECT_EQ(frame->getPixelData(0), stored);
            EXPECT_EQ(frame->getOrigPalette(), c.original);
            // The conversion keeps the very matrix it replaced.
            EXPECT_EQ(frame->sharedPixels() == matrix, c.converts);
            doc.redo();
        }
    }
}

} // namespace
} // namespace quillet::document
