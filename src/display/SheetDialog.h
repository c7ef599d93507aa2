#pragma once

#include "platform/SheetQuestion.h"

#include <QDialog>
#include <QPixmap>
#include <QWidget>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPainter;
class QRadioButton;
class QSpinBox;

namespace quillet::display {

// The sheet zoomed to fit (whole pixels when it is smaller than the view),
// transparent parts as a checkerboard, and the grid over it: skipped cells
// greyed and, with trim, the box each kept cell is cut to outlined.
class SheetView : public QWidget {
    Q_OBJECT
public:
    explicit SheetView(const QImage& picture, QWidget* parent = nullptr);

    void showLayout(const platform::SheetLayout& layout, bool trim);
    // Where a rectangle of the picture is drawn in the widget.
    QRectF onScreen(const QRect& inPicture) const;
    QSize sizeHint() const override;

    // Rectangles of the picture outlined, and the anchor's cross at each of
    // `anchors`, as the frames a sheet's data places.
    void showFrames(std::vector<QRect> frames, std::vector<QPoint> anchors);
    // The pixel of the picture under a point of the widget.
    QPoint inPicture(QPointF point) const;

signals:
    // The cell under the mouse, -1 when there is none.
    void cellHovered(int cell);
    void pictureClicked(QPoint pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect pictureArea() const;
    int cellAt(QPointF point) const;
    void hover(int cell);
    void paintFrames(QPainter& painter) const;

    QImage m_picture;
    // The picture at the size last drawn, so a repaint scales nothing.
    QPixmap m_scaled;
    platform::SheetLayout m_layout;
    bool m_trim = false;
    int m_hovered = -1;
    std::vector<QRect> m_frames;
    std::vector<QPoint> m_anchors;
};

// Asks how to cut a sheet while showing the cut: the grid follows every
// number as it is typed, a line under the picture tells how many frames OK
// adds (or why it cannot add any, and OK is then refused), another one the
// cell under the mouse.
class SheetDialog : public QDialog {
    Q_OBJECT
public:
    SheetDialog(const QString& title, const QImage& picture, const platform::SheetRequest& start,
                platform::SheetLayoutOf layout, QWidget* parent = nullptr);

    platform::SheetRequest request() const;

private:
    void layOut();
    void describeCell(int cell);

    platform::SheetLayoutOf m_layoutOf;
    platform::SheetLayout m_layout;
    QRadioButton* m_byCells;
    QSpinBox* m_cellWidth;
    QSpinBox* m_cellHeight;
    QSpinBox* m_columns;
    QSpinBox* m_rows;
    QSpinBox* m_margin;
    QSpinBox* m_spacing;
    QCheckBox* m_trim;
    SheetView* m_view;
    QLabel* m_status;
    QLabel* m_cell;
    QDialogButtonBox* m_buttons;
};

// The sheet question asked with the dialog above, modal over `parent`.
class SheetDialogQuestion : public platform::SheetQuestion {
public:
    explicit SheetDialogQuestion(QWidget* parent) : m_parent(parent) {}
    std::optional<platform::SheetRequest> ask(const QString& title, const QImage& picture,
                                              const platform::SheetRequest& start,
                                              const platform::SheetLayoutOf& layout) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::display
