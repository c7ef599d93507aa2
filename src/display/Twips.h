#pragma once

#include <QRect>
#include <cmath>
#include <cstdint>

namespace quillet::display {

// Window layouts are given in twips, 15 to a pixel at the usual 96 dpi.
inline constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel, so positions survive a round trip.
inline int pixelsFromTwips(std::int64_t twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

inline QRect twipRect(int left, int top, int width, int height) {
    return {pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
            pixelsFromTwips(height)};
}

} // namespace quillet::display
