// Picture import from memory: the decoders, the colour handling and the
// cutting into 256 x 256 frames; and the exports of a 100-frame animation.
// Pictures are generated with fixed seeds.
#include "../tests/imaging/PictureMaker.h"
#include "imaging/BitmapExport.h"
#include "imaging/GifExport.h"
#include "imaging/IndexedPng.h"
#include "imaging/PictureImport.h"
#include "imaging/SheetExport.h"

#include <QTemporaryDir>
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
    BmpSpec spec;
    spec.width = kSide;
    spec.height = kSide;
    spec.table = colourTable(256);
    spec.pixels = spriteLikeIndices(kSide, 256);
    runImport(state, makeBmp(spec), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportBmp8_2048)->Unit(benchmark::kMillisecond);

void BM_ImportGif_2048(benchmark::State& state) {
    GifSpec spec;
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
    BmpSpec spec;
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
    BmpSpec spec;
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

// 100 frames of 256 x 256 sprite-like indices, offsets spread a little as
// in a walk cycle, so the GIF canvas is slightly larger than one frame.
FrameList animation() {
    const auto indices = spriteLikeIndices(256, 256);
    const Bytes pixels(indices.begin(), indices.end());
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(i * 7);
    FrameList frames;
    for (int i = 0; i < 100; ++i) {
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, 256, 256);
        frame->set_X_offset(i % 10 - 5);
        frame->set_Y_offset(i % 7);
        frame->seOriginalPalette(palette);
        frame->setNewPalette(palette);
        frames.push_back(frame);
    }
    return frames;
}

constexpr std::int64_t kAnimationPixels = 100 * 256 * 256;

// Whole per-frame exports, each file through the safe write (flushed to disk).
void BM_ExportFrames_100x256(benchmark::State& state) {
    const auto format = static_cast<imaging::ExportFormat>(state.range(0));
    const FrameList frames = animation();
    QTemporaryDir dir;
    for (auto _ : state) {
        const auto report = imaging::exportFrames(frames, 0, dir.filePath("walk"), format);
        if (report.written != 100)
            state.SkipWithError("export failed");
    }
    state.SetLabel(format == imaging::ExportFormat::Png ? "png" : "bmp");
    state.SetItemsProcessed(state.iterations() * kAnimationPixels);
}
BENCHMARK(BM_ExportFrames_100x256)
    ->Arg(static_cast<int>(imaging::ExportFormat::Png))
    ->Arg(static_cast<int>(imaging::ExportFormat::Bmp))
    ->Unit(benchmark::kMillisecond);

// The PNG encoding alone, without the files.
void BM_EncodePng_100x256(benchmark::State& state) {
    const FrameList frames = animation();
    const Palette palette = frames[0]->getNewPalette();
    std::int64_t bytes = 0;
    for (auto _ : state)
        for (const FramePtr& frame : frames) {
            const Bytes pixels = frame->getPixelData(0);
            bytes += static_cast<std::int64_t>(
                imaging::encodeIndexedPng({256, 256, pixels, true}, palette).size());
        }
    state.SetItemsProcessed(state.iterations() * kAnimationPixels);
    state.counters["png_bytes_per_frame"] =
        static_cast<double>(bytes) / static_cast<double>(state.iterations() * 100);
}
BENCHMARK(BM_EncodePng_100x256)->Unit(benchmark::kMillisecond);

void BM_ExportGif_100x256(benchmark::State& state) {
    const FrameList frames = animation();
    QTemporaryDir dir;
    for (auto _ : state)
        imaging::exportGif(frames, 0, frames[0]->getNewPalette(), 25, dir.filePath("walk.gif"));
    state.SetItemsProcessed(state.iterations() * kAnimationPixels);
}
BENCHMARK(BM_ExportGif_100x256)->Unit(benchmark::kMillisecond);

void BM_ExportSheet_100x256(benchmark::State& state) {
    const FrameList frames = animation();
    QTemporaryDir dir;
    for (auto _ : state)
        imaging::exportSheet(frames, 0, frames[0]->getNewPalette(), 10, dir.filePath("walk.png"));
    state.SetItemsProcessed(state.iterations() * kAnimationPixels);
}
BENCHMARK(BM_ExportSheet_100x256)->Unit(benchmark::kMillisecond);

} // namespace
