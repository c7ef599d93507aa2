// The recovery copy as the window's thread meets it: what one copy of a
// 1000-frame document of 256 x 256 frames costs the event loop (the snapshot
// and the hand-over to the worker, to stay well under a 16 ms frame), and the
// worker's whole write of it.
#include "document/Document.h"
#include "document/RecoveryKeeper.h"

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

} // namespace
