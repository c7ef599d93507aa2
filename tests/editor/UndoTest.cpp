#include "EditorTestSupport.h"

#include <QFile>
#include <random>

namespace quillet::editor::test {
namespace {

using platform::Answer;
using Undo = EditorTest;

QString actionText(frmQuillet2& window, const char* name) {
    return window.findChild<QAction*>(QString::fromLatin1(name))->text();
}

// Each edit is undone and redone; afterwards the step's frame is current and
// the boxes show i
TEST_F(Undo, EveryEditIsOneNamedStepThatUndoesAndRedoes) {
    struct Case {
        const char* step;
        std::function<void()> edit;
        std::vector<int> widthsAfter;
        int currentAfterUndo;
        int currentAfterRedo;
        std::vector<int> selectedAfter = {}; // given: checked after the edit
        std::vector<FrameShape> shapes = {}; // none: 1 x 1, 2 x 1 and 3 x 1
        std::vector<int> untouched = {};     // frames that must stay exactly as they were
    };
    const auto selecting = [this](std::vector<int> numbers, int current, const char* action) {
        return [this, numbers, current, action] {
            window->document().select(numbers, current);
            trigger(action);
        };
    };
    const auto pixelKeys = [this](std::vector<const char*> items) {
        return [this, items] {
            for (const char* item : items)
                trigger(item);
        };
    };
    const std::vector<Case> cases = {
        {"Add Frame", [this] { addPicture(7, 2); }, {1, 2, 3, 7}, 2, 4},
        {"Insert Frame",
         [this] {
             fileDialog().answers.push_back(writePicture(QStringLiteral("i.bmp"), 8, 2));
             window->imports().insertFrame();
         },
         {1, 8, 2, 3},
         2,
         2},
        {"Delete Frame 2",
         [this] {
             messages().answers = {Answer::Yes};
             window->frameCommands().remove();
         },
         {1, 3},
         2,
         2},
        {"X Offset",
         [this] {
             child<QLineEdit>("txtXoffset").setText(QStringLiteral("-4"));
             child<QLineEdit>("txtXoffset").setText(QStringLiteral("-45"));
         },
         {1, 2, 3},
         2,
         2},
        {"Move Frame Earlier", [this] { trigger("MoveFrameEarlier"); }, {2, 1, 3}, 2, 1},
        {"Move Frame Later", [this] { trigger("MoveFrameLater"); }, {1, 3, 2}, 2, 3},
        {"Duplicate Frame", [this] { trigger("DuplicateFrame"); }, {1, 2, 2, 3}, 2, 3, {3}},
        {"Duplicate 2 Frames",
         selecting({1, 2}, 2, "DuplicateFrame"),
         {1, 2, 1, 2, 3},
         2,
         3,
         {3, 4}},
        {"Delete 2 Frames",
         [this] {
             window->document().select({1, 3}, 3);
             messages().answers = {Answer::Yes};
             trigger("DeleteFrames");
         },
         {2},
         3,
         1,
         {1}},
        {"Move Frames Later", selecting({1, 2}, 2, "MoveFrameLater"), {3, 1, 2}, 2, 3, {2, 3}},
        {"Move Frames",
         [this] {
             window->document().select({2, 3}, 3);
             window->frameCommands().moveTo(1);
         },
         {2, 3, 1},
         3,
         2,
         {1, 2}},
        {"Shift Offsets",
         [this, selecting] {
             scripted->prompt->offsetRequests = {platform::OffsetRequest{true, true, true, 3, -2}};
             selecting({2, 3}, 2, "Offsets")();
         },
         {1, 2, 3},
         2,
         2,
         {2, 3}},
        {"Flip Horizontal", selecting({1, 3}, 1, "FlipHorizontal"), {1, 2, 3}, 1, 1, {1, 3}},
        {"Flip Vertical", [this] { trigger("FlipVertical"); }, {1, 2, 3}, 2, 2, {2}},
        {"Canvas Size",
         [this, selecting] {
             // A frame left without rows is refused in the dialog.
             scripted->prompt->canvases = {platform::CanvasRequest{0, 0, 0, -1},
                                           platform::CanvasRequest{2, 1, 1, -1}};
             selecting({1, 3}, 3, "CanvasSize")();
             trigger("CanvasSize");
             const auto& shown = scripted->prompt->canvasOutcomes;
             EXPECT_EQ(shown.front().problem, "Frame 1: width x height 1 x 0 is not a frame size");
             EXPECT_EQ(shown.back().width, 6);
             EXPECT_EQ(shown.back().frames, 2);
         },
         {4, 2, 6},
         3,
         3,
         {1, 3}},
        // The top row of a 1 x 74 frame is index 0.
        {"Trim", selecting({1}, 1, "TrimBorders"), {1, 2, 3}, 1, 1, {1}, {{1, 74}, {2, 1}, {3, 1}}},
        {"Replace Colour",
         [this, selecting] {
             scripted->prompt->indexSwaps = {platform::IndexSwap{2, 0}};
             selecting({1, 2, 3}, 2, "ReplaceColour")();
         },
         {1, 2, 3},
         2,
         2,
         {1, 2, 3}},
        // Index 9 is in every frame of these; only the selected one changes.
        {"Replace Colour",
         [this, selecting] {
             scripted->prompt->indexSwaps = {platform::IndexSwap{9, 0}};
             selecting({2}, 2, "ReplaceColour")();
         },
         {2, 2, 9},
         2,
         2,
         {2},
         {{2, 1}, {2, 2}, {9, 1}},
         {1, 3}},
        // The picture's own steps change the current frame alone.
        {"Cut", pixelKeys({"SelectAllPixels", "CutPixels"}), {1, 2, 3}, 2, 2, {2}, {}, {1, 3}},
        {"Delete",
         pixelKeys({"SelectAllPixels", "DeletePixels"}),
         {1, 2, 3},
         2,
         2,
         {2},
         {},
         {1, 3}},
        {"Move",
         pixelKeys({"SelectAllPixels", "MoveSelectionRight", "PutDownPixels"}),
         {1, 2, 3},
         2,
         2,
         {2},
         {},
         {1, 3}},
        // Frame 3 holds 3 and 10 but is left out.
        {"Remap Colours",
         [this, selecting] {
             scripted->prompt->remaps = {platform::RemapRequest{1, 10, 100, 109, true}};
             selecting({1, 2}, 2, "RemapColours")();
         },
         {1, 2, 3},
         2,
         2,
         {1, 2},
         {{1, 1}, {2, 1}, {3, 1}},
         {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        openDocument(c.shapes.empty() ? std::vector<FrameShape>{{1, 1}, {2, 1}, {3, 1}} : c.shapes);
        frameNr().setValue(2);
        const Bytes before = DC6FileIO::encodeDC6(window->frames(), 1);
        const auto frameBytes = [this](int number) {
            return DC6FileIO::encodeDC6({window->frames()[number - 1]}, 1);
        };
        std::vector<Bytes> untouched;
        for (int number : c.untouched)
            untouched.push_back(frameBytes(number));
        EXPECT_FALSE(child<QAction>("Undo").isEnabled());
        c.edit();
        for (std::size_t i = 0; i < untouched.size(); ++i)
            EXPECT_EQ(frameBytes(c.untouched[i]), untouched[i]) << "frame " << c.untouched[i];
        EXPECT_EQ(widths(), c.widthsAfter);
        const Bytes after = DC6FileIO::encodeDC6(window->frames(), 1);
        EXPECT_NE(after, before);
        if (!c.selectedAfter.empty()) {
            EXPECT_EQ(window->document().selection(), c.selectedAfter);
        }
        EXPECT_EQ(actionText(*window, "Undo"), QStringLiteral("Undo %1").arg(c.step));

        trigger("Undo");
        EXPECT_EQ(DC6FileIO::encodeDC6(window->frames(), 1), before);
        EXPECT_EQ(window->curFrame(), c.currentAfterUndo);
        EXPECT_EQ(frameNr().value(), c.currentAfterUndo);
        EXPECT_EQ(text("txtWidth"), QString::number(widths()[c.currentAfterUndo - 1]));
        EXPECT_EQ(actionText(*window, "Redo"), QStringLiteral("Redo %1").arg(c.step));
        EXPECT_FALSE(child<QAction>("Undo").isEnabled());

        trigger("Redo");
        EXPECT_EQ(DC6FileIO::encodeDC6(window->frames(), 1), after);
        EXPECT_EQ(window->curFrame(), c.currentAfterRedo);
        EXPECT_EQ(text("txtWidth"), QString::number(widths()[c.currentAfterRedo - 1]));
    }
    // The index question showed each index's colour in the frames' palette.
    const Palette& palette = window->currentPalette();
    EXPECT_EQ(scripted->prompt->colours.back().value(9),
              qRgb(palette[27], palette[28], palette[29]));
}

TEST_F(Undo, SelectPaletteRestoresEveryPaletteExactly) {
    openDocument({{4, 3}});
    addPicture(5, 2);
    const Palette document = window->currentPalette();
    std::vector<std::pair<Palette, Palette>> before;
    for (const FramePtr& frame : window->frames())
        before.emplace_back(frame->getOrigPalette(), frame->getNewPalette());
    const Palette chosen = rampPalette(77);
    QFile file(path("new.pal"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(chosen.data()), 768);
    file.close();
    fileDialog().answers = {path("new.pal")};
    trigger("Select_palette");
    ASSERT_EQ(window->currentPalette(), chosen);
    trigger("Undo");
    EXPECT_EQ(window->currentPalette(), document);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(window->frames()[i]->getOrigPalette(), before[i].first);
        EXPECT_EQ(window->frames()[i]->getNewPalette(), before[i].second);
    }
    // A setting, not an edit: the flag is not on the stack.
    window->palettes().transformPalette();
    EXPECT_EQ(actionText(*window, "Undo"), "Undo Add Frame");
}

TEST_F(Undo, NewAndOpenStartAFreshHistoryAndSavesReadNothingFromIt) {
    addPicture(5, 2);
    openDocument({{1, 1}});
    EXPECT_FALSE(child<QAction>("Undo").isEnabled());
    addPicture(6, 2);
    messages().answers = {Answer::No};
    window->files().newDocument();
    EXPECT_FALSE(child<QAction>("Undo").isEnabled());
    EXPECT_EQ(actionText(*window, "Undo"), "Undo");
}

// A seeded random walk of edits, undos and redos with the window's
// invariants checked after every step; undoing everything gives back the
// bytes the document started with.
TEST_F(Undo, RandomWalkKeepsTheInvariantsAndUndoesToTheFirstBytes) {
    openDocument({{3, 2, 1, 1}, {4, 1}, {2, 3, -5, 7}});
    const QString pictures[] = {writePicture(QStringLiteral("a.bmp"), 5, 2),
                                writePicture(QStringLiteral("b.bmp"), 300, 2)};
    QStringList palettes;
    for (int shift : {11, 99}) {
        const Palette p = rampPalette(shift);
        QFile file(path(QStringLiteral("p%1.pal").arg(shift)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(p.data()), 768);
        palettes << file.fileName();
    }
    const Bytes first = DC6FileIO::encodeDC6(window->frames(), 1);
    const Palette firstPalette = window->currentPalette();

    std::mt19937 random(20261208);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 2500; ++step) {
        const int count = window->frameCount();
        switch (pick(15)) {
        case 0:
            fileDialog().answers.push_back(pictures[pick(2)]);
            window->imports().addFrame();
            break;
        case 1:
            fileDialog().answers.push_back(pictures[pick(2)]);
            window->imports().insertFrame();
            break;
        case 2:
            if (count > 0)
                messages().answers.push_back(Answer::Yes);
            window->frameCommands().remove();
            break;
        case 3:
        case 4:
            child<QLineEdit>(pick(2) ? "txtXoffset" : "txtYoffset")
                .setText(QString::number(pick(601) - 300));
            break;
        case 5:
            fileDialog().answers.push_back(palettes[pick(2)]);
            window->palettes().selectPalette();
            break;
        case 6:
            trigger(pick(2) ? "MoveFrameEarlier" : "MoveFrameLater");
            break;
        case 7:
            trigger("DuplicateFrame");
            break;
        case 8:
        case 9:
            trigger("Undo");
            break;
        case 10:
            trigger("Redo");
            break;
        case 12:
            if (count > 0)
                window->document().select({1 + pick(count), 1 + pick(count)}, 1 + pick(count));
            break;
        case 13:
            if (count > 0 && pick(2))
                messages().answers.push_back(Answer::Yes);
            trigger(!messages().answers.empty() ? "DeleteFrames"
                    : pick(2)                   ? "FlipHorizontal"
                                                : "FlipVertical");
            break;
        case 14:
            window->frameCommands().moveTo(1 + pick(count + 1));
            break;
        default:
            frameNr().setValue(1 + pick(std::max(1, count)));
        }
        ASSERT_TRUE(fileDialog().answers.empty());
        ASSERT_TRUE(messages().answers.empty());
        messages().shown.clear();
        const int n = window->frameCount();
        ASSERT_LE(n, 32767);
        ASSERT_EQ(text("txtFrameCount"), QString::number(n)) << step;
        ASSERT_EQ(frameNr().maximum(), std::max(1, n)) << step;
        if (n > 0) {
            ASSERT_GE(window->curFrame(), 1) << step;
            ASSERT_LE(window->curFrame(), n) << step;
            ASSERT_TRUE(window->document().isSelected(window->curFrame())) << step;
            ASSERT_EQ(frameNr().value(), window->curFrame()) << step;
            const DC6Frame& shown = *window->frames()[window->curFrame() - 1];
            ASSERT_EQ(text("txtWidth"), QString::number(shown.get_X_size())) << step;
            ASSERT_EQ(text("txtXoffset"), QString::number(shown.get_X_offset())) << step;
            ASSERT_EQ(text("txtYoffset"), QString::number(shown.get_Y_offset())) << step;
        }
    }
    while (child<QAction>("Undo").isEnabled())
        trigger("Undo");
    EXPECT_EQ(window->currentPalette(), firstPalette);
    EXPECT_EQ(DC6FileIO::encodeDC6(window->frames(), 1), first);
}

} // namespace
} // namespace quillet::editor::test
