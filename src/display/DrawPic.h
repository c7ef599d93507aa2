#pragma once

#include "sprite/Bytes.h"
#include "sprite/Palette.h"

#include <cstdint>

namespace quillet::display {

class ImageArea;

// Draws a frame's indices in the colours of `Palette` into `Img`: outer size
// frame + 2, background colour 0, no transparency, stored row 0 at the bottom.
// The whole frame goes into the retained image in one pass.
void DrawPic(ImageArea& Img, std::int32_t X_size, std::int32_t Y_size, const Bytes& Pixels,
             const Palette& Palette);

} // namespace quillet::display
