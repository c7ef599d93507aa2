// GIF through giflib, read and written.
// Reading: Qt's reader returns 32-bit colour and loses the indices. Each
// image is composed onto the canvas (the logical screen, or the first image's
// own box when that does not fit on the screen; later images are placed
// relative to it and clipped) and delivered; its disposal method then
// prepares the canvas for the next one.
// Writing: an animation with one colour table, each image with its own delay.

#include "GifFormat.h"

#include "PictureFormat.h"
#include "imaging/import/GifCanvas.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace quillet::imaging {

namespace {

using GifHandle = std::unique_ptr<GifFileType, void (*)(GifFileType*)>;

template <int (*Close)(GifFileType*, int*)> void closeGif(GifFileType* gif) {
    Close(gif, nullptr);
}

std::string gifError(const char* side, int code) {
    const char* text = GifErrorString(code);
    return std::string(side) + ": " + (text ? text : "unknown error " + std::to_string(code));
}

} // namespace

namespace detail {

namespace {

struct GifSource {
    ByteView data;
    std::size_t pos = 0;
};

int readGifBytes(GifFileType* gif, GifByteType* out, int wanted) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(wanted < 0 ? 0 : wanted, src->data.size() - src->pos);
    std::memcpy(out, src->data.data() + src->pos, n);
    src->pos += n;
    return static_cast<int>(n);
}

GifHandle openGif(GifSource& src) {
    int error = 0;
    GifHandle gif(DGifOpen(&src, readGifBytes, &error), closeGif<DGifCloseFile>);
    if (!gif)
        fail(gifError("GIF", error));
    return gif;
}

const ColorMapObject* usable(const ColorMapObject* map) {
    return map && map->Colors && map->ColorCount > 0 ? map : nullptr;
}

Palette gifTable(const ColorMapObject* map) {
    Palette pal{};
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
        setEntry(pal, static_cast<std::size_t>(i), map->Colors[i].Red, map->Colors[i].Green,
                 map->Colors[i].Blue);
    return pal;
}

constexpr GraphicsControlBlock kNoControl{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};

// Reads an extension record to its end. A graphics control block lands in
// `control` when one is asked for; a malformed one is passed over, as
// viewers do. False when giflib fails.
bool readExtension(GifFileType* gif, GraphicsControlBlock* control) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (control && code == GRAPHICS_EXT_FUNC_CODE && block &&
        DGifExtensionToGCB(block[0], block + 1, control) == GIF_ERROR)
        *control = kNoControl;
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

// The image's rows, in the order of its four passes when interlaced.
bool readImage(GifFileType* gif, const GifImageDesc& desc, Bytes& image) {
    image.assign(static_cast<std::size_t>(desc.Width) * desc.Height, 0);
    const auto row = [&](int y) {
        return DGifGetLine(gif, image.data() + static_cast<std::size_t>(y) * desc.Width,
                           desc.Width) != GIF_ERROR;
    };
    if (!desc.Interlace) {
        for (int y = 0; y < desc.Height; ++y)
            if (!row(y))
                return false;
        return true;
    }
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < desc.Height; y += kStep[pass])
            if (!row(y))
                return false;
    return true;
}

class GifFormat : public PictureFormat {
public:
    void decode(ByteView data, PictureSink& sink) const override {
        const ImportLimits& limits = sink.limits();
        GifSource src{data};
        GifHandle gif = openGif(src);

        std::unique_ptr<GifCanvas> canvas;
        int shiftX = 0;
        int shiftY = 0;
        std::int64_t images = 0;
        GraphicsControlBlock control = kNoControl;
        Bytes image;
        // Bytes after a whole image that are no valid record end the file
        // there, as in other readers: the images read so far are kept.
        const auto broken = [&] {
            if (images == 0)
                fail(gifError("GIF", gif->Error));
        };
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
                return broken();
            if (type == TERMINATE_RECORD_TYPE) {
                if (images == 0)
                    fail("GIF: the file holds no image");
                return;
            }
            if (type == EXTENSION_RECORD_TYPE && !readExtension(gif.get(), &control))
                return broken();
            if (type != IMAGE_DESC_RECORD_TYPE)
                continue;

            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                return broken();
            const GifImageDesc& desc = gif->Image;
            checkPictureSize(desc.Width, desc.Height, limits);
            // Without any colour table, the indices are the document palette's.
            const ColorMapObject* map =
                usable(desc.ColorMap) ? desc.ColorMap : usable(gif->SColorMap);
            const Palette table = map ? gifTable(map) : sink.documentPalette();

            if (!canvas) {
                const std::int64_t right = std::int64_t{desc.Left} + desc.Width;
                const std::int64_t bottom = std::int64_t{desc.Top} + desc.Height;
                const bool onScreen = desc.Left >= 0 && desc.Top >= 0 && right <= gif->SWidth &&
                                      bottom <= gif->SHeight;
                const int width = onScreen ? gif->SWidth : desc.Width;
                const int height = onScreen ? gif->SHeight : desc.Height;
                checkPictureSize(width, height, limits);
                shiftX = onScreen ? 0 : -desc.Left;
                shiftY = onScreen ? 0 : -desc.Top;
                checkPixelsPerByte(width, height, data.size());
                canvas = std::make_unique<GifCanvas>(
                    width, height, static_cast<std::uint8_t>(gif->SBackGroundColor), table);
            }
            // All composed images together stay within the caps, checked
            // before this one is decoded.
            const auto canvasPixels = static_cast<std::int64_t>(canvas->pixels());
            if (images + 1 > limits::kMaxFrames || (images + 1) * canvasPixels > limits.maxPixels)
                fail("GIF: " + std::to_string(images + 1) + " images of " +
                     std::to_string(canvasPixels) + " pixels exceed the limit of " +
                     std::to_string(limits.maxPixels) + " pixels in all");
            checkPixelsPerByte(canvas->width(), canvas->height(), data.size(),
                               canvasPixels * (images + 1));
            checkPixelsPerByte(desc.Width, desc.Height, data.size());
            if (!readImage(gif.get(), desc, image))
                return broken();
            // giflib keeps a record of every image read, grown one at a time:
            // an animation of thousands of images would cost quadratic time.
            GifFreeSavedImages(gif.get());
            gif->ImageCount = 0;

            canvas->useTable(table);
            const int left = desc.Left + shiftX;
            const int top = desc.Top + shiftY;
            if (control.DisposalMode == DISPOSE_PREVIOUS)
                canvas->save();
            canvas->draw(image, left, top, desc.Width, desc.Height, control.TransparentColor);
            canvas->deliver(sink);
            ++images;
            if (sink.done())
                return;
            if (control.DisposalMode == DISPOSE_BACKGROUND)
                canvas->clear(left, top, desc.Width, desc.Height);
            else if (control.DisposalMode == DISPOSE_PREVIOUS)
                canvas->restore();
            control = kNoControl;
        }
    }

    // The global table, else the first image's.
    std::optional<Palette> colourTable(ByteView data) const override {
        GifSource src{data};
        GifHandle gif = openGif(src);
        if (const ColorMapObject* global = usable(gif->SColorMap))
            return gifTable(global);
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
                fail(gifError("GIF", gif->Error));
            if (type == TERMINATE_RECORD_TYPE)
                fail("GIF: the file holds no colour table");
            if (type == EXTENSION_RECORD_TYPE && !readExtension(gif.get(), nullptr))
                fail(gifError("GIF", gif->Error));
            if (type != IMAGE_DESC_RECORD_TYPE)
                continue;
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                fail(gifError("GIF", gif->Error));
            const ColorMapObject* map = usable(gif->Image.ColorMap);
            if (!map)
                fail("GIF: the first image has no colour table");
            return gifTable(map);
        }
    }
};

} // namespace

const PictureFormat& gifFormat() {
    static const GifFormat format;
    return format;
}

} // namespace detail

namespace {

int appendGifBytes(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return 0; // giflib reports the short write
    }
    return size;
}

struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

void check(GifFileType* gif, int result) {
    if (result == GIF_ERROR)
        throw QuilletError(gifError("GIF encoder", gif->Error));
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

} // namespace

GifWriter::GifWriter(int width, int height, const Palette& palette)
    : m_gif(nullptr, closeGif<EGifCloseFile>) {
    int error = 0;
    m_gif.reset(EGifOpen(&m_out, appendGifBytes, &error));
    if (!m_gif)
        throw QuilletError(gifError("GIF encoder", error));
    EGifSetGifVersion(m_gif.get(), true);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    const std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(256, colours));
    if (!map)
        throw QuilletError("not enough memory for the colour table");
    check(m_gif.get(), EGifPutScreenDesc(m_gif.get(), width, height, 8, 0, map.get()));
    putLoopForever(m_gif.get());
}

void GifWriter::addImage(const IndexedRows& image, int left, int top, int delay) {
    GifFileType* gif = m_gif.get();
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_BACKGROUND;
    control.DelayTime = delay;
    control.TransparentColor = 0;
    GifByteType extension[4];
    const auto length = EGifGCBToExtension(&control, extension);
    check(gif, EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));

    if (image.width <= 0 || image.height <= 0)
        throw QuilletError("the picture is empty");
    if (image.width > 0xFFFF || image.height > 0xFFFF)
        throw QuilletError("the picture is too large for a GIF file");
    const auto width = static_cast<int>(image.width);
    const auto height = static_cast<int>(image.height);
    if (image.indices.size() / static_cast<std::size_t>(width) < static_cast<std::size_t>(height))
        throw QuilletError("its pixels are fewer than its size");
    check(gif, EGifPutImageDesc(gif, left, top, width, height, false, nullptr));
    // giflib may rewrite the row it is given.
    std::vector<GifPixelType> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = image.topRow(y);
        std::copy(source, source + width, row.begin());
        check(gif, EGifPutLine(gif, row.data(), width));
    }
}

Bytes GifWriter::finish() {
    int error = 0;
    if (EGifCloseFile(m_gif.release(), &error) == GIF_ERROR)
        throw QuilletError(gifError("GIF encoder", error));
    return std::move(m_out);
}

} // namespace quillet::imaging
