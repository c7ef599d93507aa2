// Drawing the largest tile an imported picture yields, as the preview and
// the bitmap export do for every frame.
#include "display/DrawPic.h"
#include "display/ImageArea.h"
#include "imaging/FrameImage.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quillet;

Bytes tilePixels(int width, int height) {
    Bytes pixels(static_cast<std::size_t>(width * height));
    std::uint32_t state = 12345;
    for (auto& pixel : pixels) {
        state = state * 1103515245u + 12345u;
        pixel = static_cast<std::uint8_t>(state >> 24);
    }
    return pixels;
}

Palette rampPalette() {
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(i * 7);
    return palette;
}

void BM_DrawPic256(benchmark::State& state) {
    const Bytes pixels = tilePixels(256, 256);
    const Palette palette = rampPalette();
    display::ImageArea area;
    for (auto _ : state) {
        display::DrawPic(area, 256, 256, pixels, palette);
        benchmark::DoNotOptimize(area.retainedImage().constBits());
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_DrawPic256)->Unit(benchmark::kMicrosecond);

void BM_RenderFrame256(benchmark::State& state) {
    const Bytes pixels = tilePixels(256, 256);
    const Palette palette = rampPalette();
    for (auto _ : state) {
        QImage image = imaging::renderFrame(256, 256, pixels, palette);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_RenderFrame256)->Unit(benchmark::kMicrosecond);

} // namespace
