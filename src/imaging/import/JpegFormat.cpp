#include "PictureFormat.h"

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

namespace {

class JpegFormat : public PictureFormat {
public:
    void decode(ByteView data, PictureSink& sink) const override {
        sink.colour(toArgb32(readWithQt(data, "jpeg", sink.limits(), true)), false);
    }
    std::optional<Palette> colourTable(ByteView) const override { return std::nullopt; }
};

} // namespace

const PictureFormat& jpegFormat() {
    static const JpegFormat format;
    return format;
}

} // namespace quillet::imaging::detail
