#pragma once

#include <QByteArray>
#include <QImage>

namespace quillet::imaging {

// `image` as an uncompressed 24-bit BMP. Throws QuilletError.
QByteArray encodeBitmap(const QImage& image);

} // namespace quillet::imaging
