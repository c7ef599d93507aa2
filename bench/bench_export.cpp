// The exports of a 100-frame animation, a 1,000-frame sheet with and without
// its data, finding the cells of a sheet and cutting it back.
#include "FigureSheet.h"
#include "SpriteLikeIndices.h"
#include "imaging/PictureImport.h"
#include "imaging/export/BitmapExport.h"
#include "imaging/export/FileReplace.h"
#include "imaging/export/GifExport.h"
#include "imaging/export/SheetExport.h"
#include "imaging/formats/PngFormat.h"
#include "imaging/sheet/SheetDataImport.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

using namespace quillet;
using quillet::bench::spriteLikeIndices;

namespace {

// 100 frames of 256 x 256 sprite-like indices, offsets spread a little as
// in a walk cycle, so the GIF canvas is slightly larger than one frame.
FrameList animation(int count = 100) {
    const auto indices = spriteLikeIndices(256, 256);
    const Bytes pixels(indices.begin(), indices.end());
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(i * 7);
    FrameList frames;
    for (int i = 0; i < count; ++i) {
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

void BM_FindSheetCells_4096(benchmark::State& state) {
    const imaging::IndexedPicture sheet = bench::figureSheet();
    for (auto _ : state) {
        imaging::SheetCells cells = imaging::findSheetCells(sheet, {64, 64, 0, 0, 0, 0});
        benchmark::DoNotOptimize(cells.cells.data());
    }
    state.SetItemsProcessed(state.iterations() * sheet.width * sheet.height);
}
BENCHMARK(BM_FindSheetCells_4096)->Unit(benchmark::kMillisecond);

// 1,000 frames of 256 x 256 as one sheet in 32 columns, without (0) and with
// (1) its data: the JSON must cost little beside the picture.
void BM_ExportSheet_1000x256(benchmark::State& state) {
    const FrameList frames = animation(1000);
    const bool data = state.range(0) != 0;
    imaging::SheetExportOptions options;
    options.columns = 32;
    options.name = "walk";
    options.image = "walk.png";
    QTemporaryDir dir;
    for (auto _ : state) {
        const imaging::SheetFiles sheet =
            imaging::makeSheet(frames, 0, frames[0]->getNewPalette(), options);
        imaging::replaceFile(dir.filePath("walk.png"), sheet.png);
        if (data)
            imaging::replaceFile(dir.filePath("walk.json"),
                                 imaging::bytesOf(imaging::writeSheetJson(
                                     sheet.data, imaging::SheetJsonLayout::Array)));
    }
    state.SetLabel(data ? "with data" : "picture only");
    state.SetItemsProcessed(state.iterations() * 1000 * 256 * 256);
}
BENCHMARK(BM_ExportSheet_1000x256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same sheet back into frames: cut on its grid (0), or where its data
// puts each frame (1), the PNG decoded each time.
void BM_SheetBack_1000x256(benchmark::State& state) {
    const FrameList frames = animation(1000);
    const Palette palette = frames[0]->getNewPalette();
    imaging::SheetExportOptions options;
    options.columns = 32;
    const imaging::SheetFiles sheet = imaging::makeSheet(frames, 0, palette, options);
    const std::string json = imaging::writeSheetJson(sheet.data, imaging::SheetJsonLayout::Array);
    const bool data = state.range(0) != 0;
    const imaging::SheetGrid grid{
        sheet.layout.cell.width(), sheet.layout.cell.height(), 0, 0, 0, 0};
    for (auto _ : state) {
        FrameList back;
        if (data) {
            const imaging::SheetData read = imaging::readSheetJson(imaging::bytesOf(json));
            back = imaging::cutSheetFrames(imaging::decodeSheetPicture(sheet.png, {palette}), read,
                                           std::nullopt, palette);
        } else {
            back = imaging::LoadSheetFromMemory(sheet.png, grid, false, {palette});
        }
        if (back.size() != frames.size())
            state.SkipWithError("frames lost");
    }
    state.SetLabel(data ? "by data" : "by grid");
    state.SetItemsProcessed(state.iterations() * 1000 * 256 * 256);
}
BENCHMARK(BM_SheetBack_1000x256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
