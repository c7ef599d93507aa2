#pragma once

#include <QImage>
#include <QWidget>

namespace quillet::display {

// The picture area `Img`: a retained image of the inner size, shown inside a
// one-pixel flat border. What is drawn survives covering the window and is
// what the bitmap export saves. Sizes are in image pixels; at a zoom factor
// above 1 the widget shows each of them that many times larger.
class ImageArea : public QWidget {
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent = nullptr);

    // Inner area = outer size - 2 in each direction (never below 0).
    void setOuterSize(int width, int height);
    void setBackgroundColour(QRgb colour);
    void clear();

    // Replaces the retained image; the inner area takes its size.
    void setImage(const QImage& image, QRgb background);

    // 1 to 16; nearest-neighbour, so every pixel stays a sharp square.
    void setZoom(int zoom);
    int zoom() const { return m_zoom; }

    // Writable image of the inner size; call update() after drawing into it.
    QImage& image() { return m_image; }
    const QImage& retainedImage() const { return m_image; }
    // Repaints only where `area` of the image shows, at the zoom.
    void updateImageRect(const QRect& area);
    // A selection's outline, drawn just outside `area` of the image at every
    // zoom; none when it is null.
    void setOutline(const QRect& area);

signals:
    // The widget's size changed: a new image size or zoom factor.
    void resized();
    // The mouse moved to `point`, counted from the inner area's top-left
    // corner in widget pixels (zoomed), or left the area.
    void pointerMoved(QPoint point);
    void pointerLeft();
    // The left button went down, moved held down, or came up at `point`,
    // counted as pointerMoved counts it.
    void pressed(QPoint point, Qt::KeyboardModifiers keys);
    void dragged(QPoint point, Qt::KeyboardModifiers keys);
    void released(QPoint point, Qt::KeyboardModifiers keys);
    void focusLost();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QRgb backgroundColour() const;
    void applySize();
    // Where the outline of `area` is drawn, in widget pixels.
    QRect outlineRect(const QRect& area) const;

    QImage m_image;
    QSize m_inner; // as asked for, even where no image of that size could be made
    QRgb m_background = 0;
    bool m_hasBackground = false;
    int m_zoom = 1;
    QRect m_outline;
};

} // namespace quillet::display
