#include "frmShowFrame.h"

#include "FramesPanel.h"
#include "ImageArea.h"
#include "Twips.h"
#include "imaging/FrameView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quillet::display {

namespace {

constexpr QSize kStartSize(134, 71);
constexpr int kMargin = 8; // around Img, as at the top-left

} // namespace

frmShowFrame::frmShowFrame(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_scroll(new QScrollArea(this)), m_content(new QWidget), m_img(new ImageArea(m_content)),
      m_status(new QLabel(this)), m_framesPanel(new FramesPanel(this)), m_userSize(kStartSize) {
    setWindowTitle(QStringLiteral("Frame Preview"));

    // The window's own grey shows through the scrolled area.
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setMinimumSize(0, 0);
    m_content->setAutoFillBackground(false);
    m_scroll->setWidget(m_content);
    m_img->move(kMargin, kMargin);

    m_status->setContentsMargins(kMargin, 0, kMargin, 2);
    m_status->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(m_framesPanel);
    layout->addWidget(m_status);

    resize(kStartSize);
    m_fittedSize = kStartSize;
    connect(m_img, &ImageArea::resized, this, [this] { fitToPicture(false); });
    connect(m_framesPanel, &FramesPanel::wantedSizeChanged, this, [this] { fitToPicture(false); });
    m_img->setOuterSize(25, 25);
}

void frmShowFrame::Setup(std::int32_t X_pos, std::int32_t Y_pos, std::int32_t ImgXsize,
                         std::int32_t ImgYsize) {
    // The window fits itself to what Img is given, zoom included, so the frame
    // size passed here is not needed.
    (void)ImgXsize;
    (void)ImgYsize;
    move(pixelsFromTwips(X_pos), pixelsFromTwips(Y_pos));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(grey);
    setAutoFillBackground(true);
    fitToPicture(false); // the room beside the main window may have changed
}

void frmShowFrame::showFrame(const FrameList& frames, int index, std::int16_t palTransform,
                             const imaging::ViewOptions& options) {
    const bool zoomChanged = options.zoom != m_img->zoom();
    imaging::ViewImage view = imaging::renderView(frames, index, palTransform, options);
    m_img->setZoom(options.zoom);
    m_img->setImage(view.image, view.background);
    // Zooming out may give back room the window took for a larger picture.
    if (zoomChanged)
        fitToPicture(true);
}

void frmShowFrame::setStatusText(const QString& text) {
    if (text == m_status->text())
        return;
    m_status->setText(text);
    m_status->setHidden(text.isEmpty());
    fitToPicture(false);
}

QString frmShowFrame::statusText() const {
    return m_status->text();
}

void frmShowFrame::keyPressEvent(QKeyEvent* event) {
    // Shift is left out: on many layouts "+" is a shifted key.
    const bool control =
        (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::ControlModifier;
    const int key = event->key();
    if (event->matches(QKeySequence::ZoomIn) ||
        (control && (key == Qt::Key_Plus || key == Qt::Key_Equal)))
        emit zoomInRequested();
    else if (event->matches(QKeySequence::ZoomOut) || (control && key == Qt::Key_Minus))
        emit zoomOutRequested();
    else if (control && key == Qt::Key_0)
        emit actualSizeRequested();
    else
        QWidget::keyPressEvent(event);
}

void frmShowFrame::resizeEvent(QResizeEvent* event) {
    // Any size that a fit did not ask for was the user's (or the window
    // manager's) choice, and stays the least the window keeps.
    if (size() != m_fittedSize)
        m_userSize = size();
    QWidget::resizeEvent(event);
}

void frmShowFrame::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

QSize frmShowFrame::room() const {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    const QRect available = screen->availableGeometry();
    const QSize decoration = (frameGeometry().size() - size()).expandedTo(QSize(0, 0));
    // From where the window stands to the free area's far edges, unless it
    // stands so far out that the whole free area is the better measure.
    QSize room(available.right() + 1 - pos().x(), available.bottom() + 1 - pos().y());
    if (room.width() < kStartSize.width())
        room.setWidth(available.width());
    if (room.height() < kStartSize.height())
        room.setHeight(available.height());
    return (room - decoration).expandedTo(kStartSize);
}

void frmShowFrame::fitToPicture(bool mayShrink) {
    m_content->resize(m_img->size() + QSize(2 * kMargin, 2 * kMargin));
    const QSize limit = room();
    QSize wanted = m_content->size();
    if (!m_status->isHidden())
        wanted.rheight() += m_status->sizeHint().height();
    if (!m_framesPanel->isHidden()) {
        const QSize panel = m_framesPanel->sizeHint();
        wanted = QSize(std::max(wanted.width(), panel.width()), wanted.height() + panel.height());
    }
    // A scroll bar in one direction takes room from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    const bool across = wanted.width() > limit.width();
    const bool down =
        wanted.height() > limit.height() || (across && wanted.height() + bar > limit.height());
    if (across || (down && wanted.width() + bar > limit.width()))
        wanted.rheight() += bar;
    if (down)
        wanted.rwidth() += bar;

    const QSize least = mayShrink ? m_userSize : size();
    const QSize target = wanted.boundedTo(limit).expandedTo(least);
    if (target == size())
        return;
    m_fittedSize = target;
    resize(target);
}

} // namespace quillet::display
