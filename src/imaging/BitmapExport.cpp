#include "imaging/BitmapExport.h"

#include <QImageWriter>
#include <QSaveFile>

namespace quillet::imaging {

QString exportBaseName(const QString& chosenPath) {
    // One pass per variant in this order; a name like "x.b.bmpmp" keeps the
    // ".bmp" that only appears once an inner one is gone.
    static const char* const kVariants[] = {".bmp", ".bMp", ".bMP", ".bmP",
                                            ".Bmp", ".BMp", ".BMP", ".BmP"};
    QString base = chosenPath;
    for (const char* variant : kVariants)
        base.replace(QLatin1String(variant), QString(), Qt::CaseSensitive);
    return base;
}

QString exportFileName(const QString& baseName, int frameNumber) {
    const char* suffix = frameNumber < 10 ? "_00" : frameNumber < 100 ? "_0" : "_";
    return baseName + QLatin1String(suffix) + QString::number(frameNumber) + QLatin1String(".BMP");
}

bool writeBitmap(const QImage& image, const QString& path, QString* error) {
    const auto failed = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (image.isNull())
        return failed(QStringLiteral("the image is empty"));
    // Qt writes 32-bit images as uncompressed 24-bit BMPs.
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return failed(QStringLiteral("not enough memory to convert the image"));

    // A temporary beside the target, renamed over it only when complete, so a
    // failed write leaves an existing file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    QImageWriter writer(&file, "bmp");
    if (!writer.write(rgb)) {
        file.cancelWriting();
        return failed(writer.errorString());
    }
    if (!file.commit())
        return failed(file.errorString());
    return true;
}

} // namespace quillet::imaging
