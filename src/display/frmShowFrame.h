#pragma once

#include "imaging/view/FrameView.h"
#include "imaging/view/ViewOptions.h"
#include "sprite/DC6Frame.h"

#include <QPoint>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <optional>

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;

namespace quillet::display {

class FramesPanel;
class ImageArea;
class PalettePanel;
class PictureDrawing;

// The "Frame Preview" tool window beside the main window. It grows to show the
// whole (zoomed) picture with the palette beside it and every row of the
// frames panel under it within the screen's free area, and scrolls beyond
// that; a size the user gave it is never taken away. Its status line reads
// out the pixel under the mouse.
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

    // A line of text under the picture; hidden while empty and no frame is
    // shown. The readout of a pixel or palette entry under the mouse takes
    // its place while there is one.
    void setStatusText(const QString& text);
    QString statusText() const;
    // A line that takes the readout's place until the mouse moves on to
    // another pixel or palette entry: a refused stroke, a protected index.
    void showNotice(const QString& text);

    // The size the user last gave the window by hand, the least a fit leaves;
    // one remembered from before is given back with setUserSize().
    QSize userSize() const { return m_userSize; }
    void setUserSize(QSize size);

    ImageArea& Img() { return *m_img; }
    // Under the picture; hidden until it is given frames.
    FramesPanel& framesPanel() { return *m_framesPanel; }

    // The drawing tools on the picture.
    PictureDrawing& drawing() { return *m_drawing; }
    // The tool bar above the picture, hidden until it is given tools; the
    // drawing index stands beside them.
    void addTools(const QList<QAction*>& tools);
    void setDrawingIndex(std::uint8_t index);

    // Entries the palette marks and the tools neither paint over nor with;
    // a protected drawing index is said to be so when it is chosen.
    void setProtectedEntries(const IndexSet& entries);
    // The palette's range of consecutive entries, first <= last.
    std::pair<int, int> paletteRange() const;

signals:
    // The zoom keys; the owner of the view options decides what they do.
    void zoomInRequested();
    void zoomOutRequested();
    void actualSizeRequested();
    // The window was closed, by its close box or otherwise; playback stops.
    void closed();
    // A palette entry was Ctrl+clicked: the index to highlight, -1 for none.
    void highlightRequested(int index);
    // A palette entry was chosen to draw with.
    void drawingIndexChosen(int index);
    // The palette's menu asked to protect or unprotect entries first .. last.
    void protectionRequested(int first, int last, bool protect);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fitToPicture(bool mayShrink);
    QSize room() const;
    // How high the frames panel may be in a window this high.
    int panelHeight(int windowHeight) const;
    void showStatusLine();
    QString readout() const;
    void showDrawingIndex();

    QScrollArea* m_scroll;
    QWidget* m_content;
    ImageArea* m_img;
    PalettePanel* m_palette;
    QLabel* m_status;
    FramesPanel* m_framesPanel;
    QSize m_userSize;   // the smallest size a fit may leave
    QSize m_fittedSize; // the size the last fit asked for
    // As the last fit found them: the height the picture and the status line
    // want, and the frames panel's least and full heights.
    int m_pictureHeight = 0;
    int m_leastPanel = 0;
    int m_fullPanel = 0;

    QString m_statusText;
    QString m_notice;
    QString m_noticeOver;            // the readout it took the place of
    imaging::ViewImage m_shown;      // what Img shows, for the readout
    std::optional<QPoint> m_pointer; // over Img, inside its border
    int m_hoveredEntry = -1;         // of the palette

    QToolBar* m_tools;
    QLabel* m_indexLabel;
    QLabel* m_indexSwatch;
    QAction* m_indexItem; // the label's place in the tool bar
    PictureDrawing* m_drawing;
    std::uint8_t m_drawingIndex = 1;
    IndexSet m_protected;
};

} // namespace quillet::display
