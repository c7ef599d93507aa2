#pragma once

#include "ViewOptions.h"
#include "sprite/DC6Frame.h"
#include "sprite/PixelOps.h"

#include <QImage>
#include <QPoint>
#include <cstdint>
#include <optional>

class QPainter;
class QRect;

namespace quillet::imaging {

// The current frame of a view as it is drawn, kept for reading its pixels back.
struct ShownFrame {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0;
    Bytes indices; // as drawn (after the palette transform when it applies); row 0 at the bottom
    Palette palette{}; // the palette they are drawn in
};

// A preview picture at 1x. Zooming is left to the painter (paintZoomed), so
// one picture serves every zoom factor.
struct ViewImage {
    QImage image;        // RGB32; null for a list without that frame
    QRgb background = 0; // colour 0 of the frame's palette
    // Where the anchor point lies in `image` when the frames are aligned by
    // their offsets: the top-left corner of this pixel.
    std::optional<QPoint> anchor;
    ShownFrame shown;
};

// The largest side an aligned view covers; offsets that spread the frames
// further show the part around the anchor.
inline constexpr int kMaxViewSide = 4096;

// The look of the anchor mark: a cross of magenta lines, one pixel wide and
// kCrossArm pixels long on each side of the anchor pixel, outlined in black so
// it shows on dark and light frames alike.
inline constexpr int kCrossArm = 4;
inline constexpr QRgb kCrossColour = 0xFFFF00FF;
inline constexpr QRgb kCrossOutline = 0xFF000000;

// The light checkerboard of Transparent Background, in cells of 8 x 8.
inline constexpr int kCheckerCell = 8;
inline constexpr QRgb kCheckerLight = 0xFFEEEEEE;
inline constexpr QRgb kCheckerDark = 0xFFCCCCCC;

// Neighbouring frames of the onion skin cover their background by 90/256 (35 %).
inline constexpr int kOnionOpacity = 90;

// Pixels a highlight leaves out are washed three quarters of the way towards
// this grey: dim whatever their colour, and still telling light from dark.
inline constexpr QRgb kDimGrey = 0xFF808080;

// Frame `index` (0-based) of `frames` as the preview shows it, with pixels
// read through getPixelData(palTransform) and coloured by each frame's new
// palette. With every view off this is renderFrame's picture of that frame.
// Aligned, the picture covers every frame's box and the anchor mark, so it
// keeps its size from frame to frame. With a highlighted index every pixel
// but the current frame's of that index is dimmed. A frame that cannot give
// its pixels is drawn as background; nothing here throws.
ViewImage renderView(const FrameList& frames, int index, std::int16_t palTransform,
                     const ViewOptions& options);

// What renderView draws under the current frame: the same view with that
// frame all index 0 and nothing highlighted. redrawFramePixels takes index 0
// from it.
QImage renderUnderlay(const FrameList& frames, int index, std::int16_t palTransform,
                      ViewOptions options);

// Draws the current frame's pixels of `box` (columns and stored rows) into
// `image`, a copy of `view.image`, from `indices` (a matrix of the frame's
// size) as renderView would draw them: what a drawing tool changed shows
// without drawing the view again. Returns the part of the picture drawn.
QRect redrawFramePixels(QImage& image, const ViewImage& view, std::optional<std::uint8_t> highlight,
                        ByteView indices, const pixels::Rect& box, const QImage& underlay);

// Paints `image` enlarged `zoom` times, nearest-neighbour, with its top-left
// corner at `origin`; only the part inside `exposed` is drawn.
void paintZoomed(QPainter& painter, const QImage& image, int zoom, QPoint origin,
                 const QRect& exposed);

} // namespace quillet::imaging
