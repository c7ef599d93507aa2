#include "frmShowFrame.h"

#include "ImageArea.h"
#include "Twips.h"

namespace quillet::display {

frmShowFrame::frmShowFrame(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_img(new ImageArea(this)) {
    setWindowTitle(QStringLiteral("Frame Preview"));
    resize(134, 71);
    m_img->move(8, 8);
    m_img->setOuterSize(25, 25);
}

void frmShowFrame::Setup(std::int32_t X_pos, std::int32_t Y_pos, std::int32_t ImgXsize,
                         std::int32_t ImgYsize) {
    // The window keeps the size the user gave it; a larger frame is cut off
    // at the right and bottom until the user enlarges the window.
    (void)ImgXsize;
    (void)ImgYsize;
    move(pixelsFromTwips(X_pos), pixelsFromTwips(Y_pos));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(grey);
    setAutoFillBackground(true);
}

} // namespace quillet::display
