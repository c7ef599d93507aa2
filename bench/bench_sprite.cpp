// Coding speed of the sprite core: one 256 x 256 tile (the largest piece a
// picture is cut into), the palette match, and a whole file of such tiles.
#include "sprite/DC6FileIO.h"
#include "sprite/DC6Frame.h"
#include "sprite/transform.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

using namespace quillet;

// A sprite-like tile: transparent margins around a body of runs and noise.
FramePtr spriteTile(unsigned seed) {
    std::mt19937 random(seed);
    constexpr int kSide = 256;
    Bytes pixels(kSide * kSide, 0);
    for (int y = 40; y < 220; ++y)
        for (int x = 60 + y % 13; x < 200 - y % 7;) {
            const int run = 1 + static_cast<int>(random() % 24);
            const bool hole = random() % 5 == 0;
            for (int k = 0; k < run && x < kSide; ++k, ++x)
                pixels[y * kSide + x] = hole ? 0 : static_cast<std::uint8_t>(1 + random() % 255);
        }
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(pixels, kSide, kSide);
    Palette pal{};
    for (std::size_t i = 0; i < pal.size(); ++i)
        pal[i] = static_cast<std::uint8_t>(random());
    frame->seOriginalPalette(pal);
    frame->setNewPalette(pal);
    return frame;
}

void BM_EncodeTile(benchmark::State& state) {
    const FramePtr frame = spriteTile(1);
    const auto palTransform = static_cast<std::int16_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(frame->getFrameData(palTransform));
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_EncodeTile)->Arg(0)->Arg(1);

void BM_DecodeTile(benchmark::State& state) {
    const FramePtr frame = spriteTile(2);
    Bytes block = frame->getFrameHeader(0, 0);
    const Bytes stream = frame->getFrameData(0);
    block.insert(block.end(), stream.begin(), stream.end());
    block.insert(block.end(), 3, 0xEE);
    DC6Frame target;
    for (auto _ : state)
        target.setDC6Data(block);
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_DecodeTile);

void BM_Map(benchmark::State& state) {
    const FramePtr a = spriteTile(3), b = spriteTile(4);
    for (auto _ : state)
        benchmark::DoNotOptimize(transform{}.Map(a->getOrigPalette(), b->getNewPalette()));
}
BENCHMARK(BM_Map);

void BM_FileOf100Tiles(benchmark::State& state) {
    FrameList frames;
    for (unsigned i = 0; i < 100; ++i)
        frames.push_back(spriteTile(i));
    const Bytes file = DC6FileIO::encodeDC6(frames, 0);
    for (auto _ : state) {
        if (state.range(0) == 0)
            benchmark::DoNotOptimize(DC6FileIO::encodeDC6(frames, 0));
        else
            benchmark::DoNotOptimize(DC6FileIO::decodeDC6(file));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_FileOf100Tiles)->ArgName("decode")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
