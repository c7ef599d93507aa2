#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

namespace quillet::platform {

// How File > Export Sprite Sheet... lays the frames out, and whether it
// writes the data file beside the picture, its frames listed or keyed by
// file name.
struct SheetExportRequest {
    bool rowPerDirection = false;
    int columns = 1;
    bool trim = false;
    bool writeData = true;
    bool hash = false;
};

// A sheet read with data that places no anchor: each frame's rectangle on
// the picture and the top-left corner of its cell there, so the dialog shows
// where an anchor falls in every frame.
struct SheetAnchorRequest {
    QImage picture;
    std::vector<QRect> frames;
    std::vector<QPoint> cells;
    QSize cell;    // the first frame's cell
    QPoint anchor; // where it starts, from a cell's top-left corner
};

// The questions of sheets with their data. Handed plain data only, so the
// dialogs can live above this layer. Nothing when the user cancels.
class SheetDataQuestion {
public:
    virtual ~SheetDataQuestion() = default;
    // Columns go up to `frames`; a row per direction needs `directions` to
    // divide them.
    virtual std::optional<SheetExportRequest> exportSheet(const QString& title,
                                                          const SheetExportRequest& start,
                                                          int frames, int directions) = 0;
    virtual std::optional<QPoint> anchor(const QString& title,
                                         const SheetAnchorRequest& request) = 0;
};

} // namespace quillet::platform
