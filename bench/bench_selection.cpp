// Moving pixels between frames and giving frames room, as the user's keys
// run them: a 1024 x 1024 block copied to the clipboard (our indices and the
// PNG for other programs), read back, floated over another frame and put
// down as a step; and Canvas Size on 1,000 frames of 256 x 256. The
// counters are the bytes asked for while the work runs, in frames' worth of
// pixels: a frame copied more than once would show there.
#include "display/tools/SelectTool.h"
#include "document/Document.h"
#include "editor/PixelClipboard.h"
#include "support/AllocationProbe.h"

#include <QMimeData>
#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace quillet;

Bytes randomIndices(std::mt19937& random, int count) {
    Bytes pixels(static_cast<std::size_t>(count));
    for (auto& pixel : pixels)
        pixel = static_cast<std::uint8_t>(random());
    return pixels;
}

FramePtr frameOf(Bytes pixels, int width, int height) {
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(std::move(pixels), width, height);
    return frame;
}

// Select All on frame 1, Ctrl+C, then Ctrl+V and Enter on frame 2; the
// paste's step is undone outside the timing.
void BM_CopyPaste1024(benchmark::State& state) {
    constexpr int kSide = 1024;
    std::mt19937 random(28);
    document::Document doc;
    doc.replace({frameOf(randomIndices(random, kSide * kSide), kSide, kSide),
                 frameOf(Bytes(kSide * kSide, 7), kSide, kSide)},
                QString(), 1);
    const Palette palette{};
    constexpr double kFrameBytes = kSide * kSide;
    double copyBytes = 0;
    double pasteBytes = 0;
    for (auto _ : state) {
        std::optional<testing::AllocationProbe> probe(std::in_place);
        display::tools::SelectTool copyTool;
        copyTool.setFrameSize(kSide, kSide);
        copyTool.selectAll();
        const auto data =
            editor::clipboardData({copyTool.selected(doc.frames()[0]->pixels()), palette, 0, 0});
        copyBytes = static_cast<double>(probe->requested()) / kFrameBytes;
        probe.emplace();
        std::optional<editor::CopiedPixels> copied = editor::readCopiedPixels(*data);
        const ByteView target = doc.frames()[1]->pixels();
        display::tools::SelectTool pasteTool;
        pasteTool.setFrameSize(kSide, kSide);
        pasteTool.paste(std::move(copied->block), {0, 0}, target);
        std::optional<display::tools::PutDown> down = pasteTool.putDown(target);
        if (!down || !doc.paintFrame(2, down->changed, std::move(down->pixels), "Paste"))
            state.SkipWithError("the paste made no step");
        pasteBytes = static_cast<double>(probe->requested()) / kFrameBytes;
        probe.reset();
        state.PauseTiming();
        doc.undoStack().undo();
        state.ResumeTiming();
    }
    state.counters["copy_frames"] = copyBytes;
    state.counters["paste_frames"] = pasteBytes;
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_CopyPaste1024)->Unit(benchmark::kMillisecond);

// Four pixels of room at every side of 1,000 frames, one step; undone
// outside the timing.
void BM_CanvasSize1000Frames256(benchmark::State& state) {
    constexpr int kSide = 256;
    constexpr int kFrames = 1000;
    std::mt19937 random(28);
    FrameList frames;
    std::vector<int> numbers;
    for (int f = 0; f < kFrames; ++f) {
        frames.push_back(frameOf(randomIndices(random, kSide * kSide), kSide, kSide));
        numbers.push_back(f + 1);
    }
    document::Document doc;
    doc.replace(std::move(frames), QString(), 1);
    const FrameEdit edit{.kind = FrameEdit::Kind::Canvas, .margins = {4, 4, 4, 4}};
    double copies = 0;
    for (auto _ : state) {
        testing::AllocationProbe probe;
        doc.editFrames(numbers, edit, QStringLiteral("Canvas Size"));
        copies =
            static_cast<double>(probe.requested()) / (double{kSide + 8} * (kSide + 8) * kFrames);
        state.PauseTiming();
        doc.undoStack().undo();
        state.ResumeTiming();
    }
    if (doc.frames()[0]->get_X_size() != kSide)
        state.SkipWithError("the canvas change was not undone");
    state.counters["frame_copies"] = copies;
    state.SetItemsProcessed(state.iterations() * kFrames * kSide * kSide);
}
BENCHMARK(BM_CanvasSize1000Frames256)->Unit(benchmark::kMillisecond);

} // namespace
