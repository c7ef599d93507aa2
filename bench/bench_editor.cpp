// The editor's commands as a user meets them: the preview refresh after each
// change, Open and Save of a long animation, and the sheet dialog following
// the numbers typed.
#include "FigureSheet.h"
#include "display/SheetDialog.h"
#include "editor/FileCommands.h"
#include "editor/FrameImportCommands.h"
#include "editor/PaletteCommands.h"
#include "editor/PreviewCommands.h"
#include "editor/frmQuillet2.h"
#include "sprite/DC6FileIO.h"

#include <QCoreApplication>
#include <QImage>
#include <QSpinBox>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <deque>

namespace {

using namespace quillet;

// Answers every file dialog with the next queued path; no questions are asked here.
class QueuedFileDialog : public platform::FileDialog {
public:
    std::deque<QString> answers;

protected:
    QString run(bool) override {
        QString next = answers.empty() ? QString() : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return next;
    }
    QStringList runSeveral() override {
        const QString next = run(false);
        return next.isEmpty() ? QStringList() : QStringList{next};
    }
};

class SilentMessageBox : public platform::MessageBox {
public:
    platform::Answer show(const QString&, const QString&, platform::Buttons,
                          platform::Icon) override {
        return platform::Answer::No;
    }
};

class IdlePointer : public platform::BusyPointer {
public:
    void setBusy(bool) override {}
};

struct Editor {
    QueuedFileDialog* dialog;
    std::unique_ptr<editor::frmQuillet2> window;

    explicit Editor(const QString& folder) {
        auto fileDialog = std::make_unique<QueuedFileDialog>();
        dialog = fileDialog.get();
        platform::Services services;
        services.fileDialog = std::move(fileDialog);
        services.messageBox = std::make_unique<SilentMessageBox>();
        services.busyPointer = std::make_unique<IdlePointer>();
        window = std::make_unique<editor::frmQuillet2>(std::move(services), folder);
        window->show();
    }
};

Bytes noisyPixels(int width, int height, std::uint32_t seed) {
    Bytes pixels(static_cast<std::size_t>(width) * height);
    for (auto& pixel : pixels) {
        seed = seed * 1103515245u + 12345u;
        // Runs of a few equal pixels, as sprites have, rather than pure noise.
        pixel = static_cast<std::uint8_t>((seed >> 28) < 6 ? 0 : seed >> 24);
    }
    return pixels;
}

// A 256 x 256 picture with a colour table of its own, so the transform has
// real mapping work to do.
void BM_UpdatePreview256(benchmark::State& state) {
    QTemporaryDir dir;
    QImage picture(256, 256, QImage::Format_Indexed8);
    picture.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        picture.setColor(i, qRgb(i, (i * 5) % 256, 255 - i));
    const Bytes pixels = noisyPixels(256, 256, 7);
    for (int y = 0; y < 256; ++y)
        std::copy_n(pixels.begin() + y * 256, 256, picture.scanLine(y));
    const QString file = dir.filePath(QStringLiteral("tile.bmp"));
    picture.save(file, "BMP");

    Editor editor(dir.path());
    editor.dialog->answers.push_back(file);
    editor.window->imports().addFrame();
    if (editor.window->frameCount() != 1) {
        state.SkipWithError("the picture was not imported");
        return;
    }
    if ((state.range(0) != 0) != (editor.window->palTransform() != 0))
        editor.window->palettes().transformPalette();
    for (auto _ : state)
        editor.window->preview().UpdatePreview();
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_UpdatePreview256)->ArgName("transform")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

QString writeLongAnimation(const QTemporaryDir& dir, int frames, std::int16_t side = 64) {
    FrameList list;
    for (int i = 0; i < frames; ++i) {
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(noisyPixels(side, side, static_cast<std::uint32_t>(i)), side, side);
        list.push_back(frame);
    }
    const QString file = dir.filePath(QStringLiteral("long.dc6"));
    DC6FileIO().SaveDC6(file.toStdString(), list, 0);
    return file;
}

void BM_Open1000Frames(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = writeLongAnimation(dir, 1000);
    Editor editor(dir.path());
    for (auto _ : state) {
        editor.dialog->answers.push_back(file);
        editor.window->files().open();
    }
    if (editor.window->frameCount() != 1000)
        state.SkipWithError("the animation was not opened");
}
BENCHMARK(BM_Open1000Frames)->Unit(benchmark::kMillisecond);

// The largest document, with the preview and its frames panel (arg 1) or
// without (Preview unticked, arg 0): what the panel adds to Open.
void BM_Open32767Frames(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = writeLongAnimation(dir, 32767, 32);
    Editor editor(dir.path());
    if (state.range(0) == 0)
        editor.window->preview().togglePreview();
    for (auto _ : state) {
        editor.dialog->answers.push_back(file);
        editor.window->files().open();
        // The windows drawn as they would be on screen: the panel's first page too.
        QCoreApplication::processEvents();
    }
    if (editor.window->frameCount() != 32767)
        state.SkipWithError("the animation was not opened");
}
BENCHMARK(BM_Open32767Frames)->ArgName("preview")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Save1000Frames(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = writeLongAnimation(dir, 1000);
    Editor editor(dir.path());
    editor.dialog->answers.push_back(file);
    editor.window->files().open();
    for (auto _ : state) {
        if (editor.window->files().save() != editor::SaveResult::Saved) {
            state.SkipWithError("the save failed");
            break;
        }
    }
}
BENCHMARK(BM_Save1000Frames)->Unit(benchmark::kMillisecond);

// One number typed into the sheet dialog over a 4096 x 4096 sheet: the grid
// laid again (cells of 32 x 32, then 64 x 32: 16384 and 8192 cells) and the
// view drawn.
void BM_SheetDialogTyping4096(benchmark::State& state) {
    const imaging::IndexedPicture sheet = bench::figureSheet();
    display::SheetDialog dialog(
        QStringLiteral("Add Frames from Sheet"), editor::sheetPicture(sheet), {},
        [&](const platform::SheetRequest& r) { return editor::sheetLayout(sheet, r, 32767); });
    auto* width = dialog.findChild<QSpinBox*>(QStringLiteral("cellWidth"));
    auto* view = dialog.findChild<display::SheetView*>();
    view->resize(view->sizeHint());
    QImage shown(view->size(), QImage::Format_ARGB32_Premultiplied);
    int typed = 0;
    for (auto _ : state) {
        width->setValue(++typed % 2 == 0 ? 64 : 32);
        view->render(&shown);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SheetDialogTyping4096)->Unit(benchmark::kMillisecond);

} // namespace
