#include "frmShowFrame.h"

#include "FramesPanel.h"
#include "ImageArea.h"
#include "PalettePanel.h"
#include "PictureDrawing.h"
#include "Twips.h"
#include "imaging/view/FrameImage.h"
#include "imaging/view/PixelReadout.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quillet::display {

namespace {

constexpr QSize kStartSize(134, 71);
constexpr int kMargin = 8; // around Img, as at the top-left
// A readout this long fits the status line without being cut.
const char* const kTypicalReadout = "x 000, y 000 | anchor -000, -000 | index 000 #000000";

} // namespace

frmShowFrame::frmShowFrame(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_scroll(new QScrollArea(this)), m_content(new QWidget), m_img(new ImageArea(m_content)),
      m_palette(new PalettePanel(this)), m_status(new QLabel(this)),
      m_framesPanel(new FramesPanel(this)), m_userSize(kStartSize), m_tools(new QToolBar(this)),
      m_indexLabel(new QLabel), m_indexSwatch(new QLabel), m_indexItem(nullptr),
      m_drawing(new PictureDrawing(*m_img, m_shown, this)) {
    setWindowTitle(QStringLiteral("Frame Preview"));

    // The window's own grey shows through the scrolled area.
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setMinimumSize(0, 0);
    m_content->setAutoFillBackground(false);
    m_scroll->setWidget(m_content);
    m_img->move(kMargin, kMargin);

    // The line keeps one height and never widens the window: a readout
    // appearing under the mouse must not move the picture.
    m_status->setContentsMargins(kMargin, 0, kMargin, 2);
    m_status->setFixedHeight(m_status->fontMetrics().height() + 2);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_status->hide();
    // The palette shows once there is a frame to show.
    m_palette->hide();

    auto* beside = new QHBoxLayout;
    beside->setContentsMargins(0, 0, 0, 0);
    beside->setSpacing(0);
    beside->addWidget(m_scroll, 1);
    beside->addWidget(m_palette, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tools);
    layout->addLayout(beside, 1);
    layout->addWidget(m_framesPanel);
    layout->addWidget(m_status);

    resize(kStartSize);
    m_fittedSize = kStartSize;
    connect(m_img, &ImageArea::resized, this, [this] { fitToPicture(false); });
    connect(m_img, &ImageArea::pointerMoved, this, [this](QPoint point) {
        m_pointer = point;
        showStatusLine();
    });
    connect(m_img, &ImageArea::pointerLeft, this, [this] {
        m_pointer.reset();
        showStatusLine();
    });
    connect(m_palette, &PalettePanel::entryHovered, this, [this](int index) {
        m_hoveredEntry = index;
        showStatusLine();
    });
    connect(m_palette, &PalettePanel::highlightRequested, this, &frmShowFrame::highlightRequested);
    // Rows of another length may give back room, as a zoom does.
    connect(m_framesPanel, &FramesPanel::wantedSizeChanged, this, [this] { fitToPicture(true); });

    // Drawing: the tools come from the owner of the document.
    m_tools->setObjectName(QStringLiteral("DrawingTools"));
    m_tools->setMovable(false);
    m_tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_tools->hide();
    auto* index = new QWidget;
    index->setObjectName(QStringLiteral("DrawingIndex"));
    auto* row = new QHBoxLayout(index);
    row->setContentsMargins(kMargin, 0, kMargin, 0);
    row->addWidget(m_indexLabel);
    row->addWidget(m_indexSwatch);
    // As wide as its widest text: the tool bar keeps its size as the index changes.
    m_indexLabel->setMinimumWidth(m_indexLabel->fontMetrics().horizontalAdvance("Index 888"));
    const int side = m_indexLabel->fontMetrics().height();
    m_indexSwatch->setFixedSize(side, side);
    m_indexItem = m_tools->addWidget(index);
    connect(m_palette, &PalettePanel::drawingIndexChosen, this, &frmShowFrame::drawingIndexChosen);
    connect(m_palette, &PalettePanel::rangeChanged, this, [this] { fitToPicture(false); });
    connect(m_drawing, &PictureDrawing::refused, this, &frmShowFrame::showNotice);
    connect(m_palette, &PalettePanel::protectionRequested, this,
            &frmShowFrame::protectionRequested);
    showDrawingIndex();

    m_img->setOuterSize(25, 25);
}

void frmShowFrame::addTools(const QList<QAction*>& tools) {
    m_tools->insertActions(m_indexItem, tools);
    m_tools->show();
    fitToPicture(false);
}

void frmShowFrame::setDrawingIndex(std::uint8_t index) {
    m_drawingIndex = index;
    m_drawing->setDrawingIndex(index);
    m_palette->setDrawingIndex(index);
    showDrawingIndex();
    if (m_protected[index])
        showNotice(PictureDrawing::protectedNotice(index));
}

void frmShowFrame::setProtectedEntries(const IndexSet& entries) {
    m_protected = entries;
    m_palette->setProtectedEntries(entries);
    m_drawing->setLockedEntries(entries);
}

std::pair<int, int> frmShowFrame::paletteRange() const {
    return m_palette->range();
}

void frmShowFrame::showDrawingIndex() {
    // The number and a swatch of its colour in the palette the frame is drawn in.
    const QRgb colour = imaging::paletteColour(m_shown.shown.palette, m_drawingIndex);
    m_indexLabel->setText(QStringLiteral("Index %1").arg(m_drawingIndex));
    // Shown at every frame of playback: the swatch is styled anew only when it changes.
    const QString style =
        QStringLiteral("background-color: %1; border: 1px solid black;").arg(QColor(colour).name());
    if (m_indexSwatch->styleSheet() != style)
        m_indexSwatch->setStyleSheet(style);
    m_indexLabel->parentWidget()->setToolTip(
        QStringLiteral("Drawing with %1").arg(imaging::entryText(m_drawingIndex, colour)));
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

void frmShowFrame::setUserSize(QSize size) {
    m_userSize = size.expandedTo(kStartSize);
    m_fittedSize = m_userSize;
    resize(m_userSize);
}

void frmShowFrame::showFrame(const FrameList& frames, int index, std::int16_t palTransform,
                             const imaging::ViewOptions& options) {
    const bool zoomChanged = options.zoom != m_img->zoom();
    m_drawing->frameShown(frames, index, palTransform, options);
    m_shown = imaging::renderView(frames, index, palTransform, options);
    showDrawingIndex();
    m_palette->showColours(m_shown.shown.palette, imaging::usedIndices(m_shown.shown.indices),
                           options.highlightIndex);
    const bool paletteAppears = m_palette->isHidden();
    m_palette->show();
    m_img->setZoom(options.zoom);
    m_img->setImage(m_shown.image, m_shown.background);
    m_drawing->pictureShown();
    // The mouse stays where it is while the frame under it changes.
    showStatusLine();
    // Zooming out may give back room the window took for a larger picture.
    if (zoomChanged || paletteAppears)
        fitToPicture(zoomChanged);
}

void frmShowFrame::setStatusText(const QString& text) {
    m_statusText = text;
    showStatusLine();
}

void frmShowFrame::showNotice(const QString& text) {
    m_notice = text;
    m_noticeOver = readout();
    showStatusLine();
}

QString frmShowFrame::readout() const {
    if (m_pointer) {
        if (const auto pixel = imaging::pixelAt(m_shown, m_img->zoom(), *m_pointer))
            return imaging::readoutText(*pixel);
    } else if (m_hoveredEntry >= 0) {
        const auto index = static_cast<std::uint8_t>(m_hoveredEntry);
        return imaging::entryText(index, imaging::paletteColour(m_shown.shown.palette, index));
    }
    return {};
}

void frmShowFrame::showStatusLine() {
    QString line = readout();
    if (!m_notice.isEmpty() && line == m_noticeOver)
        line = m_notice;
    else
        m_notice.clear();
    if (line.isEmpty())
        line = m_statusText;
    if (line != m_status->text())
        m_status->setText(line);
    const bool hidden = line.isEmpty() && m_palette->isHidden();
    if (hidden == m_status->isHidden())
        return;
    m_status->setHidden(hidden);
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
    // A taller window shows more rows of the panel, up to all of them.
    if (!m_framesPanel->isHidden())
        m_framesPanel->setMaximumHeight(panelHeight(height()));
    QWidget::resizeEvent(event);
}

void frmShowFrame::closeEvent(QCloseEvent* event) {
    // Pixels floating on the picture go down first, as a step of their own.
    m_drawing->settle();
    m_drawing->cancel();
    QWidget::closeEvent(event);
    emit closed();
}

void frmShowFrame::hideEvent(QHideEvent* event) {
    m_drawing->cancel();
    QWidget::hideEvent(event);
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
    // The palette stands beside the picture, the frames panel and the status
    // line under both. The picture comes first; the panel shows every row
    // when the picture leaves room for them, and at least one.
    const QSize space = room();
    const QSize beside = m_palette->isHidden() ? QSize(0, 0) : m_palette->size();
    const bool panelShown = !m_framesPanel->isHidden();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    QSize panel = panelShown ? m_framesPanel->sizeHint() : QSize(0, 0);
    const int sideways = panel.width() > space.width() ? bar : 0;
    panel.rheight() += sideways;
    m_leastPanel =
        panelShown ? std::min(panel.height(), m_framesPanel->leastHeight() + sideways) : 0;
    m_fullPanel = panel.height();
    const int status = m_status->isHidden() ? 0 : m_status->minimumHeight();
    // The tool bar above the picture takes its height as the lines below do.
    const QSize tools = m_tools->isHidden() ? QSize(0, 0) : m_tools->sizeHint();
    const int lines = status + tools.height();
    const QSize limit = space - QSize(beside.width(), lines + m_leastPanel);
    QSize wanted = m_content->size();
    // A scroll bar in one direction takes room from the other.
    const bool across = wanted.width() > limit.width();
    const bool down =
        wanted.height() > limit.height() || (across && wanted.height() + bar > limit.height());
    if (across || (down && wanted.width() + bar > limit.width()))
        wanted.rheight() += bar;
    if (down)
        wanted.rwidth() += bar;
    wanted = QSize(wanted.width() + beside.width(), std::max(wanted.height(), beside.height()));
    if (status > 0) {
        const int readout = m_status->fontMetrics().horizontalAdvance(kTypicalReadout);
        wanted.setWidth(std::max(wanted.width(), readout + 2 * kMargin));
    }
    m_pictureHeight = std::min(wanted.height(), limit.height()) + lines;
    const int panelHeight = this->panelHeight(space.height());
    if (panelHeight < m_fullPanel)
        panel.rwidth() += bar;
    wanted = QSize(std::max({wanted.width(), panel.width(), tools.width()}),
                   m_pictureHeight + panelHeight);

    const QSize least = mayShrink ? m_userSize : size();
    const QSize target = wanted.boundedTo(space).expandedTo(least);
    m_framesPanel->setMaximumHeight(panelShown ? this->panelHeight(target.height())
                                               : QWIDGETSIZE_MAX);
    if (target == size())
        return;
    m_fittedSize = target;
    resize(target);
}

int frmShowFrame::panelHeight(int windowHeight) const {
    return std::clamp(windowHeight - m_pictureHeight, m_leastPanel, m_fullPanel);
}

} // namespace quillet::display
