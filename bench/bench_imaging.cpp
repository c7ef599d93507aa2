// Picture import from memory: the decoders, the colour handling and the
// cutting into 256 x 256 frames.
// Pictures are generated with fixed seeds.
#include "../tests/imaging/PictureMaker.h"
#include "FigureSheet.h"
#include "FormerNearestColour.h"
#include "SpriteLikeIndices.h"
#include "imaging/PictureImport.h"
#include "palette/PaletteFile.h"
#include "sprite/NearestColour.h"
#include "sprite/transform.h"

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <libimagequant.h>
#include <memory>
#include <random>
#include <string>

using namespace quillet;
using quillet::bench::spriteLikeIndices;
using namespace quillet::testing;

namespace {

constexpr int kSide = 2048;

std::vector<std::uint32_t> colourTable(std::size_t n) {
    std::vector<std::uint32_t> t;
    for (std::size_t i = 0; i < n; ++i)
        t.push_back(static_cast<std::uint32_t>(i * 0x9E3779B1u) & 0xFFFFFF);
    return t;
}

void runImport(benchmark::State& state, const Bytes& file, std::int64_t pixels) {
    for (auto _ : state) {
        FrameList frames = imaging::LoadImageFromMemory(file, {builtinPalette()});
        benchmark::DoNotOptimize(frames.data());
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}

void BM_ImportBmp8_2048(benchmark::State& state) {
    BmpRecipe recipe;
    recipe.width = kSide;
    recipe.height = kSide;
    recipe.table = colourTable(256);
    recipe.pixels = spriteLikeIndices(kSide, 256);
    runImport(state, makeBmp(recipe), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportBmp8_2048)->Unit(benchmark::kMillisecond);

void BM_ImportGif_2048(benchmark::State& state) {
    GifRecipe recipe;
    recipe.screenWidth = kSide;
    recipe.screenHeight = kSide;
    recipe.globalTable = colourTable(256);
    const auto indices = spriteLikeIndices(kSide, 256);
    recipe.images.push_back(GifImage{
        0, 0, kSide, kSide, false, {}, std::vector<std::uint8_t>(indices.begin(), indices.end())});
    runImport(state, makeGif(recipe), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportGif_2048)->Unit(benchmark::kMillisecond);

void BM_ImportPng8_2048(benchmark::State& state) {
    PngRecipe recipe;
    recipe.width = kSide;
    recipe.height = kSide;
    recipe.table = colourTable(256);
    recipe.pixels = spriteLikeIndices(kSide, 256);
    runImport(state, makePng(recipe), std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_ImportPng8_2048)->Unit(benchmark::kMillisecond);

// True colour with few colours: every run of a colour costs one lookup.
void BM_ImportBmp24FewColours_2048(benchmark::State& state) {
    BmpRecipe recipe;
    recipe.bits = 24;
    recipe.width = kSide;
    recipe.height = kSide;
    const auto table = colourTable(200);
    for (std::uint32_t i : spriteLikeIndices(kSide, 200))
        recipe.pixels.push_back(table[i]);
    runImport(state, makeBmp(recipe), std::int64_t{kSide} * kSide);
}
// True colour is matched on every core: the CPU column counts them all.
BENCHMARK(BM_ImportBmp24FewColours_2048)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// ---------------------------------------------------------------------------
// A photo-like true-colour picture into the document palette, three ways side
// by side: the former path (own palette by the quantiser, then matched into
// the document palette), nearest colour, and dithered remapping. Each reports
// its PSNR against the original as a counter.

const std::vector<std::uint32_t>& photo() {
    static const std::vector<std::uint32_t> pixels = [] {
        std::mt19937 rng(2026);
        std::uniform_int_distribution<int> noise(-12, 12);
        std::vector<std::uint32_t> out;
        out.reserve(std::size_t{kSide} * kSide);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const double u = x / double(kSide), v = y / double(kSide);
                const double smooth[3] = {128 + 100 * std::sin(3.1 * u + 1.7 * v),
                                          128 + 90 * std::cos(2.3 * v - 1.1 * u),
                                          128 + 110 * std::sin(4.2 * u * v + 0.5)};
                std::uint32_t colour = 0;
                for (double c : smooth)
                    colour = colour << 8 |
                             static_cast<std::uint32_t>(std::clamp(int(c) + noise(rng), 0, 255));
                out.push_back(colour);
            }
        return out;
    }();
    return pixels;
}

const Bytes& photoBmp() {
    static const Bytes bmp = [] {
        BmpRecipe recipe;
        recipe.bits = 24;
        recipe.width = kSide;
        recipe.height = kSide;
        recipe.pixels = photo();
        return makeBmp(recipe);
    }();
    return bmp;
}

// Indices of the whole picture (top row first) in `palette`, against the
// original; with `box` > 0 both are first averaged over squares of 2 box + 1
// pixels a side, which is closer to what the eye sees of dithering.
double psnr(const Bytes& indices, const Palette& palette, int box = 0) {
    const std::vector<std::uint32_t>& original = photo();
    const auto component = [&](bool wanted, int x, int y, int c) {
        const std::size_t i = std::size_t(y) * kSide + x;
        return wanted ? int(original[i] >> (16 - 8 * c) & 255)
                      : int(palette[3 * std::size_t{indices[i]} + c]);
    };
    double sum = 0;
    for (int y = box; y < kSide - box; ++y)
        for (int x = box; x < kSide - box; ++x)
            for (int c = 0; c < 3; ++c) {
                double want = 0, got = 0;
                for (int dy = -box; dy <= box; ++dy)
                    for (int dx = -box; dx <= box; ++dx) {
                        want += component(true, x + dx, y + dy, c);
                        got += component(false, x + dx, y + dy, c);
                    }
                const double n = (2 * box + 1) * (2 * box + 1);
                sum += (want - got) * (want - got) / (n * n);
            }
    const double mse = sum / (3.0 * (kSide - 2 * box) * double(kSide - 2 * box));
    return 10 * std::log10(255.0 * 255.0 / mse);
}

// The frames' tiles put back together: bands from the top, tiles left to right.
Bytes untile(const FrameList& frames) {
    Bytes picture(std::size_t{kSide} * kSide);
    const int across = kSide / 256;
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const Bytes tile = frames[n]->getPixelData(0);
        const int left = int(n % across) * 256, top = int(n / across) * 256;
        for (int k = 0; k < 256; ++k)
            std::copy_n(tile.begin() + k * 256, 256,
                        picture.begin() + std::ptrdiff_t(top + 255 - k) * kSide + left);
    }
    return picture;
}

void liqRow(liq_color rowOut[], int row, int width, void* user) {
    const auto* image = static_cast<const QImage*>(user);
    const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(row));
    for (int x = 0; x < width; ++x)
        rowOut[x] = liq_color{static_cast<unsigned char>(qRed(line[x])),
                              static_cast<unsigned char>(qGreen(line[x])),
                              static_cast<unsigned char>(qBlue(line[x])), 255};
}

// The former import of true colour, kept here only for comparison.
Bytes formerPath(const Bytes& bmp, const Palette& documentPalette) {
    const QImage image =
        QImage::fromData(bmp.data(), int(bmp.size()), "BMP").convertToFormat(QImage::Format_RGB32);
    liq_attr* attr = liq_attr_create();
    liq_set_speed(attr, 1);
    liq_set_quality(attr, 0, 100);
    liq_image* liqImage = liq_image_create_custom(attr, liqRow, const_cast<QImage*>(&image),
                                                  image.width(), image.height(), 0);
    liq_result* result = nullptr;
    if (liq_image_quantize(liqImage, attr, &result) != LIQ_OK)
        return {};
    liq_set_dithering_level(result, 0.0f);
    Bytes indices(std::size_t(image.width()) * image.height());
    liq_write_remapped_image(result, liqImage, indices.data(), indices.size());
    const liq_palette* lp = liq_get_palette(result);
    Palette own{};
    for (unsigned i = 0; i < lp->count; ++i) {
        own[3 * i] = lp->entries[i].r;
        own[3 * i + 1] = lp->entries[i].g;
        own[3 * i + 2] = lp->entries[i].b;
    }
    liq_result_destroy(result);
    liq_image_destroy(liqImage);
    liq_attr_destroy(attr);
    const MapTable map = transform{}.Map(own, documentPalette);
    for (auto& p : indices)
        p = map[p];
    return indices;
}

void BM_PhotoIntoDocumentPalette(benchmark::State& state) {
    const int way = static_cast<int>(state.range(0));
    const Bytes& bmp = photoBmp();
    const Palette& doc = builtinPalette();
    Bytes picture;
    for (auto _ : state) {
        if (way == 0) {
            picture = formerPath(bmp, doc);
        } else {
            FrameList frames = imaging::LoadImageFromMemory(bmp, {doc, way == 2});
            state.PauseTiming();
            picture = untile(frames);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(picture.data());
    }
    state.counters["PSNR_dB"] = psnr(picture, doc);
    state.counters["PSNR_3x3_dB"] = psnr(picture, doc, 1);
    state.SetLabel(way == 0 ? "former: own palette, then Map" : way == 1 ? "nearest" : "dithered");
}
BENCHMARK(BM_PhotoIntoDocumentPalette)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A palette as games have them: ramps of a few hues from near black to full
// brightness, so dark colours crowd together while bright, saturated ones
// leave wide gaps; the darkest shades of several ramps coincide, and the
// last entries repeat earlier ones.
Palette gameLikePalette() {
    constexpr int kRamps = 15;
    constexpr int kShades = 17;
    const int hues[kRamps][3] = {{255, 255, 255}, {200, 140, 80},  {230, 200, 150}, {200, 40, 30},
                                 {255, 150, 40},  {240, 210, 60},  {90, 170, 60},   {140, 150, 70},
                                 {60, 160, 160},  {60, 90, 200},   {140, 190, 250}, {150, 70, 170},
                                 {240, 150, 170}, {240, 190, 160}, {150, 140, 130}};
    Palette pal{};
    std::size_t entry = 1;
    for (const auto& hue : hues)
        for (int shade = 1; shade <= kShades && entry < 256; ++shade, ++entry) {
            const double level = std::pow(shade / double(kShades), 1.6);
            for (int c = 0; c < 3; ++c)
                pal[3 * entry + c] = static_cast<std::uint8_t>(std::lround(hue[c] * level));
        }
    for (std::size_t i = 250; i < 256; ++i)
        std::copy_n(pal.begin() + 3 * (i - 200), 3, pal.begin() + 3 * i);
    return pal;
}

// The matching stage alone, on the photo's decoded colours: the former
// matcher (one thread), the present one on one thread, and on every core;
// ways 3 and 4 as 1 and 2 with entries 240 to 255 protected.
void BM_MatchPhoto(benchmark::State& state) {
    const bool gameLike = state.range(0) == 1;
    const int way = static_cast<int>(state.range(1) >= 3 ? state.range(1) - 2 : state.range(1));
    const bool guarded = state.range(1) >= 3;
    IndexSet excluded(1);
    for (std::size_t j = 240; guarded && j < 256; ++j)
        excluded[j] = true;
    const Palette palette = gameLike ? gameLikePalette() : builtinPalette();
    const std::vector<std::uint32_t>& colours = photo();
    Bytes indices(colours.size());
    for (auto _ : state) {
        if (way == 0) {
            former::NearestColour matcher(palette, 1);
            matcher.match(colours.data(), colours.size(), indices.data());
        } else if (way == 1) {
            NearestColour matcher(palette, excluded);
            matcher.match(colours.data(), colours.size(), indices.data());
        } else {
            NearestColour matcher(palette, excluded);
            matchColours(
                matcher,
                [&](int y, std::uint32_t*) { return colours.data() + std::size_t(y) * kSide; },
                kSide, kSide, indices.data(), kSide);
        }
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kSide} * kSide);
    state.SetLabel(std::string(gameLike ? "game-like palette, " : "built-in palette, ") +
                   (way == 0   ? "former matcher"
                    : way == 1 ? "one thread"
                               : "every core") +
                   (guarded ? ", 240-255 protected" : ""));
}
// Time is wall-clock time, the CPU column the whole process's (every thread).
BENCHMARK(BM_MatchPhoto)
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3, 4}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
