#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace quillet::platform {

// How the user wants a sprite sheet cut: by cell size or by columns x rows.
struct SheetRequest {
    bool byCellSize = true;
    int cellWidth = 32;
    int cellHeight = 32;
    int columns = 1;
    int rows = 1;
    int margin = 0;
    int spacing = 0;
    bool trim = true;
};

// A grid laid on a sheet, as its dialog shows it: its columns x rows cells,
// left to right, top to bottom, each with the box of its pixels other than
// index 0 (empty: the cell is skipped); and in `problem` why OK would add
// nothing (then OK is refused), with or without cells.
struct SheetLayout {
    struct Cell {
        QRect rect;
        QRect box;
    };
    int columns = 0;
    int rows = 0;
    std::vector<Cell> cells;
    QString problem;
};
using SheetLayoutOf = std::function<SheetLayout(const SheetRequest&)>;

// How to cut a sheet, asked while the cut is shown on it. Handed plain data
// only, so the dialog that draws the grid can live above this layer.
class SheetQuestion {
public:
    virtual ~SheetQuestion() = default;
    // `picture` is the sheet as it will be cut (alpha 0 where it is
    // transparent); `layout` lays the grid the numbers describe on it.
    // Nothing when the user cancels.
    virtual std::optional<SheetRequest> ask(const QString& title, const QImage& picture,
                                            const SheetRequest& start,
                                            const SheetLayoutOf& layout) = 0;
};

} // namespace quillet::platform
