#pragma once

#include "sprite/DC6Frame.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

namespace quillet::imaging {

// What the per-frame export writes: the drawn colours as a 24-bit BMP, or
// the indices as a palette PNG with index 0 transparent.
enum class ExportFormat { Bmp, Png };

// The chosen path with every letter-case variant of the format's extension
// (".bmp" or ".png") removed from its file name; folders stay as named.
QString exportBaseName(const QString& chosenPath, ExportFormat format = ExportFormat::Bmp);

// base + "_00" / "_0" / "_" + n + ".BMP" (".png") for frame number n (from 1).
QString exportFileName(const QString& baseName, int frameNumber,
                       ExportFormat format = ExportFormat::Bmp);

// Writes `image` as an uncompressed 24-bit BMP. Throws QuilletError.
void writeBitmap(const QImage& image, const QString& path);

// Writes one frame as the per-frame export does: pixels read with
// `palTransform`, in the frame's new palette. Throws QuilletError.
void writeFrame(const DC6Frame& frame, std::int16_t palTransform, const QString& path,
                ExportFormat format);

struct ExportReport {
    int written = 0;
    int failed = 0;
    bool cancelled = false;
    QString firstFailure; // "<file>: <reason>"
};

// Writes every frame to its own file named from `chosenPath` and its number:
// numbers[i] for frames[i], or 1, 2, ... without them. A frame that fails is
// counted and passed over. `progress(done, total)` is called after each
// frame; returning false stops the export before the next frame. Files are
// only ever complete: each one is written through a temporary.
ExportReport exportFrames(const FrameList& frames, std::int16_t palTransform,
                          const QString& chosenPath, ExportFormat format,
                          const std::function<bool(int, int)>& progress = {},
                          const std::vector<int>& numbers = {});

} // namespace quillet::imaging
