// The recovery copy as the window's thread meets it: what one copy of a
// 1000-frame document of 256 x 256 frames costs the event loop (the snapshot
// and the hand-over to the worker, to stay well under a 16 ms frame), and the
// worker's whole write of it. And what drawing adds to the undo history.
#include "document/Document.h"
#include "document/RecoveryKeeper.h"
#include "support/AllocationProbe.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace quillet;
using quillet::document::Document;
using quillet::document::RecoveryKeeper;

constexpr int kFrames = 1000;
constexpr int kSide = 256;

// Every frame its own pixels, sprite-like runs of transparency between.
FrameList largeDocument() {
    std::uint32_t seed = 1;
    FrameList frames;
    for (int f = 0; f < kFrames; ++f) {
        Bytes pixels(kSide * kSide);
        for (auto& pixel : pixels) {
            seed = seed * 1103515245u + 12345u;
            pixel = static_cast<std::uint8_t>((seed >> 28) < 6 ? 0 : seed >> 24);
        }
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, kSide, kSide);
        frames.push_back(std::move(frame));
    }
    return frames;
}

struct ModifiedDocument {
    QTemporaryDir dir;
    Document document;
    RecoveryKeeper keeper;

    ModifiedDocument() : keeper(document, dir.path()) {
        document.replace(largeDocument(), dir.filePath(QStringLiteral("walk.dc6")), 1);
        document.setOffset(1, document::Axis::X, 5);
    }
};

void BM_RecoveryHandOff1000Frames(benchmark::State& state) {
    ModifiedDocument doc;
    // Each hand-over replaces the one still waiting, as steady editing does.
    for (auto _ : state)
        doc.keeper.keepNow();
    doc.keeper.waitForWrites();
}
BENCHMARK(BM_RecoveryHandOff1000Frames)->Unit(benchmark::kMillisecond);

void BM_RecoveryWrite1000Frames(benchmark::State& state) {
    ModifiedDocument doc;
    for (auto _ : state)
        doc.keeper.flush();
    state.SetBytesProcessed(state.iterations() * std::int64_t{kFrames} * kSide * kSide);
}
BENCHMARK(BM_RecoveryWrite1000Frames)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000 one-pixel pencil strokes on a 1024 x 1024 frame already in the
// document palette: the bytes each step asks for while it is pushed (the
// working copy a stroke draws on is made before, as the tools make it).
void BM_HistoryOf1000Strokes1024(benchmark::State& state) {
    constexpr int kStrokeSide = 1024;
    constexpr int kStrokes = 1000;
    std::size_t requested = 0;
    for (auto _ : state) {
        Document doc;
        FrameList frames = {std::make_shared<DC6Frame>()};
        frames[0]->setPixelData(Bytes(kStrokeSide * kStrokeSide, 3), kStrokeSide, kStrokeSide);
        doc.replace(std::move(frames), QString(), 1);
        requested = 0;
        for (int stroke = 0; stroke < kStrokes; ++stroke) {
            const ByteView now = doc.frames()[0]->pixels();
            Bytes drawn(now.begin(), now.end());
            const int x = stroke * 37 % kStrokeSide;
            const int y = stroke * 101 % kStrokeSide;
            drawn[static_cast<std::size_t>(y) * kStrokeSide + x] = 200;
            testing::AllocationProbe probe;
            doc.paintFrame(1, {x, y, 1, 1}, std::move(drawn), QStringLiteral("Pencil"));
            requested += probe.requested();
        }
        if (doc.undoStack().count() != kStrokes)
            state.SkipWithError("a stroke made no step");
    }
    state.counters["history_bytes"] = static_cast<double>(requested);
    if (requested >= std::size_t{1} << 20)
        state.SkipWithError("the history grew by 1 MB or more");
}
BENCHMARK(BM_HistoryOf1000Strokes1024)->Unit(benchmark::kMillisecond);

} // namespace
