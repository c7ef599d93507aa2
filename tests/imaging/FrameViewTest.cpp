#include "imaging/FrameView.h"

#include "imaging/FrameImage.h"
#include "imaging/ViewOptions.h"
#include "sprite/SpriteTestSupport.h"

#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillet::imaging {
namespace {

using testing::distinctPalette;

// A frame whose pixel at (column, stored row) is `pixel(column, row)`.
FramePtr frameOf(int width, int height, int x, int y,
                 const std::function<std::uint8_t(int, int)>& pixel) {
    Bytes pixels(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels[static_cast<std::size_t>(row) * width + column] = pixel(column, row);
    FramePtr frame = testing::makeFrame(width, height, pixels, x, y);
    frame->setNewPalette(distinctPalette());
    return frame;
}

// Never index 0, different in every pixel of a small frame.
std::uint8_t solid(int column, int row) {
    return static_cast<std::uint8_t>(1 + (column * 13 + row * 7) % 250);
}

QRgb colour(std::uint8_t index) {
    return paletteColour(distinctPalette(), index);
}

bool underCross(QPoint anchor, int x, int y) {
    const int dx = std::abs(x - anchor.x());
    const int dy = std::abs(y - anchor.y());
    return (dx <= kCrossArm + 1 && dy <= 1) || (dx <= 1 && dy <= kCrossArm + 1);
}

TEST(FrameView, AlignedFramesStandAtTheirOffsetsFromTheAnchor) {
    struct Offset {
        int x, y;
    };
    struct Case {
        const char* name;
        Offset first;               // a 4 x 3 frame
        std::vector<Offset> others; // 2 x 2 frames
        QSize size;                 // of the view
        QPoint anchor;
        QPoint firstTopLeft;
    };
    const std::vector<Case> cases = {
        {"right of and below the anchor", {10, 20}, {}, {19, 25}, {5, 5}, {15, 22}},
        {"left of and above it", {-30, -7}, {}, {36, 16}, {30, 10}, {0, 0}},
        {"over the anchor", {-2, 1}, {}, {11, 11}, {5, 5}, {3, 3}},
        {"a second frame widens the view", {10, 20}, {{-20, 30}}, {34, 35}, {20, 5}, {30, 22}},
        {"a frame far right is cut off", {10, 20}, {{5000, 0}}, {4096, 25}, {5, 5}, {15, 22}},
        {"a frame far up-left is cut off",
         {10, 20},
         {{-100000, -100000}},
         {4096, 4096},
         {4082, 4076},
         {4092, 4093}},
        {"the largest offsets",
         {10, 20},
         {{INT_MAX, INT_MIN}},
         {4096, 4096},
         {5, 4076},
         {15, 4093}},
    };
    const ViewOptions aligned{.alignByOffsets = true};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameList frames = {frameOf(4, 3, c.first.x, c.first.y, solid)};
        for (Offset other : c.others)
            frames.push_back(frameOf(2, 2, other.x, other.y, solid));

        const ViewImage view = renderView(frames, 0, 0, aligned);
        ASSERT_EQ(view.image.size(), c.size);
        ASSERT_EQ(view.anchor, c.anchor);
        EXPECT_EQ(view.image.pixel(c.anchor), kCrossColour);
        // The frame and a one-pixel ring around it, except where the cross lies.
        const QRect first(c.firstTopLeft, QSize(4, 3));
        for (int y = first.top() - 1; y <= first.bottom() + 1; ++y)
            for (int x = first.left() - 1; x <= first.right() + 1; ++x) {
                if (!view.image.rect().contains(x, y) || underCross(c.anchor, x, y))
                    continue;
                const QRgb expected = first.contains(x, y)
                                          ? colour(solid(x - first.left(), first.bottom() - y))
                                          : colour(0);
                ASSERT_EQ(view.image.pixel(x, y), expected) << "at " << x << "," << y;
            }
        // Playing through the frames never moves or resizes the view.
        for (std::size_t index = 1; index < frames.size(); ++index) {
            const ViewImage other = renderView(frames, static_cast<int>(index), 0, aligned);
            EXPECT_EQ(other.image.size(), c.size);
            EXPECT_EQ(other.anchor, c.anchor);
        }
    }
}

TEST(FrameView, OnionSkinShowsOnlyWhereTheNeighbourHasPixelsAndTheCurrentNot) {
    // Frame 0 is drawn in column 0, frame 2 (its previous, wrapping) in
    // columns 0-1, frame 1 (its next) in column 2; column 3 is empty in all.
    const auto inColumns = [](int first, int last) {
        return [first, last](int column, int row) -> std::uint8_t {
            return column >= first && column <= last ? solid(column, row) : 0;
        };
    };
    const FrameList frames = {frameOf(4, 4, 0, 0, inColumns(0, 0)),
                              frameOf(4, 4, 0, 0, inColumns(2, 2)),
                              frameOf(4, 4, 0, 0, inColumns(0, 1))};
    struct Case {
        ViewOptions options;
        bool onionInColumn1, onionInColumn2;
    };
    const std::vector<Case> cases = {
        {{.onionPrevious = true}, true, false},
        {{.onionNext = true}, false, true},
        {{.onionPrevious = true, .onionNext = true}, true, true},
        {{.onionPrevious = true, .transparentBackground = true}, true, false},
        {{.transparentBackground = true}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.options.onionPrevious) + std::to_string(c.options.onionNext) +
                     std::to_string(c.options.transparentBackground));
        const QImage image = renderView(frames, 0, 0, c.options).image;
        ASSERT_EQ(image.size(), QSize(4, 4));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const QRgb background = !c.options.transparentBackground ? colour(0)
                                        : (x / kCheckerCell + y / kCheckerCell) % 2 != 0
                                            ? kCheckerDark
                                            : kCheckerLight;
                const QRgb pixel = image.pixel(x, y);
                const bool onion = (x == 1 && c.onionInColumn1) || (x == 2 && c.onionInColumn2);
                if (x == 0)
                    EXPECT_EQ(pixel, colour(solid(0, 3 - y)));
                else if (!onion)
                    EXPECT_EQ(pixel, background) << "at " << x << "," << y;
                else {
                    // Faint: between the background and the neighbour's colour.
                    const QRgb full = colour(solid(x, 3 - y));
                    EXPECT_NE(pixel, background);
                    EXPECT_NE(pixel, full);
                    for (int shift : {0, 8, 16}) {
                        const int value = pixel >> shift & 0xFF;
                        const int a = background >> shift & 0xFF, b = full >> shift & 0xFF;
                        EXPECT_TRUE(value >= std::min(a, b) && value <= std::max(a, b));
                    }
                }
            }
    }
}

TEST(FrameView, EveryViewOffIsTheFrameAsRenderFrameDrawsIt) {
    const FrameList frames = {frameOf(5, 3, -7, 9, solid), frameOf(1, 1, 0, 0, solid)};
    for (int index : {0, 1}) {
        const ViewImage view = renderView(frames, index, 1, {});
        EXPECT_EQ(view.image,
                  renderFrame(frames[index]->get_X_size(), frames[index]->get_Y_size(),
                              frames[index]->getPixelData(1), frames[index]->getNewPalette()));
        EXPECT_EQ(view.background, colour(0));
        EXPECT_FALSE(view.anchor);
    }
}

TEST(FrameView, MissingAndEmptyFramesDrawNothingAndNeverThrow) {
    const ViewOptions everything{.zoom = 16,
                                 .alignByOffsets = true,
                                 .onionPrevious = true,
                                 .onionNext = true,
                                 .transparentBackground = true};
    const FrameList frames = {frameOf(2, 2, 0, 0, solid), std::make_shared<DC6Frame>(), nullptr};
    struct Case {
        const FrameList* list;
        int index;
        ViewOptions options;
        QSize size;
    };
    const FrameList none;
    const std::vector<Case> cases = {
        {&none, 0, everything, {0, 0}},     {&frames, -1, everything, {0, 0}},
        {&frames, 3, everything, {0, 0}},   {&frames, 2, everything, {0, 0}},
        {&frames, 1, {}, {0, 0}},           {&frames, 1, everything, {11, 11}},
        {&frames, 0, everything, {11, 11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(renderView(*c.list, c.index, 1, c.options).image.size(), c.size);
    }
}

TEST(FrameView, ZoomRepeatsEveryPixelAsASquare) {
    QImage image(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            image.setPixel(x, y, qRgb(x * 50, y * 100, 7));
    struct Case {
        int zoom;
        QRect exposed; // in target pixels, the origin at (2, 1)
    };
    for (const Case& c : std::vector<Case>{{1, {0, 0, 40, 40}},
                                           {2, {0, 0, 40, 40}},
                                           {3, {0, 0, 40, 40}},
                                           {8, {0, 0, 50, 40}},
                                           {3, {6, 4, 5, 2}}}) {
        SCOPED_TRACE(c.zoom);
        const QRgb untouched = qRgb(1, 2, 3);
        QImage target(50, 40, QImage::Format_RGB32);
        target.fill(untouched);
        {
            QPainter painter(&target);
            paintZoomed(painter, image, c.zoom, QPoint(2, 1), c.exposed);
        }
        int wrong = 0;
        for (int y = 0; y < target.height(); ++y)
            for (int x = 0; x < target.width(); ++x) {
                const int sx = (x - 2) / c.zoom, sy = (y - 1) / c.zoom;
                const bool onImage = x >= 2 && y >= 1 && sx < 5 && sy < 3;
                if (!c.exposed.contains(x, y))
                    continue; // outside the exposed part anything may be drawn
                wrong += target.pixel(x, y) != (onImage ? image.pixel(sx, sy) : untouched);
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(ViewOptions, SettingsComeBackInRangeAndDefaultsFillTheGaps) {
    QTemporaryDir folder;
    struct Case {
        const char* key;
        QVariant stored;
        int zoom, framesPerSecond;
    };
    const std::vector<Case> cases = {
        {nullptr, {}, 1, 25},
        {"view/zoom", 0, 1, 25},
        {"view/zoom", 99, 16, 25},
        {"view/zoom", "abc", 1, 25},
        {"view/zoom", "7", 7, 25},
        {"view/framesPerSecond", -3, 1, 1},
        {"view/framesPerSecond", 120, 1, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key ? c.key : "nothing stored");
        QSettings settings(folder.filePath("view.ini"), QSettings::IniFormat);
        settings.clear();
        if (c.key)
            settings.setValue(c.key, c.stored);
        const ViewOptions loaded = loadViewOptions(settings);
        EXPECT_EQ(loaded.zoom, c.zoom);
        EXPECT_EQ(loaded.framesPerSecond, c.framesPerSecond);
        EXPECT_FALSE(loaded.alignByOffsets || loaded.onionPrevious || loaded.onionNext ||
                     loaded.transparentBackground);
    }

    const ViewOptions chosen{.zoom = 12,
                             .alignByOffsets = true,
                             .onionNext = true,
                             .transparentBackground = true,
                             .framesPerSecond = 60};
    {
        QSettings settings(folder.filePath("view.ini"), QSettings::IniFormat);
        saveViewOptions(settings, chosen);
    }
    QSettings settings(folder.filePath("view.ini"), QSettings::IniFormat);
    EXPECT_EQ(loadViewOptions(settings), chosen);
}

TEST(ViewOptions, ZoomStepsClimbTheLadderAndStopAtItsEnds) {
    struct Case {
        int zoom, in, out;
    };
    for (const Case& c : std::vector<Case>{
             {1, 2, 1}, {4, 6, 3}, {5, 6, 4}, {12, 16, 8}, {16, 16, 12}, {40, 16, 16}}) {
        EXPECT_EQ(zoomedIn(c.zoom), c.in) << c.zoom;
        EXPECT_EQ(zoomedOut(c.zoom), c.out) << c.zoom;
    }
}

} // namespace
} // namespace quillet::imaging
