#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

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

// How the offsets of several frames change: each set to x and/or y, or all
// shifted by x, y.
struct OffsetRequest {
    bool shift = false;
    bool setX = true;
    bool setY = true;
    int x = 0;
    int y = 0;
};

// Pixels of one palette index become another, each 0 to 255.
struct IndexSwap {
    int from = 0;
    int to = 0;
};

// The questions that want more than Yes or No. Each returns nothing when
// the user cancels.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual std::optional<int> number(const QString& title, const QString& label, int value,
                                      int min, int max) = 0;
    virtual std::optional<QString> text(const QString& title, const QString& label,
                                        const QString& value) = 0;
    // `picture` is the sheet as it will be cut (alpha 0 where it is
    // transparent); `layout` lays the grid the numbers describe on it.
    virtual std::optional<SheetRequest> sheet(const QString& title, const QImage& picture,
                                              const SheetRequest& start,
                                              const SheetLayoutOf& layout) = 0;
    virtual std::optional<OffsetRequest> offsets(const QString& title,
                                                 const OffsetRequest& start) = 0;
    virtual std::optional<IndexSwap> indexSwap(const QString& title, const IndexSwap& start) = 0;
};

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent) : m_parent(parent) {}
    std::optional<int> number(const QString& title, const QString& label, int value, int min,
                              int max) override;
    std::optional<QString> text(const QString& title, const QString& label,
                                const QString& value) override;
    std::optional<SheetRequest> sheet(const QString& title, const QImage& picture,
                                      const SheetRequest& start,
                                      const SheetLayoutOf& layout) override;
    std::optional<OffsetRequest> offsets(const QString& title, const OffsetRequest& start) override;
    std::optional<IndexSwap> indexSwap(const QString& title, const IndexSwap& start) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::platform
