#pragma once

#include "imaging/ViewOptions.h"
#include "sprite/DC6Frame.h"

#include <QSize>
#include <QWidget>
#include <cstdint>

class QLabel;
class QScrollArea;

namespace quillet::display {

class FramesPanel;
class ImageArea;

// The "Frame Preview" tool window beside the main window. It grows to show the
// whole (zoomed) picture within the screen's free area and scrolls beyond
// that; a size the user gave it is never taken away.
class frmShowFrame : public QWidget {
    Q_OBJECT
public:
    explicit frmShowFrame(QWidget* parent = nullptr);

    // Positions in twips (15 per pixel), screen coordinates. The image size is
    // passed along; the window fits itself to the picture it is given.
    void Setup(std::int32_t X_pos, std::int32_t Y_pos, std::int32_t ImgXsize,
               std::int32_t ImgYsize);

    // Draws frame `index` (0-based) of `frames` into Img as `options` ask.
    // With every view off at 1x, Img holds what DrawPic draws of that frame.
    void showFrame(const FrameList& frames, int index, std::int16_t palTransform,
                   const imaging::ViewOptions& options);

    // A line of text under the picture; hidden while empty.
    void setStatusText(const QString& text);
    QString statusText() const;

    ImageArea& Img() { return *m_img; }
    // Under the picture; hidden until it is given frames.
    FramesPanel& framesPanel() { return *m_framesPanel; }

signals:
    // The zoom keys; the owner of the view options decides what they do.
    void zoomInRequested();
    void zoomOutRequested();
    void actualSizeRequested();
    // The window was closed, by its close box or otherwise; playback stops.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fitToPicture(bool mayShrink);
    QSize room() const;

    QScrollArea* m_scroll;
    QWidget* m_content;
    ImageArea* m_img;
    QLabel* m_status;
    FramesPanel* m_framesPanel;
    QSize m_userSize;   // the smallest size a fit may leave
    QSize m_fittedSize; // the size the last fit asked for
};

} // namespace quillet::display
