#include "display/DrawPic.h"

#include "display/ImageArea.h"
#include "imaging/view/FrameImage.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillet::display {
namespace {

// Every entry distinct, so a swapped channel or a neighbour's entry shows.
Palette rampPalette() {
    return testing::distinctPalette();
}

QRgb entry(const Palette& palette, int index) {
    return qRgb(palette[3 * index], palette[3 * index + 1], palette[3 * index + 2]);
}

TEST(DrawPic, StoredRowsRunFromTheBottomUp) {
    // Y_size 3, X_size 2: entries 0 and 1 on the bottom line, 4 and 5 on the top.
    Palette palette = rampPalette();
    palette[765] = 11;
    palette[766] = 22;
    palette[767] = 33;
    const Bytes pixels = {1, 2, 3, 4, 5, 255};
    ImageArea area;
    DrawPic(area, 2, 3, pixels, palette);

    EXPECT_EQ(area.size(), QSize(4, 5));
    const QImage& image = area.retainedImage();
    ASSERT_EQ(image.size(), QSize(2, 3));
    EXPECT_EQ(image.pixel(0, 2), entry(palette, 1));
    EXPECT_EQ(image.pixel(1, 2), entry(palette, 2));
    EXPECT_EQ(image.pixel(0, 1), entry(palette, 3));
    EXPECT_EQ(image.pixel(1, 1), entry(palette, 4));
    EXPECT_EQ(image.pixel(0, 0), entry(palette, 5));
    EXPECT_EQ(image.pixel(1, 0), qRgb(11, 22, 33));
}

TEST(DrawPic, EveryPixelMatchesItsEntryForManyShapes) {
    const Palette palette = rampPalette();
    struct Shape {
        int width, height;
    };
    ImageArea area; // reused on purpose: no trace of an earlier frame may remain
    for (Shape shape : std::vector<Shape>{
             {1, 1}, {3, 2}, {2, 3}, {17, 5}, {256, 1}, {1, 256}, {64, 48}, {5, 5}}) {
        SCOPED_TRACE(std::to_string(shape.width) + "x" + std::to_string(shape.height));
        Bytes pixels(static_cast<std::size_t>(shape.width * shape.height));
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>((i * 37 + shape.width) % 256);
        DrawPic(area, shape.width, shape.height, pixels, palette);

        ASSERT_EQ(area.size(), QSize(shape.width + 2, shape.height + 2));
        const QImage& image = area.retainedImage();
        ASSERT_EQ(image.size(), QSize(shape.width, shape.height));
        int wrong = 0;
        for (int row = 0; row < shape.height; ++row)
            for (int column = 0; column < shape.width; ++column)
                wrong += image.pixel(column, shape.height - 1 - row) !=
                         entry(palette, pixels[row * shape.width + column]);
        EXPECT_EQ(wrong, 0);
        // The export writes what renderFrame gives; it must be the same picture.
        EXPECT_EQ(imaging::renderFrame(shape.width, shape.height, pixels, palette), image);
    }
}

TEST(DrawPic, IndexZeroIsOpaqueAndIsTheBackground) {
    Palette palette = rampPalette();
    palette[0] = 0;
    palette[1] = 0;
    palette[2] = 0;
    ImageArea area;
    DrawPic(area, 2, 1, Bytes{0, 9}, palette);
    EXPECT_EQ(area.retainedImage().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(area.retainedImage().pixel(1, 0), entry(palette, 9));

    // Clearing leaves the background, which is colour 0 of the frame drawn.
    area.clear();
    EXPECT_EQ(area.retainedImage().pixel(1, 0), qRgb(0, 0, 0));
}

TEST(DrawPic, EmptyAndImpossibleSizesLeaveOnlyTheBorder) {
    const Palette palette = rampPalette();
    struct Case {
        const char* name;
        std::int32_t width, height;
        QSize outer;
    };
    const std::vector<Case> cases = {
        {"zero width", 0, 3, {2, 5}},
        {"zero height", 4, 0, {6, 2}},
        {"both zero", 0, 0, {2, 2}},
        {"negative width", -5, 3, {2, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageArea area;
        DrawPic(area, 8, 8, Bytes(64, 7), palette);
        DrawPic(area, c.width, c.height, Bytes{}, palette);
        EXPECT_EQ(area.size(), c.outer);
        EXPECT_TRUE(area.retainedImage().isNull());
        EXPECT_TRUE(imaging::renderFrame(c.width, c.height, Bytes{}, palette).isNull());
    }
}

TEST(DrawPic, ShortPixelArrayDrawsOnlyWholeRowsAndReadsNothingBeyond) {
    // The frame object keeps its array the size of the frame; this guards the
    // renderer against a caller that does not.
    const Palette palette = rampPalette();
    ImageArea area;
    DrawPic(area, 4, 3, Bytes{1, 2, 3, 4, 5}, palette);
    const QImage& image = area.retainedImage();
    ASSERT_EQ(image.size(), QSize(4, 3));
    EXPECT_EQ(image.pixel(3, 2), entry(palette, 4));
    EXPECT_EQ(image.pixel(0, 1), entry(palette, 0));
    EXPECT_EQ(image.pixel(3, 0), entry(palette, 0));
}

TEST(ImageArea, InnerImageIsOuterSizeLessTheBorderAndKeepsWhatFits) {
    ImageArea area;
    area.setOuterSize(6, 5);
    EXPECT_EQ(area.size(), QSize(6, 5));
    EXPECT_EQ(area.retainedImage().size(), QSize(4, 3));

    area.setBackgroundColour(qRgb(1, 2, 3));
    area.image().setPixel(1, 1, qRgb(200, 100, 50));
    area.setOuterSize(9, 4);
    const QImage& image = area.retainedImage();
    ASSERT_EQ(image.size(), QSize(7, 2));
    EXPECT_EQ(image.pixel(1, 1), qRgb(200, 100, 50));
    EXPECT_EQ(image.pixel(6, 0), qRgb(1, 2, 3));

    area.setOuterSize(1, 0);
    EXPECT_TRUE(area.retainedImage().isNull());
}

} // namespace
} // namespace quillet::display
