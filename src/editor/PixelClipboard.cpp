#include "PixelClipboard.h"

#include "imaging/formats/PngFormat.h"
#include "sprite/DC6Frame.h"
#include "sprite/Error.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <algorithm>

namespace quillet::editor {

namespace {

constexpr std::size_t kHeader = 16;
const QString kPngMime = QStringLiteral("image/png");

} // namespace

std::unique_ptr<QMimeData> clipboardData(const CopiedPixels& copied) {
    const pixels::Block& block = copied.block;
    Bytes header;
    for (const int v : {block.width, block.height, copied.left, copied.top})
        appendLong(header, v);
    // Written straight into what the clipboard keeps: the block is copied once.
    QByteArray ours;
    ours.reserve(static_cast<qsizetype>(kHeader + kPaletteBytes + block.indices.size()));
    const auto append = [&ours](const std::uint8_t* from, std::size_t count) {
        ours.append(reinterpret_cast<const char*>(from), static_cast<qsizetype>(count));
    };
    append(header.data(), header.size());
    append(copied.palette.data(), copied.palette.size());
    for (int y = block.height - 1; y >= 0; --y)
        append(block.indices.data() + static_cast<std::ptrdiff_t>(y) * block.width,
               static_cast<std::size_t>(block.width));
    auto data = std::make_unique<QMimeData>();
    data->setData(kIndicesMime, ours);
    const Bytes png =
        imaging::encodeIndexedPng({block.width, block.height, block.indices, true}, copied.palette);
    data->setData(kPngMime, QByteArray(reinterpret_cast<const char*>(png.data()),
                                       static_cast<qsizetype>(png.size())));
    return data;
}

std::optional<CopiedPixels> readCopiedPixels(const QMimeData& data) {
    if (!data.hasFormat(kIndicesMime))
        return std::nullopt;
    const QByteArray raw = data.data(kIndicesMime);
    const ByteView bytes(reinterpret_cast<const std::uint8_t*>(raw.constData()),
                         static_cast<std::size_t>(raw.size()));
    if (bytes.size() < kHeader + kPaletteBytes)
        return std::nullopt;
    CopiedPixels copied;
    pixels::Block& block = copied.block;
    block.width = strToLong(bytes.subspan(0));
    block.height = strToLong(bytes.subspan(4));
    copied.left = strToLong(bytes.subspan(8));
    copied.top = strToLong(bytes.subspan(12));
    try {
        // Sizes are checked against the limits and the length before anything is made of them.
        if (static_cast<std::size_t>(checkedFramePixels(block.width, block.height)) !=
            bytes.size() - kHeader - kPaletteBytes)
            return std::nullopt;
    } catch (const QuilletError&) {
        return std::nullopt;
    }
    std::copy_n(bytes.begin() + kHeader, kPaletteBytes, copied.palette.begin());
    const ByteView rows = bytes.subspan(kHeader + kPaletteBytes);
    block.indices.reserve(rows.size());
    for (int y = block.height - 1; y >= 0; --y) {
        const auto row = rows.begin() + static_cast<std::ptrdiff_t>(y) * block.width;
        block.indices.insert(block.indices.end(), row, row + block.width);
    }
    return copied;
}

QByteArray clipboardPicture(const QMimeData& data) {
    if (data.hasFormat(kPngMime))
        return data.data(kPngMime);
    if (!data.hasImage())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    qvariant_cast<QImage>(data.imageData()).save(&buffer, "PNG");
    return png;
}

} // namespace quillet::editor
