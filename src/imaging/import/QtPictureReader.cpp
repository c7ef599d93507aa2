#include "QtPictureReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>

namespace quillet::imaging::detail {

QImage readWithQt(ByteView data, const char* format, const ImportLimits& limits, bool compressed,
                  QImage target) {
    QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                             static_cast<qsizetype>(data.size()));
    QBuffer device(&raw);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, format);
    // Qt counts in MiB; our own caps, at four bytes a pixel, fit within.
    reader.setAllocationLimit(
        static_cast<int>(std::clamp<std::int64_t>((limits.maxPixels * 4 >> 20) + 1, 1, 1 << 20)));
    reader.setAutoTransform(false);
    const auto readerFailed = [&] {
        const std::string why = reader.error() == QImageReader::UnknownError
                                    ? "the data cannot be decoded"
                                    : reader.errorString().toStdString();
        fail(std::string(format) + ": " + why);
    };
    const QSize announced = reader.size();
    if (announced == QSize())
        readerFailed();
    // Top-down BMPs announce a negative height.
    const std::int64_t announcedHeight = std::abs(std::int64_t{announced.height()});
    checkPictureSize(announced.width(), announcedHeight, limits);
    if (compressed)
        checkPixelsPerByte(announced.width(), announcedHeight, data.size());
    QImage image = std::move(target);
    if (!reader.read(&image) || image.isNull())
        readerFailed();
    checkPictureSize(image.width(), image.height(), limits);
    return image;
}

} // namespace quillet::imaging::detail
