#include "FrameView.h"

#include "FrameImage.h"
#include "FramePixels.h"
#include "FramePlacement.h"
#include "PixelReadout.h"

#include <QPainter>
#include <QRect>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace quillet::imaging {

namespace {

// The most of the enlarged picture built at a time: 4096 x 32 pixels, 512 KiB.
constexpr int kZoomBandWidth = 4096;
constexpr int kZoomBandLines = 32;

struct Layer {
    Bytes pixels;
    Palette palette{};
    PlacedBox box;
};

// The frame's pixels and where they go in view coordinates; a frame that
// cannot give its pixels keeps its place but has nothing to draw.
Layer loadLayer(const DC6Frame& frame, std::int16_t palTransform, bool aligned) {
    Layer layer;
    layer.palette = frame.getNewPalette();
    layer.box =
        aligned ? placedBox(frame) : PlacedBox{0, 0, frame.get_X_size(), frame.get_Y_size()};
    try {
        layer.pixels = frame.getPixelData(palTransform);
    } catch (const std::exception&) {
        layer.pixels.clear();
    }
    return layer;
}

// Where a view of at most kMaxViewSide starts on one axis: the whole span
// when it fits, else the stretch around the anchor, pushed towards the span.
std::int64_t viewStart(std::int64_t low, std::int64_t high) {
    if (high - low <= kMaxViewSide)
        return low;
    std::int64_t start = -kMaxViewSide / 2;
    start = std::max(start, low);
    return std::min(start, high - kMaxViewSide);
}

PlacedBox alignedView(const FrameList& frames) {
    const PlacedBox all = unionBox(frames, true);
    const std::int64_t reach = kCrossArm + 1; // the cross and its outline
    const std::int64_t left = std::min(all.left, -reach);
    const std::int64_t top = std::min(all.top, -reach);
    const std::int64_t right = std::max(all.right(), reach + 1);
    const std::int64_t bottom = std::max(all.bottom(), reach + 1);
    const std::int64_t viewLeft = viewStart(left, right);
    const std::int64_t viewTop = viewStart(top, bottom);
    return {viewLeft, viewTop, std::min<std::int64_t>(right - viewLeft, kMaxViewSide),
            std::min<std::int64_t>(bottom - viewTop, kMaxViewSide)};
}

void fillChecker(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const bool oddRow = (y / kCheckerCell) % 2 != 0;
        for (int x = 0; x < image.width(); ++x)
            line[x] = ((x / kCheckerCell) % 2 != 0) != oddRow ? kCheckerDark : kCheckerLight;
    }
}

void fillClipped(QImage& image, QRect area, QRgb colour) {
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + area.left(), area.width(), colour);
}

// The anchor mark's colour at `p`, drawn over the frame; nothing off the mark.
std::optional<QRgb> crossAt(QPoint anchor, QPoint p) {
    const int dx = std::abs(p.x() - anchor.x());
    const int dy = std::abs(p.y() - anchor.y());
    const int arm = kCrossArm;
    if ((dy == 0 && dx <= arm) || (dx == 0 && dy <= arm))
        return kCrossColour;
    if ((dy <= 1 && dx <= arm + 1) || (dx <= 1 && dy <= arm + 1))
        return kCrossOutline;
    return std::nullopt;
}

void drawCross(QImage& image, QPoint at) {
    const int arm = kCrossArm;
    fillClipped(image, QRect(at.x() - arm - 1, at.y() - 1, 2 * arm + 3, 3), kCrossOutline);
    fillClipped(image, QRect(at.x() - 1, at.y() - arm - 1, 3, 2 * arm + 3), kCrossOutline);
    fillClipped(image, QRect(at.x() - arm, at.y(), 2 * arm + 1, 1), kCrossColour);
    fillClipped(image, QRect(at.x(), at.y() - arm, 1, 2 * arm + 1), kCrossColour);
}

// `over` at kOnionOpacity/256 on top of `under`, two channels at a time.
QRgb blend(QRgb over, QRgb under) {
    constexpr std::uint32_t a = kOnionOpacity;
    constexpr std::uint32_t rb = 0x00FF00FF;
    const std::uint32_t redBlue = ((over & rb) * a + (under & rb) * (256 - a)) >> 8 & rb;
    const std::uint32_t green =
        ((over & 0x0000FF00) * a + (under & 0x0000FF00) * (256 - a)) >> 8 & 0x0000FF00;
    return 0xFF000000 | redBlue | green;
}

// Each pixel `zoom` times; the common factors get loops the compiler can unroll.
template <int Zoom> void widenRowBy(QRgb* line, const QRgb* source, int columns) {
    for (int x = 0; x < columns; ++x, line += Zoom)
        std::fill_n(line, Zoom, source[x]);
}

void widenRow(QRgb* line, const QRgb* source, int columns, int zoom) {
    switch (zoom) {
    case 2:
        return widenRowBy<2>(line, source, columns);
    case 4:
        return widenRowBy<4>(line, source, columns);
    case 8:
        return widenRowBy<8>(line, source, columns);
    case 16:
        return widenRowBy<16>(line, source, columns);
    default:
        for (int x = 0; x < columns; ++x, line += zoom)
            std::fill_n(line, zoom, source[x]);
    }
}

template <class Visit>
void drawLayer(QImage& image, const Layer& layer, const PlacedBox& view, Visit visit) {
    forEachFramePixel(image, layer.box.left - view.left, layer.box.top - view.top,
                      static_cast<std::int32_t>(layer.box.width),
                      static_cast<std::int32_t>(layer.box.height), layer.pixels, visit);
}

QRgb dimmed(QRgb colour) {
    constexpr QRgb quarters = 0x003F3F3F;
    return 0xFF000000 | (((colour >> 2) & quarters) + ((kDimGrey >> 2) & quarters) * 3);
}

// Dims every pixel of `image` but the current frame's of `index`: outside the
// frame's box line by line, inside it by the frame's own indices.
void highlight(QImage& image, const Layer& current, const PlacedBox& view, std::uint8_t index) {
    const auto clampTo = [](std::int64_t value, int high) {
        return static_cast<int>(std::clamp<std::int64_t>(value, 0, high));
    };
    const std::int64_t left = current.box.left - view.left;
    const std::int64_t top = current.box.top - view.top;
    const int boxLeft = clampTo(left, image.width());
    const int boxRight = clampTo(left + current.box.width, image.width());
    const int boxTop = clampTo(top, image.height());
    const int boxBottom = clampTo(top + current.box.height, image.height());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const bool across = y >= boxTop && y < boxBottom;
        const int from = across ? boxLeft : image.width();
        const int to = across ? std::max(boxRight, from) : image.width();
        std::transform(line, line + from, line, dimmed);
        std::transform(line + to, line + image.width(), line + to, dimmed);
    }
    drawLayer(image, current, view, [index](QRgb& target, std::uint8_t pixel) {
        if (pixel != index)
            target = dimmed(target);
    });
}

} // namespace

ViewImage renderView(const FrameList& frames, int index, std::int16_t palTransform,
                     const ViewOptions& options) {
    if (index < 0 || static_cast<std::size_t>(index) >= frames.size() || !frames[index])
        return {};
    const DC6Frame& frame = *frames[index];
    const bool aligned = options.alignByOffsets;
    Layer current = loadLayer(frame, palTransform, aligned);
    ViewImage view;
    view.background = paletteColour(current.palette, 0);
    view.shown = {
        frame.get_X_size(), frame.get_Y_size(), frame.get_X_offset(), frame.get_Y_offset(), {},
        current.palette};
    // The highlight goes over whatever the view drew; the frame's indices
    // stay with the picture for reading its pixels back.
    const auto finished = [&](const PlacedBox& box) {
        if (options.highlightIndex)
            highlight(view.image, current, box, *options.highlightIndex);
        view.shown.indices = std::move(current.pixels);
        return std::move(view);
    };
    const bool plain =
        !aligned && !options.onionPrevious && !options.onionNext && !options.transparentBackground;
    if (plain) {
        view.image =
            renderFrame(frame.get_X_size(), frame.get_Y_size(), current.pixels, current.palette);
        return finished(current.box);
    }

    const PlacedBox box = aligned ? alignedView(frames) : current.box;
    view.image =
        QImage(static_cast<int>(std::max<std::int64_t>(box.width, 0)),
               static_cast<int>(std::max<std::int64_t>(box.height, 0)), QImage::Format_RGB32);
    if (view.image.isNull())
        return view;
    if (options.transparentBackground)
        fillChecker(view.image);
    else
        view.image.fill(view.background);

    // Neighbours wrap around at the ends, as playback does; with two frames
    // the previous one is also the next and is drawn once.
    const int count = static_cast<int>(frames.size());
    const int previous = (index + count - 1) % count;
    const int next = (index + 1) % count;
    const bool showNext = options.onionNext && next != index;
    const bool showPrevious =
        options.onionPrevious && previous != index && !(showNext && previous == next);
    for (int neighbour : {showNext ? next : -1, showPrevious ? previous : -1}) {
        if (neighbour < 0 || !frames[neighbour])
            continue;
        const Layer layer = loadLayer(*frames[neighbour], palTransform, aligned);
        const ColourTable colours = paletteColours(layer.palette);
        drawLayer(view.image, layer, box, [&colours](QRgb& target, std::uint8_t index) {
            if (index != 0)
                target = blend(colours[index], target);
        });
    }

    const ColourTable colours = paletteColours(current.palette);
    drawLayer(view.image, current, box, [&colours](QRgb& target, std::uint8_t index) {
        if (index != 0)
            target = colours[index];
    });
    if (aligned) {
        view.anchor = QPoint(static_cast<int>(-box.left), static_cast<int>(-box.top));
        drawCross(view.image, *view.anchor);
    }
    return finished(box);
}

QImage renderUnderlay(const FrameList& frames, int index, std::int16_t palTransform,
                      ViewOptions options) {
    if (index < 0 || static_cast<std::size_t>(index) >= frames.size() || !frames[index] ||
        !frames[index]->hasPixels())
        return {};
    FrameList blank = frames;
    auto empty = std::make_shared<DC6Frame>(*frames[index]);
    empty->replacePixels(std::make_shared<const Bytes>(empty->pixels().size(), std::uint8_t{0}));
    blank[static_cast<std::size_t>(index)] = std::move(empty);
    options.highlightIndex.reset();
    return renderView(blank, index, palTransform, options).image;
}

QRect redrawFramePixels(QImage& image, const ViewImage& view, std::optional<std::uint8_t> highlight,
                        ByteView indices, const pixels::Rect& box, const QImage& underlay) {
    const ShownFrame& frame = view.shown;
    const QRect area = viewRectOf(view, box).intersected(image.rect());
    if (area.isEmpty() || indices.size() != frame.indices.size() || underlay.size() != image.size())
        return {};
    const ColourTable colours = paletteColours(frame.palette);
    const pixels::Point corner = framePointAt(view, 1, area.topLeft());
    for (int line = 0; line < area.height(); ++line) {
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(area.top() + line));
        const auto* under =
            reinterpret_cast<const QRgb*>(underlay.constScanLine(area.top() + line));
        const std::uint8_t* source =
            indices.data() + static_cast<std::size_t>(corner.y - line) * frame.width + corner.x;
        for (int x = area.left(); x <= area.right(); ++x) {
            const std::uint8_t index = source[x - area.left()];
            const std::optional<QRgb> cross =
                view.anchor ? crossAt(*view.anchor, {x, area.top() + line}) : std::nullopt;
            QRgb colour = cross ? *cross : index != 0 ? colours[index] : under[x];
            if (highlight && index != *highlight)
                colour = dimmed(colour);
            target[x] = colour;
        }
    }
    return area;
}

void paintZoomed(QPainter& painter, const QImage& image, int zoom, QPoint origin,
                 const QRect& exposed) {
    if (image.isNull() || zoom < 1)
        return;
    const auto floorDiv = [zoom](int value) {
        return value >= 0 ? value / zoom : -((-value + zoom - 1) / zoom);
    };
    const QRect wanted = exposed.translated(-origin);
    const int left = std::max(0, floorDiv(wanted.left()));
    const int top = std::max(0, floorDiv(wanted.top()));
    const int right = std::min(image.width() - 1, floorDiv(wanted.right()));
    const int bottom = std::min(image.height() - 1, floorDiv(wanted.bottom()));
    if (left > right || top > bottom)
        return;
    const int columns = right - left + 1;
    if (zoom == 1) {
        painter.drawImage(origin + QPoint(left, top), image,
                          QRect(left, top, columns, 1 + bottom - top));
        return;
    }

    // Bands of enlarged rows are built where the cache holds them and copied
    // out unscaled, which the painter does at memory speed; its own scaling
    // samples every target pixel and takes about twice as long.
    const QImage picture =
        image.depth() == 32 ? image : image.convertToFormat(QImage::Format_RGB32);
    const int bandColumns = std::max(1, kZoomBandWidth / zoom);
    const int bandRows = std::max(1, kZoomBandLines / zoom);
    QImage band(std::min(bandColumns, columns) * zoom, bandRows * zoom, QImage::Format_RGB32);
    if (band.isNull())
        return;
    for (int x = left; x <= right; x += bandColumns) {
        const int width = std::min(bandColumns, right - x + 1);
        const auto lineBytes = static_cast<std::size_t>(width) * zoom * sizeof(QRgb);
        for (int y = top; y <= bottom; y += bandRows) {
            const int rows = std::min(bandRows, bottom - y + 1);
            for (int row = 0; row < rows; ++row) {
                const auto* source =
                    reinterpret_cast<const QRgb*>(picture.constScanLine(y + row)) + x;
                auto* line = reinterpret_cast<QRgb*>(band.scanLine(row * zoom));
                widenRow(line, source, width, zoom);
                for (int copy = 1; copy < zoom; ++copy)
                    std::memcpy(band.scanLine(row * zoom + copy), line, lineBytes);
            }
            painter.drawImage(QPoint(origin.x() + x * zoom, origin.y() + y * zoom), band,
                              QRect(0, 0, width * zoom, rows * zoom));
        }
    }
}

} // namespace quillet::imaging
