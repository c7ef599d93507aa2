#pragma once

#include <QWidget>
#include <cstdint>

namespace quillet::display {

class ImageArea;

// The "Frame Preview" tool window beside the main window.
class frmShowFrame : public QWidget {
    Q_OBJECT
public:
    explicit frmShowFrame(QWidget* parent = nullptr);

    // Positions in twips (15 per pixel), screen coordinates. The image size
    // is passed along but the window keeps the size the user gave it.
    void Setup(std::int32_t X_pos, std::int32_t Y_pos, std::int32_t ImgXsize,
               std::int32_t ImgYsize);

    ImageArea& Img() { return *m_img; }

private:
    ImageArea* m_img;
};

} // namespace quillet::display
