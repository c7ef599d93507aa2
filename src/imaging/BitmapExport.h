#pragma once

#include <QImage>
#include <QString>

namespace quillet::imaging {

// The chosen path with every ".bmp" letter-case variant removed (folders included).
QString exportBaseName(const QString& chosenPath);

// base + "_00" / "_0" / "_" + n + ".BMP" for frame number n (from 1).
QString exportFileName(const QString& baseName, int frameNumber);

// Writes `image` as an uncompressed BMP; false with the reason in `error`.
bool writeBitmap(const QImage& image, const QString& path, QString* error);

} // namespace quillet::imaging
