#include "document/Document.h"
#include "support/AllocationProbe.h"

#include <gtest/gtest.h>

namespace quillet::document {
namespace {

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
    struct Case {
        const char* what;
        std::function<void(Document&)> edit;
    };
    const std::vector<Case> cases = {
        {"move first earlier", [](Document& d) { d.moveFrame(1, -1); }},
        {"move last later", [](Document& d) { d.moveFrame(3, +1); }},
        {"remove 0", [](Document& d) { d.removeFrame(0); }},
        {"remove past the end", [](Document& d) { d.removeFrame(4); }},
        {"duplicate 0", [](Document& d) { d.duplicateFrame(0); }},
        {"same offset", [](Document& d) { d.setOffset(1, Axis::X, 0); }},
        {"insert nothing", [](Document& d) { d.insertFrames({}, 0, QStringLiteral("Add")); }},
        {"insert past the end", [](Document& d) { d.insertFrames(tinyFrames(1), 4, {}); }},
        {"insert beyond the limit", [](Document& d) { d.insertFrames(tinyFrames(32765), 0, {}); }},
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
    doc.removeFrame(1);
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

} // namespace
} // namespace quillet::document
