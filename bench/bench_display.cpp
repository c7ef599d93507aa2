// Drawing the largest tile an imported picture yields, as the preview and
// the bitmap export do for every frame, and the preview's views of it.
#include "display/DrawPic.h"
#include "display/FramesPanel.h"
#include "display/ImageArea.h"
#include "display/PictureDrawing.h"
#include "display/frmShowFrame.h"
#include "imaging/view/FrameImage.h"
#include "imaging/view/FrameView.h"
#include "imaging/view/PixelReadout.h"
#include "imaging/view/Thumbnail.h"
#include "sprite/FrameEdit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
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

namespace {

// An animation of 256 x 256 frames with a third of their pixels at index 0
// and offsets that wander a little, as a walk cycle's do.
FrameList walkCycle(int frameCount) {
    FrameList frames;
    for (int i = 0; i < frameCount; ++i) {
        Bytes pixels = tilePixels(256, 256);
        for (std::size_t p = 0; p < pixels.size(); ++p)
            if ((p + static_cast<std::size_t>(i)) % 3 == 0)
                pixels[p] = 0;
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, 256, 256);
        frame->set_X_offset(-128 + i % 7);
        frame->set_Y_offset(20 - i % 5);
        frame->setNewPalette(rampPalette());
        frames.push_back(frame);
    }
    return frames;
}

// What the preview does for one frame: the picture at 1x, then painted
// enlarged, here into an image the size of the whole zoomed picture.
void drawView(const FrameList& frames, int index, const imaging::ViewOptions& options,
              QImage& target) {
    const imaging::ViewImage view = imaging::renderView(frames, index, 0, options);
    const QSize zoomed = view.image.size() * options.zoom;
    if (target.size() != zoomed)
        target = QImage(zoomed, QImage::Format_RGB32);
    QPainter painter(&target);
    imaging::paintZoomed(painter, view.image, options.zoom, QPoint(0, 0), target.rect());
}

const imaging::ViewOptions kEveryView{.zoom = 8,
                                      .alignByOffsets = true,
                                      .onionPrevious = true,
                                      .onionNext = true,
                                      .transparentBackground = true};

void BM_DrawView256Plain(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    QImage target;
    for (auto _ : state) {
        drawView(frames, 1, {}, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_DrawView256Plain)->Unit(benchmark::kMicrosecond);

void BM_DrawView256Zoom8EveryView(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    QImage target;
    for (auto _ : state) {
        drawView(frames, 1, kEveryView, target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["pixels"] = target.width() * target.height();
}
BENCHMARK(BM_DrawView256Zoom8EveryView)->Unit(benchmark::kMicrosecond);

// One second of playback at 60 frames per second: the share of a core it
// takes is the time shown divided by 1 s.
void BM_Playback60FramesZoom8EveryView(benchmark::State& state) {
    const FrameList frames = walkCycle(60);
    QImage target;
    for (auto _ : state)
        for (int index = 0; index < 60; ++index) {
            drawView(frames, index, kEveryView, target);
            benchmark::DoNotOptimize(target.constBits());
        }
}
BENCHMARK(BM_Playback60FramesZoom8EveryView)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The two halves of the zoomed draw: painting alone, and the least any
// painting of that many pixels costs (filling them).
void BM_PaintZoomed8Only(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    const QImage image = imaging::renderView(frames, 1, 0, kEveryView).image;
    QImage target(image.size() * 8, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        imaging::paintZoomed(painter, image, 8, QPoint(0, 0), target.rect());
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintZoomed8Only)->Unit(benchmark::kMicrosecond);

void BM_FillZoomedAreaForReference(benchmark::State& state) {
    QImage target(2128, 2088, QImage::Format_RGB32); // the zoomed view's size
    for (auto _ : state) {
        target.fill(0xFF123456);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FillZoomedAreaForReference)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// The status line's readout on every mouse move over a 256 x 256 frame at 8x,
// aligned: the point to the frame's pixel and its text, then the whole way
// from the mouse event to the status line.
void BM_ReadoutPixelAt(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    const imaging::ViewImage view =
        imaging::renderView(frames, 1, 0, {.zoom = 8, .alignByOffsets = true});
    int step = 0;
    for (auto _ : state) {
        const QPoint point((step * 37) % (view.image.width() * 8),
                           (step * 53) % (view.image.height() * 8));
        ++step;
        const auto pixel = imaging::pixelAt(view, 8, point);
        QString text = pixel ? imaging::readoutText(*pixel) : QString();
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(BM_ReadoutPixelAt)->Unit(benchmark::kMicrosecond);

void BM_ReadoutMouseMove(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    display::frmShowFrame window;
    window.showFrame(frames, 1, 0, {.zoom = 8, .alignByOffsets = true});
    display::ImageArea& area = window.Img();
    int step = 0;
    for (auto _ : state) {
        // Over the frame, where there is always something to read.
        const QPointF point(1 + 16 + (step * 37) % 1920, 1 + 16 + (step * 53) % 1920);
        ++step;
        QMouseEvent move(QEvent::MouseMove, point, area.mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&area, &move);
        benchmark::DoNotOptimize(window.statusText().constData());
    }
    if (!window.statusText().startsWith(QLatin1String("x ")))
        state.SkipWithError("the mouse moves read nothing");
}
BENCHMARK(BM_ReadoutMouseMove)->Unit(benchmark::kMicrosecond);

// A pencil stroke at 16x on a 256 x 256 frame: one mouse move drawing a
// segment of eight pixels, then the repaint of what it marked. Each stroke
// crosses the frame once and is dropped, so every move changes pixels.
void BM_PencilMove256Zoom16(benchmark::State& state) {
    const FrameList frames = {std::make_shared<DC6Frame>()};
    frames[0]->setPixelData(Bytes(256 * 256, 0), 256, 256);
    frames[0]->setNewPalette(rampPalette());
    display::frmShowFrame window;
    window.show();
    window.showFrame(frames, 0, 0, {.zoom = 16});
    display::ImageArea& area = window.Img();
    const auto send = [&area](QEvent::Type type, int x, int y) {
        const QPointF point(1 + 16 * x + 8, 1 + 16 * y + 8);
        QMouseEvent event(type, point, area.mapToGlobal(point), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&area, &event);
    };
    int x = 256;
    int y = 0;
    for (auto _ : state) {
        if (x + 8 >= 256) {
            state.PauseTiming();
            window.drawing().cancel();
            x = 0;
            y = (y + 5) % 250;
            send(QEvent::MouseButtonPress, x, y);
            QApplication::processEvents();
            state.ResumeTiming();
        }
        x += 8;
        send(QEvent::MouseMove, x, y + x % 3);
        QApplication::processEvents();
    }
    // Index 1 draws by default.
    if (area.retainedImage().pixel(x, y + x % 3) != imaging::paletteColour(rampPalette(), 1))
        state.SkipWithError("the moves drew nothing");
}
BENCHMARK(BM_PencilMove256Zoom16)->Unit(benchmark::kMicrosecond);

// A palette entry clicked: the view redrawn with every other pixel dimmed,
// against the same redraw without the highlight.
void BM_DrawView256Zoom8(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    QImage target;
    for (auto _ : state) {
        drawView(frames, 1, {.zoom = 8}, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_DrawView256Zoom8)->Unit(benchmark::kMicrosecond);

void BM_DrawView256Zoom8Highlighted(benchmark::State& state) {
    const FrameList frames = walkCycle(3);
    QImage target;
    for (auto _ : state) {
        drawView(frames, 1, {.zoom = 8, .highlightIndex = 37}, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_DrawView256Zoom8Highlighted)->Unit(benchmark::kMicrosecond);
// One thumbnail of the largest tile, its pixels mapped through the palette
// transform (arg 1) or taken as stored (arg 0).
void BM_Thumbnail256(benchmark::State& state) {
    const FrameList frames = walkCycle(1);
    Palette original = rampPalette();
    original[3] = 200;
    frames[0]->seOriginalPalette(original);
    const auto transform = static_cast<std::int16_t>(state.range(0));
    for (auto _ : state) {
        QImage image = imaging::renderThumbnail(*frames[0], transform, QSize(48, 48), false);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Thumbnail256)->ArgName("transform")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The frames panel over `count` frames of side x side pixels, each its own
// picture, in 8 directions, 8 x 4 cells on screen.
struct Panel {
    FrameList frames;
    display::FramesPanel panel;
    QImage target;

    Panel(int count, int side) {
        for (int i = 0; i < count; ++i) {
            auto frame = std::make_shared<DC6Frame>();
            Bytes pixels = tilePixels(side, side);
            pixels[static_cast<std::size_t>(i) % pixels.size()] = static_cast<std::uint8_t>(i);
            frame->setPixelData(pixels, static_cast<std::int16_t>(side),
                                static_cast<std::int16_t>(side));
            frame->setNewPalette(rampPalette());
            frames.push_back(std::move(frame));
        }
        panel.showFrames(frames, 8, 1, {1}, 0, false);
        panel.resize(panel.sizeHint());
        target = QImage(panel.viewport()->size(), QImage::Format_RGB32);
    }
    void paint() { panel.viewport()->render(&target); }
};

// A page whose thumbnails are all made already.
void BM_FramesPanelCachedPage(benchmark::State& state) {
    Panel p(128, 256);
    p.paint();
    for (auto _ : state)
        p.paint();
    state.counters["made"] = static_cast<double>(p.panel.thumbnails().made());
}
BENCHMARK(BM_FramesPanelCachedPage)->Unit(benchmark::kMicrosecond);

// A page after an edit of one frame on it: one thumbnail is made anew.
void BM_FramesPanelPageAfterAnEdit(benchmark::State& state) {
    Panel p(128, 256);
    p.paint();
    const std::uint64_t before = p.panel.thumbnails().made();
    FrameState flipped;
    for (auto _ : state) {
        flipped = editedState(*p.frames[2], {.kind = FrameEdit::Kind::FlipHorizontal});
        swapState(*p.frames[2], flipped);
        p.paint();
    }
    state.counters["made_per_edit"] =
        static_cast<double>(p.panel.thumbnails().made() - before) / state.iterations();
}
BENCHMARK(BM_FramesPanelPageAfterAnEdit)->Unit(benchmark::kMicrosecond);

// Every page of the largest document in turn: the cache stays within its budget.
void BM_FramesPanelScroll32767(benchmark::State& state) {
    Panel p(32767, 32);
    for (auto _ : state) {
        QScrollBar* bar = p.panel.horizontalScrollBar();
        for (int at = 0; at <= bar->maximum(); at += p.panel.viewport()->width()) {
            bar->setValue(at);
            p.paint();
        }
    }
    state.counters["cache_MiB"] = static_cast<double>(p.panel.thumbnails().bytesHeld()) / (1 << 20);
    state.counters["budget_MiB"] = static_cast<double>(p.panel.thumbnails().budget()) / (1 << 20);
}
BENCHMARK(BM_FramesPanelScroll32767)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
