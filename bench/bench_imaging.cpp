// Picture import from memory: the decoders, the colour handling and the
// cutting into 256 x 256 frames. Pictures are generated with fixed seeds.
#include "../tests/imaging/PictureMaker.h"
#include "imaging/PictureImport.h"

#include <benchmark/benchmark.h>
#include <random>

using namespace quillet;
using namespace quillet::testing;

namespace {

constexpr int kSide = 2048;

// Noise over runs of a few pixels: sprites are neither flat nor pure noise,
// and noise alone would make the GIF case the decoder's worst.
std::vector<std::uint32_t> spriteLikeIndices(int side, std::uint32_t colours) {
    std::mt19937 rng(2048);
    const std::size_t total = static_cast<std::size_t>(side) * side;
    std::vector<std::uint32_t> out;
    out.reserve(total);
    while (out.size() < total) {
        const std::uint32_t v = rng() % colours;
        for (std::uint32_t n = 1 + rng() % 6; n > 0 && out.size() < total; --n)
            out.push_back(v);
    }
    return out;
}

std::vector<std::uint32_t> colourTable(std::size_t n) {
    std::vector<std::uint32_t> t;
    for (std::size_t i = 0; i < n; ++i)
        t.push_back(static_cast<std::uint32_t>(i * 0x9E3779B1u) & 0xFFFFFF);
    return t;
}

void runImport(benchmark::State& state, const Bytes& file, std::int64_t pixels) {
    for (auto _ : state) {
        FrameList frames = imaging::LoadImageFromMemory(file);
        benchmark::DoNotOptimize(frames.data());
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}

void BM_ImportBmp8_2048(benchmark::State& state) {
    BmpRecipe spec;
    spec.width = kSide;
    spec.height = kSide;
    spec.table = colourTable(256);
    spec.pixels = spriteLikeIndices(kSide, 256);
    runImport(state, makeBmp(spec), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportBmp8_2048)->Unit(benchmark::kMillisecond);

void BM_ImportGif_2048(benchmark::State& state) {
    GifRecipe spec;
    spec.screenWidth = kSide;
    spec.screenHeight = kSide;
    spec.globalTable = colourTable(256);
    const auto indices = spriteLikeIndices(kSide, 256);
    spec.images.push_back(GifImage{
        0, 0, kSide, kSide, false, {}, std::vector<std::uint8_t>(indices.begin(), indices.end())});
    runImport(state, makeGif(spec), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportGif_2048)->Unit(benchmark::kMillisecond);

// True colour with at most 256 colours: the exact-table path.
void BM_ImportBmp24FewColours_2048(benchmark::State& state) {
    BmpRecipe spec;
    spec.bits = 24;
    spec.width = kSide;
    spec.height = kSide;
    const auto table = colourTable(200);
    for (std::uint32_t i : spriteLikeIndices(kSide, 200))
        spec.pixels.push_back(table[i]);
    runImport(state, makeBmp(spec), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportBmp24FewColours_2048)->Unit(benchmark::kMillisecond);

// More than 256 colours: reduction by the quantiser at its best quality.
void BM_ImportBmp24Gradient_512(benchmark::State& state) {
    BmpRecipe spec;
    spec.bits = 24;
    spec.width = 512;
    spec.height = 512;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            spec.pixels.push_back(std::uint32_t(x / 2) << 16 | std::uint32_t(y / 2) << 8 |
                                  std::uint32_t((x + y) / 4));
    runImport(state, makeBmp(spec), 512 * 512);
}
BENCHMARK(BM_ImportBmp24Gradient_512)->Unit(benchmark::kMillisecond);

} // namespace
