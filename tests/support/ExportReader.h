#pragma once

// Reading exported pictures back, independently of the writers: PNG chunks
// walked by hand, indices through QImage, GIFs through giflib's DGifSlurp
// composed the way a viewer shows them.

#include "sprite/DC6Frame.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quillet::testing {

// A frame of random indices with non-zero corners, so trimming keeps its box.
inline FramePtr randomFrame(std::mt19937& rng, int width, int height, int x, int y,
                            const Palette& palette) {
    Bytes pixels(static_cast<std::size_t>(width) * height);
    for (auto& p : pixels)
        p = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0 : rng() % 256);
    for (std::size_t corner :
         {std::size_t{0}, std::size_t(width - 1), pixels.size() - width, pixels.size() - 1})
        pixels[corner] = static_cast<std::uint8_t>(1 + rng() % 255);
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(pixels, static_cast<std::int16_t>(width),
                        static_cast<std::int16_t>(height));
    frame->set_X_offset(x);
    frame->set_Y_offset(y);
    frame->seOriginalPalette(palette);
    frame->setNewPalette(palette);
    return frame;
}

inline Palette rampPalette(int seed) {
    Palette p{};
    for (int i = 0; i < 768; ++i)
        p[i] = static_cast<std::uint8_t>((i * seed + i / 3) % 256);
    return p;
}

// Indices top row first, `width` per row.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    Bytes indices;
    bool operator==(const IndexedPicture&) const = default;
};

// The frame's pixels as they should appear, with its top-left pixel at
// (left, top) of a zero-filled picture.
inline void placeInto(IndexedPicture& picture, const Bytes& pixels, int width, int height, int left,
                      int top) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.indices.at(static_cast<std::size_t>(top + y) * picture.width + left + x) =
                pixels.at(static_cast<std::size_t>(height - 1 - y) * width + x);
}

inline std::map<std::string, QByteArray> pngChunks(const QString& path) {
    QFile file(path);
    std::map<std::string, QByteArray> chunks;
    if (!file.open(QIODevice::ReadOnly))
        return chunks;
    const QByteArray bytes = file.readAll();
    for (qsizetype at = 8; at + 12 <= bytes.size();) {
        const auto length = qFromBigEndian<quint32>(bytes.constData() + at);
        chunks[bytes.mid(at + 4, 4).toStdString()] = bytes.mid(at + 8, length);
        at += 12 + length;
    }
    return chunks;
}

inline IndexedPicture readIndexedPng(const QString& path) {
    const QImage image(path, "PNG");
    EXPECT_EQ(image.format(), QImage::Format_Indexed8) << path.toStdString();
    IndexedPicture out{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y)
        out.indices.insert(out.indices.end(), image.constScanLine(y),
                           image.constScanLine(y) + image.width());
    return out;
}

// Files in a folder, hidden ones (temporaries) included.
inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

struct GifRead {
    int width = 0;
    int height = 0;
    bool loopsForever = false;
    Palette colours{};
    std::vector<int> delays;
    std::vector<int> disposals;
    std::vector<IndexedPicture> shown; // the canvas after each image, 0 where clear
};

inline GifRead readGif(const QString& path) {
    GifRead out;
    int error = 0;
    std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
        DGifOpenFileName(QFile::encodeName(path).constData(), &error),
        [](GifFileType* g) { DGifCloseFile(g, nullptr); });
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || !gif->SColorMap) {
        ADD_FAILURE() << "unreadable GIF " << path.toStdString();
        return out;
    }
    out.width = gif->SWidth;
    out.height = gif->SHeight;
    for (int i = 0; i < gif->SColorMap->ColorCount && i < 256; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        out.colours[3 * i] = c.Red, out.colours[3 * i + 1] = c.Green,
                        out.colours[3 * i + 2] = c.Blue;
    }
    IndexedPicture canvas{out.width, out.height, Bytes(std::size_t(out.width) * out.height, 0)};
    for (int n = 0; n < gif->ImageCount; ++n) {
        const SavedImage& image = gif->SavedImages[n];
        for (int b = 0; b + 1 < image.ExtensionBlockCount; ++b) {
            const ExtensionBlock& block = image.ExtensionBlocks[b];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::string(reinterpret_cast<const char*>(block.Bytes), 11) == "NETSCAPE2.0") {
                const ExtensionBlock& data = image.ExtensionBlocks[b + 1];
                out.loopsForever = data.ByteCount == 3 && data.Bytes[0] == 1 &&
                                   data.Bytes[1] == 0 && data.Bytes[2] == 0;
            }
        }
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif.get(), n, &control);
        out.delays.push_back(control.DelayTime);
        out.disposals.push_back(control.DisposalMode);
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const std::uint8_t index = image.RasterBits[y * d.Width + x];
                if (index != control.TransparentColor)
                    canvas.indices.at(std::size_t(d.Top + y) * out.width + d.Left + x) = index;
            }
        out.shown.push_back(canvas);
        if (control.DisposalMode == DISPOSE_BACKGROUND)
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x)
                    canvas.indices.at(std::size_t(d.Top + y) * out.width + d.Left + x) = 0;
    }
    return out;
}

} // namespace quillet::testing
