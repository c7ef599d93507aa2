#pragma once

#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <QString>
#include <cstdint>

namespace quillet::imaging {

inline constexpr int kDefaultFramesPerSecond = 25;
inline constexpr int kMaxGifFramesPerSecond = 60;

// Writes the frames as one looping animated GIF. The canvas is the union of
// the frames' boxes; each frame stands where its offsets put it, with index 0
// transparent, and is cleared before the next one is drawn. The colour table
// is `palette`.
//
// GIF delays are whole hundredths of a second. Each frame gets the difference
// of its rounded start and end times, so the loop as a whole keeps the exact
// rate (30 fps gives 3, 3, 4, 3, 3, 4 ...). Browsers play delays under 2 as
// 10, so no delay is shorter than 2: rates above 50 fps play at 50.
// Throws QuilletError (no frames, a rate outside 1 to 60, a canvas larger
// than a picture may be).
void exportGif(const FrameList& frames, std::int16_t palTransform, const Palette& palette,
               int framesPerSecond, const QString& path);

} // namespace quillet::imaging
