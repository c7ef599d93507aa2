#include "imaging/view/FrameView.h"

#include "imaging/view/FrameImage.h"
#include "support/FrameMaker.h"

#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace quillet::imaging {
namespace {

using testing::frameOf;
using testing::solidPixel;

QRgb colour(std::uint8_t index) {
    return paletteColour(testing::distinctPalette(), index);
}

TEST(FrameView, AlignedFramesStandAtTheirOffsetsFromTheAnchor) {
    struct Case {
        const char* name;
        QPoint first;               // offsets of a 4 x 3 frame
        std::vector<QPoint> others; // of 2 x 2 frames
        QSize size;                 // of the view
        QPoint anchor, firstTopLeft;
    };
    const std::vector<Case> cases = {
        {"right of and below the anchor", {10, 20}, {}, {19, 25}, {5, 5}, {15, 22}},
        {"left of and above it", {-30, -7}, {}, {36, 16}, {30, 10}, {0, 0}},
        {"over the anchor", {-2, 1}, {}, {11, 11}, {5, 5}, {3, 3}},
        {"a second frame widens the view", {10, 20}, {{-20, 30}}, {34, 35}, {20, 5}, {30, 22}},
        {"one far right is cut off", {10, 20}, {{5000, 0}}, {4096, 25}, {5, 5}, {15, 22}},
        {"one far up-left",
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameList frames = {frameOf(4, 3, c.first.x(), c.first.y())};
        for (QPoint other : c.others)
            frames.push_back(frameOf(2, 2, other.x(), other.y()));

        const ViewImage view = renderView(frames, 0, 0, {.alignByOffsets = true});
        ASSERT_EQ(view.image.size(), c.size);
        ASSERT_EQ(view.anchor, c.anchor);
        EXPECT_EQ(view.image.pixel(c.anchor), kCrossColour);
        // The frame and a ring of background around it, but for the cross.
        const QRect first(c.firstTopLeft, QSize(4, 3));
        const QRect cross(c.anchor - QPoint(kCrossArm + 1, kCrossArm + 1),
                          QSize(2 * kCrossArm + 3, 2 * kCrossArm + 3));
        for (int y = first.top() - 1; y <= first.bottom() + 1; ++y)
            for (int x = first.left() - 1; x <= first.right() + 1; ++x)
                if (view.image.rect().contains(x, y) && !cross.contains(x, y)) {
                    ASSERT_EQ(view.image.pixel(x, y),
                              first.contains(x, y)
                                  ? colour(solidPixel(x - first.left(), first.bottom() - y))
                                  : colour(0))
                        << x << "," << y;
                }
        // Playing through the frames never moves or resizes the view.
        const ViewImage second = renderView(frames, 1 % frames.size(), 0, {.alignByOffsets = true});
        EXPECT_EQ(second.image.size(), c.size);
        EXPECT_EQ(second.anchor, c.anchor);
    }
}

TEST(FrameView, OnionAndCheckerboardShowOnlyWhereTheCurrentFrameHasIndexZero) {
    // Frame 0 has pixels in column 0, frame 2 (its previous, wrapping) in
    // columns 0-1, frame 1 (its next) in column 2; column 3 is empty in all.
    const auto columns = [](int first, int last) {
        return [first, last](int column, int row) -> std::uint8_t {
            return column >= first && column <= last ? solidPixel(column, row) : 0;
        };
    };
    const FrameList frames = {frameOf(4, 4, 0, 0, columns(0, 0)),
                              frameOf(4, 4, 0, 0, columns(2, 2)),
                              frameOf(4, 4, 0, 0, columns(0, 1))};
    struct Case {
        ViewOptions options;
        bool onionInColumn1, onionInColumn2;
    };
    for (const Case& c :
         std::vector<Case>{{{.onionPrevious = true}, true, false},
                           {{.onionNext = true}, false, true},
                           {{.onionPrevious = true, .onionNext = true}, true, true},
                           {{.onionNext = true, .transparentBackground = true}, false, true},
                           {{.transparentBackground = true}, false, false}}) {
        const QImage image = renderView(frames, 0, 0, c.options).image;
        ASSERT_EQ(image.size(), QSize(4, 4));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const QRgb background = !c.options.transparentBackground ? colour(0)
                                        : (x / kCheckerCell + y / kCheckerCell) % 2 != 0
                                            ? kCheckerDark
                                            : kCheckerLight;
                const QRgb pixel = image.pixel(x, y);
                if (x == 0)
                    EXPECT_EQ(pixel, colour(solidPixel(0, 3 - y)));
                else if ((x == 1 && c.onionInColumn1) || (x == 2 && c.onionInColumn2))
                    EXPECT_TRUE(pixel != background && pixel != colour(solidPixel(x, 3 - y)))
                        << x << "," << y; // faint
                else
                    EXPECT_EQ(pixel, background) << x << "," << y;
            }
    }
}

TEST(FrameView, MissingAndEmptyFramesDrawNothingAndNeverThrow) {
    const ViewOptions every{.zoom = 16,
                            .alignByOffsets = true,
                            .onionPrevious = true,
                            .onionNext = true,
                            .transparentBackground = true,
                            .highlightIndex = 3};
    const FrameList frames = {frameOf(2, 2), std::make_shared<DC6Frame>(), nullptr};
    struct Case {
        FrameList list;
        int index;
        ViewOptions options;
        QSize size;
    };
    for (const Case& c : std::vector<Case>{{{}, 0, every, {0, 0}},
                                           {frames, -1, every, {0, 0}},
                                           {frames, 3, every, {0, 0}},
                                           {frames, 2, every, {0, 0}},
                                           {frames, 1, {}, {0, 0}},
                                           {frames, 1, every, {11, 11}},
                                           {frames, 0, every, {11, 11}}})
        EXPECT_EQ(renderView(c.list, c.index, 1, c.options).image.size(), c.size) << c.index;
}

TEST(FrameView, ZoomRepeatsEveryPixelAsASquareWithinTheExposedPart) {
    // Wide enough that 16x is built in more than one band.
    QImage image(300, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 300; ++x)
            image.setPixel(x, y, qRgb(x % 256, y * 100, x / 256));
    struct Case {
        int zoom;
        QRect exposed; // the picture's origin at (2, 1); empty: everything
    };
    for (const Case& c :
         std::vector<Case>{{1, {}}, {3, {}}, {8, {}}, {16, {}}, {3, {6, 4, 5, 2}}}) {
        QImage target(image.size() * c.zoom + QSize(4, 3), QImage::Format_RGB32);
        target.fill(Qt::white);
        const QRect exposed = c.exposed.isEmpty() ? target.rect() : c.exposed;
        QPainter painter(&target);
        paintZoomed(painter, image, c.zoom, QPoint(2, 1), exposed);
        painter.end();
        int wrong = 0;
        for (int y = exposed.top(); y <= exposed.bottom(); ++y)
            for (int x = exposed.left(); x <= exposed.right(); ++x) {
                const QPoint source((x - 2) / c.zoom, (y - 1) / c.zoom);
                const bool onImage = x >= 2 && y >= 1 && image.rect().contains(source);
                wrong +=
                    target.pixel(x, y) != (onImage ? image.pixel(source) : qRgb(255, 255, 255));
            }
        EXPECT_EQ(wrong, 0) << c.zoom;
    }
}

TEST(ViewOptions, SettingsComeBackInRangeAndDefaultsFillTheGaps) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("view.ini"), QSettings::IniFormat);
    struct Case {
        const char* key;
        QVariant stored;
        int zoom, framesPerSecond;
    };
    for (const Case& c : std::vector<Case>{{"none", {}, 1, 25},
                                           {"view/zoom", 0, 1, 25},
                                           {"view/zoom", 99, 16, 25},
                                           {"view/zoom", "abc", 1, 25},
                                           {"view/framesPerSecond", -3, 1, 1},
                                           {"view/framesPerSecond", 120, 1, 60}}) {
        settings.clear();
        settings.setValue(c.key, c.stored);
        const ViewOptions loaded = loadViewOptions(settings);
        EXPECT_EQ(loaded, (ViewOptions{.zoom = c.zoom, .framesPerSecond = c.framesPerSecond}))
            << c.key << " " << c.stored.toString().toStdString();
    }
    ViewOptions chosen{.zoom = 12, .onionNext = true, .framesPerSecond = 60, .highlightIndex = 7};
    saveViewOptions(settings, chosen);
    chosen.highlightIndex.reset(); // a look for the moment, not a setting
    EXPECT_EQ(loadViewOptions(settings), chosen);
}

} // namespace
} // namespace quillet::imaging
