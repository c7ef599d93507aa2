#include "GifExport.h"

#include "FileReplace.h"
#include "imaging/PictureImport.h"
#include "imaging/formats/GifFormat.h"
#include "imaging/view/FramePlacement.h"
#include "sprite/Error.h"

#include <algorithm>
#include <string>

namespace quillet::imaging {

namespace {

constexpr int kMinBrowserDelay = 2;

// Centiseconds from the start of the animation to the start of frame `index`.
std::int64_t startTime(std::int64_t index, int framesPerSecond) {
    return (index * 200 + framesPerSecond) / (2 * framesPerSecond);
}

void putFrame(GifWriter& gif, const PlacedBox& canvas, const DC6Frame& frame,
              std::int16_t palTransform, int delay) {
    const PlacedBox box = placedBox(frame);
    if (box.empty()) {
        // Still a frame of the animation, so its time passes: one clear pixel.
        static constexpr std::uint8_t kClear[] = {0};
        gif.addImage({1, 1, kClear}, 0, 0, delay);
        return;
    }
    const Bytes pixels = frame.getPixelData(palTransform);
    gif.addImage({box.width, box.height, pixels, /*bottomUp=*/true},
                 static_cast<int>(box.left - canvas.left), static_cast<int>(box.top - canvas.top),
                 delay);
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

    GifWriter gif(static_cast<int>(canvas.width), static_cast<int>(canvas.height), palette);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto n = static_cast<std::int64_t>(i);
        const int delay = static_cast<int>(std::max<std::int64_t>(
            kMinBrowserDelay, startTime(n + 1, framesPerSecond) - startTime(n, framesPerSecond)));
        try {
            putFrame(gif, canvas, *frames[i], palTransform, delay);
        } catch (const QuilletError& e) {
            throw QuilletError("frame " + std::to_string(i + 1) + ": " + e.what());
        }
    }
    replaceFile(path, gif.finish());
}

} // namespace quillet::imaging
