#pragma once

#include "imaging/view/Thumbnail.h"
#include "sprite/DC6Frame.h"

#include <QTableView>
#include <cstdint>
#include <vector>

namespace quillet::display {

class FramesModel;

// A thumbnail of every frame under the preview, one row per direction, each
// with its number under it; the current frame outlined, the selection
// highlighted. The panel only shows and asks: clicks, keys and drags come
// out as signals, and whoever owns the document decides. Thumbnails are made
// when a cell is first drawn and kept in a cache of fixed size, so a long
// animation costs only what is on screen. Each cell is an accessible item
// named "Frame N" (", direction K" with several directions).
class FramesPanel : public QTableView {
    Q_OBJECT
public:
    explicit FramesPanel(QWidget* parent = nullptr);
    ~FramesPanel() override;

    // Shows `frames` in `directions` rows (rows of ceil(n / directions) when
    // that does not divide the count, the last one short), drawn as the
    // preview draws them. Numbers are 1-based.
    void showFrames(const FrameList& frames, int directions, int current,
                    const std::vector<int>& selection, std::int16_t palTransform,
                    bool transparentBackground);
    void showSelection(int current, const std::vector<int>& selection);

    // The frame drawn at `point` of the viewport; 0 for none.
    int frameAt(QPoint point) const;
    // Where frame `number` is drawn in the viewport.
    QRect frameRect(int number) const;
    const imaging::ThumbnailCache& thumbnails() const { return m_thumbnails; }

    // Room for every row and column, without scroll bars.
    QSize sizeHint() const override;
    // Room for one row.
    int leastHeight() const;

signals:
    // A click, Shift+click, Ctrl+click, a key or Ctrl+A chose these frames,
    // with `current` as the current frame.
    void selectionChosen(const std::vector<int>& numbers, int current);
    // The selection was dragged to stand before frame `before` (the frame
    // count + 1: after the last).
    void moveRequested(int before);
    // The size the panel would like changed with the number of rows or columns.
    void wantedSizeChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ThumbnailDelegate;
    bool isSelected(int number) const;
    // Where Shift ranges start.
    int anchor() const;
    void choose(std::vector<int> numbers, int current);
    // Where a drop at `point` puts the dragged frames: before this frame.
    int dropBefore(QPoint point) const;
    void endDrag();

    FrameList m_frames;
    std::int16_t m_palTransform = 1;
    bool m_transparent = false;
    int m_current = 0;
    std::vector<int> m_selection;
    int m_anchor = 0;        // where Shift ranges start
    int m_anchorCurrent = 0; // the current frame the click that left it chose
    FramesModel* m_model;
    imaging::ThumbnailCache m_thumbnails;

    int m_pressed = 0; // the frame under the last left press
    QPoint m_pressPoint;
    bool m_mayDrag = false;
    int m_dropBefore = 0; // while dragging
};

} // namespace quillet::display
