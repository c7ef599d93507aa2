// Speed of the sprite core on a fixed corpus of sprite-like 256 x 256 frames:
// every row has a transparent margin of 40 to 70 pixels on each side and an
// opaque interior of random indices with one pixel in 50 transparent. memcpy
// of the same pixel bytes is the physical reference for the throughputs.
#include "sprite/DC6FileIO.h"
#include "sprite/DC6Frame.h"
#include "sprite/IndexUsage.h"
#include "sprite/PixelOps.h"
#include "sprite/transform.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

namespace {

using namespace quillet;

constexpr int kSide = 256;
constexpr int kCorpusFrames = 400;
constexpr int kDocumentFrames = 1000;

FrameList makeCorpus(int count) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> margin(40, 70), index(1, 255), fiftieth(0, 49);
    FrameList frames;
    for (int f = 0; f < count; ++f) {
        Bytes pixels(kSide * kSide, 0);
        for (int y = 0; y < kSide; ++y) {
            const int left = margin(random), right = kSide - margin(random);
            for (int x = left; x < right; ++x)
                pixels[y * kSide + x] =
                    fiftieth(random) == 0 ? 0 : static_cast<std::uint8_t>(index(random));
        }
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, kSide, kSide);
        Palette original{}, target{};
        for (std::size_t i = 0; i < original.size(); ++i) {
            original[i] = static_cast<std::uint8_t>(random());
            target[i] = static_cast<std::uint8_t>(random());
        }
        frame->seOriginalPalette(original);
        frame->setNewPalette(target);
        frames.push_back(std::move(frame));
    }
    return frames;
}

const FrameList& corpus() {
    static const FrameList frames = makeCorpus(kCorpusFrames);
    return frames;
}

std::vector<Bytes> corpusBlocks() {
    std::vector<Bytes> blocks;
    for (const auto& frame : corpus()) {
        Bytes block = frame->getFrameHeader(0, 0);
        const Bytes stream = frame->getFrameData(0);
        block.insert(block.end(), stream.begin(), stream.end());
        block.insert(block.end(), 3, 0xEE);
        blocks.push_back(std::move(block));
    }
    return blocks;
}

constexpr std::int64_t kCorpusPixels = std::int64_t{kCorpusFrames} * kSide * kSide;

void BM_MemcpyReference(benchmark::State& state) {
    std::vector<Bytes> pixels;
    for (const auto& frame : corpus())
        pixels.push_back(frame->getPixelData(0));
    Bytes target(kSide * kSide);
    for (auto _ : state) {
        for (const Bytes& p : pixels) {
            std::memcpy(target.data(), p.data(), p.size());
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * kCorpusPixels);
}
BENCHMARK(BM_MemcpyReference)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    const std::vector<Bytes> blocks = corpusBlocks();
    DC6Frame target;
    for (auto _ : state)
        for (const Bytes& block : blocks)
            target.setDC6Data(block);
    state.SetItemsProcessed(state.iterations() * kCorpusPixels);
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state) {
    const auto palTransform = static_cast<std::int16_t>(state.range(0));
    for (auto _ : state)
        for (const auto& frame : corpus())
            benchmark::DoNotOptimize(frame->getFrameData(palTransform));
    state.SetItemsProcessed(state.iterations() * kCorpusPixels);
}
BENCHMARK(BM_Encode)->ArgName("palTransform")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Map(benchmark::State& state) {
    const FramePtr& frame = corpus().front();
    const Palette src = frame->getOrigPalette(), dest = frame->getNewPalette();
    for (auto _ : state)
        benchmark::DoNotOptimize(transform{}.Map(src, dest));
}
BENCHMARK(BM_Map)->Unit(benchmark::kMicrosecond);

// A 1000-frame document made of the corpus frames, through the file system.
class DocumentFile {
public:
    explicit DocumentFile(int directions = 1)
        : m_path(std::filesystem::temp_directory_path() / "quillet-bench.dc6") {
        for (int i = 0; i < kDocumentFrames; ++i)
            m_frames.push_back(corpus()[static_cast<std::size_t>(i % kCorpusFrames)]);
        DC6FileIO().SaveDC6(m_path.string(), m_frames, 0, {}, directions);
    }
    ~DocumentFile() { std::filesystem::remove(m_path); }
    const std::string path() const { return m_path.string(); }
    const FrameList& frames() const { return m_frames; }

private:
    std::filesystem::path m_path;
    FrameList m_frames;
};

void BM_LoadDC6_1000(benchmark::State& state) {
    const DocumentFile file(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DC6FileIO().LoadDC6(file.path()));
    state.SetItemsProcessed(state.iterations() * kDocumentFrames * kSide * kSide);
}
BENCHMARK(BM_LoadDC6_1000)->ArgName("directions")->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_DecodeFramesOf1000(benchmark::State& state) {
    // Into new frame objects, as a reader must; only the file access is left out.
    const std::vector<Bytes> blocks = corpusBlocks();
    for (auto _ : state) {
        FrameList frames;
        frames.reserve(kDocumentFrames);
        for (int i = 0; i < kDocumentFrames; ++i) {
            frames.push_back(std::make_shared<DC6Frame>());
            frames.back()->setDC6Data(blocks[static_cast<std::size_t>(i % kCorpusFrames)]);
        }
        benchmark::DoNotOptimize(frames);
    }
    state.SetItemsProcessed(state.iterations() * kDocumentFrames * kSide * kSide);
}
BENCHMARK(BM_DecodeFramesOf1000)->Unit(benchmark::kMillisecond);

void BM_SaveDC6_1000(benchmark::State& state) {
    const DocumentFile file;
    for (auto _ : state)
        DC6FileIO().SaveDC6(file.path(), file.frames(), 0);
    state.SetItemsProcessed(state.iterations() * kDocumentFrames * kSide * kSide);
}
BENCHMARK(BM_SaveDC6_1000)->Unit(benchmark::kMillisecond);

// The fill tool on 1024 x 1024: one solid region, and a one-pixel-wide
// corridor spiralling through the whole frame (a run per row and turn).
Bytes spiralMaze(int side) {
    Bytes pixels(static_cast<std::size_t>(side) * side, 1);
    // Walls of index 1 every other ring, each with a one-pixel gap, so the
    // corridors of index 0 join into one path.
    for (int ring = 0; 2 * ring < side; ring += 2) {
        const int lo = ring, hi = side - 1 - ring;
        for (int i = lo; i <= hi; ++i) {
            pixels[static_cast<std::size_t>(lo) * side + i] = 0;
            pixels[static_cast<std::size_t>(hi) * side + i] = 0;
            pixels[static_cast<std::size_t>(i) * side + lo] = 0;
            pixels[static_cast<std::size_t>(i) * side + hi] = 0;
        }
        if (lo + 2 < hi - 2)
            pixels[static_cast<std::size_t>(lo + 2) * side + lo + 1] = 0;
    }
    return pixels;
}

void BM_Fill1024(benchmark::State& state) {
    constexpr int kFillSide = 1024;
    const Bytes start =
        state.range(0) == 0 ? Bytes(kFillSide * kFillSide, 0) : spiralMaze(kFillSide);
    Bytes pixels;
    for (auto _ : state) {
        state.PauseTiming();
        pixels = start;
        state.ResumeTiming();
        benchmark::DoNotOptimize(pixels::floodFill({kFillSide, kFillSide, pixels}, {0, 0}, 9));
    }
    if (std::find(pixels.begin(), pixels.end(), 0) != pixels.end())
        state.SkipWithError("the fill left part of the region");
    state.SetItemsProcessed(state.iterations() * kFillSide * kFillSide);
}
BENCHMARK(BM_Fill1024)->ArgName("spiral")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Palette Usage of a document at the file limit: 2^28 pixels in 16 frames of
// 4096 x 4096, half of them re-indexed from another palette.
void BM_IndexUsageAtTheFileLimit(benchmark::State& state) {
    constexpr int kFrameSide = 4096;
    Bytes pixels(std::size_t{kFrameSide} * kFrameSide);
    std::mt19937 random(29);
    for (std::uint8_t& p : pixels)
        p = static_cast<std::uint8_t>(random() >> 8);
    FrameList frames;
    for (int f = 0; f < 16; ++f) {
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, kFrameSide, kFrameSide);
        Palette other{};
        other[3 * f] = 1;
        frame->seOriginalPalette(f % 2 ? other : Palette{});
        frames.push_back(std::move(frame));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(countIndexUsage(frames, 1));
    state.SetItemsProcessed(state.iterations() * 16 * kFrameSide * kFrameSide);
}
BENCHMARK(BM_IndexUsageAtTheFileLimit)->Unit(benchmark::kMillisecond);

} // namespace
