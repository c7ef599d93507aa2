#include "ImageArea.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>

namespace quillet::display {

namespace {

// Until the first drawing the area shows the system's window colour, not
// whatever colour the window around it was given.
QRgb systemBackground() {
    return QGuiApplication::palette().color(QPalette::Window).rgb();
}

} // namespace

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setOuterSize(2, 2);
}

void ImageArea::setOuterSize(int width, int height) {
    const int innerWidth = std::max(width - 2, 0);
    const int innerHeight = std::max(height - 2, 0);
    // The image keeps the full size even where the widget cannot grow that far,
    // because it is what the bitmap export writes.
    setFixedSize(std::clamp(width, 0, QWIDGETSIZE_MAX), std::clamp(height, 0, QWIDGETSIZE_MAX));
    if (m_image.width() == innerWidth && m_image.height() == innerHeight)
        return;

    // What was drawn stays where it fits; new room shows the background.
    QImage resized(innerWidth, innerHeight, QImage::Format_RGB32);
    if (!resized.isNull()) {
        resized.fill(m_hasBackground ? m_background : systemBackground());
        const int copyWidth = std::min(innerWidth, m_image.width());
        const int copyHeight = std::min(innerHeight, m_image.height());
        for (int y = 0; y < copyHeight; ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(m_image.constScanLine(y)), copyWidth,
                        reinterpret_cast<QRgb*>(resized.scanLine(y)));
    }
    m_image = std::move(resized);
    update();
}

void ImageArea::setBackgroundColour(QRgb colour) {
    // A new background erases the drawing, as clearing does.
    m_background = colour;
    m_hasBackground = true;
    clear();
}

void ImageArea::clear() {
    m_image.fill(m_hasBackground ? m_background : systemBackground());
    update();
}

void ImageArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (inner.isEmpty())
        return;
    if (m_image.width() < inner.width() || m_image.height() < inner.height())
        painter.fillRect(inner, QColor(m_hasBackground ? m_background : systemBackground()));
    painter.drawImage(inner.topLeft(), m_image);
}

} // namespace quillet::display
