#include "ImageArea.h"

#include "imaging/view/FrameView.h"
#include "imaging/view/ViewOptions.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace quillet::display {

namespace {

// Until the first drawing the area shows the system's window colour, not
// whatever colour the window around it was given.
QRgb systemBackground() {
    return QGuiApplication::palette().color(QPalette::Window).rgb();
}

// Inside the border, in widget pixels.
QPoint innerPoint(const QMouseEvent& event) {
    const QPointF at = event.position();
    return {static_cast<int>(std::floor(at.x())) - 1, static_cast<int>(std::floor(at.y())) - 1};
}

int outerExtent(int inner, int zoom) {
    return static_cast<int>(
        std::min<std::int64_t>(std::int64_t{inner} * zoom + 2, QWIDGETSIZE_MAX));
}

} // namespace

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // A click gives it the keys of the drawing tools.
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::CrossCursor);
    setOuterSize(2, 2);
}

QRgb ImageArea::backgroundColour() const {
    return m_hasBackground ? m_background : systemBackground();
}

void ImageArea::applySize() {
    const QSize outer(outerExtent(m_inner.width(), m_zoom), outerExtent(m_inner.height(), m_zoom));
    if (outer == size() && minimumSize() == outer && maximumSize() == outer)
        return;
    setFixedSize(outer);
    emit resized();
}

void ImageArea::setOuterSize(int width, int height) {
    const int innerWidth = std::max(width, 2) - 2;
    const int innerHeight = std::max(height, 2) - 2;
    // The image keeps the full size even where the widget cannot grow that far,
    // because it is what the bitmap export writes.
    m_inner = QSize(innerWidth, innerHeight);
    applySize();
    if (m_image.width() == innerWidth && m_image.height() == innerHeight)
        return;

    // What was drawn stays where it fits; new room shows the background.
    QImage resized(innerWidth, innerHeight, QImage::Format_RGB32);
    if (!resized.isNull()) {
        resized.fill(backgroundColour());
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
    m_image.fill(backgroundColour());
    update();
}

void ImageArea::setImage(const QImage& image, QRgb background) {
    m_background = background;
    m_hasBackground = true;
    m_image = image.format() == QImage::Format_RGB32 || image.isNull()
                  ? image
                  : image.convertToFormat(QImage::Format_RGB32);
    m_inner = m_image.size();
    applySize();
    update();
}

void ImageArea::setZoom(int zoom) {
    m_zoom = std::clamp(zoom, imaging::kMinZoom, imaging::kMaxZoom);
    applySize();
    update();
}

void ImageArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const QRect exposed = event->rect().intersected(inner);
    if (exposed.isEmpty())
        return;
    const QRect shown(inner.topLeft(), m_image.size() * m_zoom);
    if (!shown.contains(exposed))
        painter.fillRect(exposed, QColor(backgroundColour()));
    imaging::paintZoomed(painter, m_image, m_zoom, inner.topLeft(), exposed);
    if (m_outline.isNull())
        return;
    // Dashes over white show on any colour.
    const QRect outline = outlineRect(m_outline);
    painter.setPen(Qt::white);
    painter.drawRect(outline);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(outline);
}

QRect ImageArea::outlineRect(const QRect& area) const {
    // A stroked rectangle covers one pixel more each way than its size.
    return {area.topLeft() * m_zoom, area.size() * m_zoom + QSize(1, 1)};
}

void ImageArea::setOutline(const QRect& area) {
    if (area == m_outline)
        return;
    for (const QRect& drawn : {m_outline, area})
        if (!drawn.isNull())
            update(outlineRect(drawn).adjusted(0, 0, 1, 1));
    m_outline = area;
}

void ImageArea::updateImageRect(const QRect& area) {
    if (!area.isEmpty())
        update(QRect(area.topLeft() * m_zoom + QPoint(1, 1), area.size() * m_zoom));
}

void ImageArea::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = innerPoint(*event);
    emit pointerMoved(at);
    if (event->buttons() & Qt::LeftButton)
        emit dragged(at, event->modifiers());
    QWidget::mouseMoveEvent(event);
}

void ImageArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    emit pressed(innerPoint(*event), event->modifiers());
}

void ImageArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    emit released(innerPoint(*event), event->modifiers());
}

void ImageArea::focusOutEvent(QFocusEvent* event) {
    emit focusLost();
    QWidget::focusOutEvent(event);
}

void ImageArea::leaveEvent(QEvent* event) {
    emit pointerLeft();
    QWidget::leaveEvent(event);
}

} // namespace quillet::display
