#pragma once

#include <QImage>
#include <QWidget>

namespace quillet::display {

// The picture area `Img`: a retained image of the inner size, shown inside a
// one-pixel flat border. What is drawn survives covering the window and is
// what the bitmap export saves.
class ImageArea : public QWidget {
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent = nullptr);

    // Inner area = outer size - 2 in each direction (never below 0).
    void setOuterSize(int width, int height);
    void setBackgroundColour(QRgb colour);
    void clear();

    // Writable image of the inner size; call update() after drawing into it.
    QImage& image() { return m_image; }
    const QImage& retainedImage() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QRgb m_background;
    bool m_hasBackground = false;
};

} // namespace quillet::display
