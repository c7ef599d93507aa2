#include "BitmapExport.h"

#include "FileReplace.h"
#include "imaging/formats/BmpFormat.h"
#include "imaging/formats/PngFormat.h"
#include "imaging/view/FrameImage.h"
#include "sprite/Error.h"

#include <QDir>

namespace quillet::imaging {

QString exportBaseName(const QString& chosenPath, ExportFormat format) {
    // One pass per variant in this order; a name like "x.b.bmpmp" keeps the
    // ".bmp" that only appears once an inner one is gone.
    static const char* const kBmpVariants[] = {".bmp", ".bMp", ".bMP", ".bmP",
                                               ".Bmp", ".BMp", ".BMP", ".BmP"};
    static const char* const kPngVariants[] = {".png", ".pNg", ".pNG", ".pnG",
                                               ".Png", ".PNg", ".PNG", ".PnG"};
    // Only the file name loses them: a folder such as "a.bmp.d" is where the
    // user asked the files to go. Windows also separates with a backslash.
    const qsizetype nameStart = QDir::fromNativeSeparators(chosenPath).lastIndexOf(u'/') + 1;
    QString name = chosenPath.mid(nameStart);
    for (const char* variant : format == ExportFormat::Png ? kPngVariants : kBmpVariants)
        name.replace(QLatin1String(variant), QString(), Qt::CaseSensitive);
    return chosenPath.left(nameStart) + name;
}

QString exportFileName(const QString& baseName, int frameNumber, ExportFormat format) {
    const char* suffix = frameNumber < 10 ? "_00" : frameNumber < 100 ? "_0" : "_";
    return baseName + QLatin1String(suffix) + QString::number(frameNumber) +
           QLatin1String(format == ExportFormat::Png ? ".png" : ".BMP");
}

void writeBitmap(const QImage& image, const QString& path) {
    const QByteArray bytes = encodeBitmap(image);
    replaceFile(path, ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size())));
}

void writeFrame(const DC6Frame& frame, std::int16_t palTransform, const QString& path,
                ExportFormat format) {
    const Bytes pixels = frame.getPixelData(palTransform);
    if (format == ExportFormat::Bmp) {
        writeBitmap(
            renderFrame(frame.get_X_size(), frame.get_Y_size(), pixels, frame.getNewPalette()),
            path);
        return;
    }
    replaceFile(path, encodeIndexedPng({frame.get_X_size(), frame.get_Y_size(), pixels, true},
                                       frame.getNewPalette()));
}

ExportReport exportFrames(const FrameList& frames, std::int16_t palTransform,
                          const QString& chosenPath, ExportFormat format,
                          const std::function<bool(int, int)>& progress,
                          const std::vector<int>& numbers) {
    ExportReport report;
    const QString base = exportBaseName(chosenPath, format);
    const int total = static_cast<int>(frames.size());
    for (int n = 1; n <= total; ++n) {
        const int number = numbers.size() == frames.size() ? numbers[n - 1] : n;
        const QString target = exportFileName(base, number, format);
        QString reason;
        bool failed = false;
        try {
            if (!frames[n - 1])
                throw QuilletError("the frame is missing");
            writeFrame(*frames[n - 1], palTransform, target, format);
            ++report.written;
        } catch (const std::exception& e) {
            reason = QString::fromUtf8(e.what());
            failed = true;
        }
        if (failed && report.failed++ == 0)
            report.firstFailure = QStringLiteral("%1: %2").arg(target, reason);
        if (progress && !progress(n, total) && n < total) {
            report.cancelled = true;
            break;
        }
    }
    return report;
}

} // namespace quillet::imaging
