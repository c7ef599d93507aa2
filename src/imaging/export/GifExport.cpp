#include "GifExport.h"

#include "FileReplace.h"
#include "imaging/PictureImport.h"
#include "imaging/view/FramePlacement.h"
#include "sprite/Error.h"

#include <algorithm>
#include <gif_lib.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace quillet::imaging {

namespace {

constexpr int kMinBrowserDelay = 2;

int appendGifBytes(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return 0; // giflib reports the short write
    }
    return size;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

[[noreturn]] void gifFailed(int code) {
    const char* text = GifErrorString(code);
    throw QuilletError(std::string("GIF encoder: ") + (text ? text : "unknown error"));
}

void check(GifFileType* gif, int result) {
    if (result == GIF_ERROR)
        gifFailed(gif->Error);
}

// Centiseconds from the start of the animation to the start of frame `index`.
std::int64_t startTime(std::int64_t index, int framesPerSecond) {
    return (index * 200 + framesPerSecond) / (2 * framesPerSecond);
}

void putLoopForever(GifFileType* gif) {
    static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                               'P', 'E', '2', '.', '0'};
    static const GifByteType kLoop[] = {1, 0, 0}; // sub-block 1, repeat count 0: forever
    check(gif, EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
    check(gif, EGifPutExtensionBlock(gif, sizeof kApplication, kApplication));
    check(gif, EGifPutExtensionBlock(gif, sizeof kLoop, kLoop));
    check(gif, EGifPutExtensionTrailer(gif));
}

void putFrame(GifFileType* gif, const PlacedBox& canvas, const DC6Frame& frame,
              std::int16_t palTransform, int delay) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_BACKGROUND;
    control.DelayTime = delay;
    control.TransparentColor = 0;
    GifByteType extension[4];
    const auto length = EGifGCBToExtension(&control, extension);
    check(gif, EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));

    const PlacedBox box = placedBox(frame);
    if (box.empty()) {
        // Still a frame of the animation, so its time passes: one clear pixel.
        GifPixelType clear = 0;
        check(gif, EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr));
        check(gif, EGifPutLine(gif, &clear, 1));
        return;
    }
    const Bytes pixels = frame.getPixelData(palTransform);
    const auto width = static_cast<int>(box.width);
    const auto height = static_cast<int>(box.height);
    if (pixels.size() / static_cast<std::size_t>(width) < static_cast<std::size_t>(height))
        throw QuilletError("its pixels are fewer than its size");
    check(gif,
          EGifPutImageDesc(gif, static_cast<int>(box.left - canvas.left),
                           static_cast<int>(box.top - canvas.top), width, height, false, nullptr));
    // giflib may rewrite the row it is given, and a frame's rows run bottom up.
    std::vector<GifPixelType> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const auto* source = pixels.data() + static_cast<std::size_t>(height - 1 - y) * width;
        std::copy(source, source + width, row.begin());
        check(gif, EGifPutLine(gif, row.data(), width));
    }
}

} // namespace

void exportGif(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
               int framesPerSecond, const QString& path) {
    if (frames.empty())
        throw QuilletError("there are no frames to write");
    if (framesPerSecond < 1 || framesPerSecond > kMaxGifFramesPerSecond)
        throw QuilletError("the frame rate must be 1 to " + std::to_string(kMaxGifFramesPerSecond) +
                           " frames per second, not " + std::to_string(framesPerSecond));
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (!frames[i])
            throw QuilletError("frame " + std::to_string(i + 1) + " is missing");
    const PlacedBox canvas = unionBox(frames);
    if (canvas.empty())
        throw QuilletError("the frames hold no pixels");
    // The importer's cap, well inside GIF's 65535: every GIF written can be read back.
    if (canvas.width > kMaxPictureSide || canvas.height > kMaxPictureSide)
        throw QuilletError("the frames span " + std::to_string(canvas.width) + " x " +
                           std::to_string(canvas.height) + " pixels, more than the limit of " +
                           std::to_string(kMaxPictureSide) + " on a side");

    Bytes out;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, appendGifBytes, &error));
    if (!gif)
        gifFailed(error);
    EGifSetGifVersion(gif.get(), true);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    const std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(256, colours));
    if (!map)
        throw QuilletError("not enough memory for the colour table");
    check(gif.get(), EGifPutScreenDesc(gif.get(), static_cast<int>(canvas.width),
                                       static_cast<int>(canvas.height), 8, 0, map.get()));
    putLoopForever(gif.get());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto n = static_cast<std::int64_t>(i);
        const int delay = static_cast<int>(std::max<std::int64_t>(
            kMinBrowserDelay, startTime(n + 1, framesPerSecond) - startTime(n, framesPerSecond)));
        try {
            putFrame(gif.get(), canvas, *frames[i], palTransform, delay);
        } catch (const QuilletError& e) {
            throw QuilletError("frame " + std::to_string(i + 1) + ": " + e.what());
        }
    }
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR)
        gifFailed(error);
    replaceFile(path, out);
}

} // namespace quillet::imaging
