#pragma once

#include "sprite/Palette.h"
#include "sprite/PixelBlock.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class QMimeData;

namespace quillet::editor {

// Our own clipboard type: the indices with the palette they are drawn in and
// the place they were copied from, so a paste into another Quillet keeps
// them. Little-endian 32-bit width, height, left and top (from the frame's
// top-left corner), the 768 palette bytes, then width x height indices, rows
// from the top.
inline const QString kIndicesMime = QStringLiteral("application/x-quillet-indices");

struct CopiedPixels {
    pixels::Block block; // rows in the frame's order, bottom up
    Palette palette{};
    int left = 0;
    int top = 0;
};

// Our type and, for every other program, a palette PNG of the same pixels.
std::unique_ptr<QMimeData> clipboardData(const CopiedPixels& pixels);

// Our type, when the clipboard holds it whole and within a frame's limits.
std::optional<CopiedPixels> readCopiedPixels(const QMimeData& data);

// A picture another program put there, as the bytes of a picture file: its
// PNG as given, else its image written as PNG in memory; empty without one.
QByteArray clipboardPicture(const QMimeData& data);

} // namespace quillet::editor
