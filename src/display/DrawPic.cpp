#include "DrawPic.h"

#include "ImageArea.h"
#include "imaging/view/FrameImage.h"

#include <algorithm>

namespace quillet::display {

namespace {

// Outer size = frame + 2 for the border; a size no area can take stays at
// the largest one it can.
int outerSize(std::int32_t frameSize) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{frameSize} + 2, 2, INT32_MAX));
}

} // namespace

void DrawPic(ImageArea& Img, std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
             const Palette& Palette) {
    Img.clear();
    Img.setOuterSize(outerSize(X_size), outerSize(Y_size));
    Img.setBackgroundColour(imaging::paletteColour(Palette, 0));
    imaging::paintFrame(Img.image(), X_size, Y_size, Pixels, Palette);
    Img.update();
}

} // namespace quillet::display
