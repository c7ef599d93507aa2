#include "imaging/export/SheetExport.h"
#include "imaging/sheet/SheetDataImport.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "support/ExportReader.h"

#include <gtest/gtest.h>
#include <map>

namespace quillet::imaging {
namespace {

// `directions` x 2 frames of several sizes, offsets of the given signs; odd
// frames have a transparent left column and top row, frame 4 no pixel at all.
FrameList walk(int directions, int xSign, int ySign, const Palette& palette) {
    std::mt19937 rng(static_cast<unsigned>(directions * 9 + xSign * 3 + ySign));
    FrameList frames;
    for (int i = 0; i < 2 * directions; ++i) {
        const int w = 3 + i % 5, h = 2 + i % 4;
        frames.push_back(
            testing::randomFrame(rng, w, h, xSign * (1 + i % 9), ySign * (2 + i % 6), palette));
        Bytes pixels = frames.back()->getPixelData(0);
        for (int k = 0; k < w * h; ++k)
            if (i == 3 || (i % 2 && (k % w == 0 || k >= (h - 1) * w)))
                pixels[std::size_t(k)] = 0;
        frames.back()->setPixelData(pixels, std::int16_t(w), std::int16_t(h));
    }
    return frames;
}

// Every pixel other than index 0, by its place from the anchor.
std::map<std::pair<int, int>, int> opaquePixels(const DC6Frame& f) {
    std::map<std::pair<int, int>, int> out;
    const Bytes pixels = f.getPixelData(0);
    const int w = f.get_X_size(), h = f.get_Y_size();
    for (int k = 0; k < w * h; ++k)
        if (pixels[std::size_t(k)] != 0)
            out[{f.get_X_offset() + k % w, f.get_Y_offset() - 1 - k / w}] = pixels[std::size_t(k)];
    return out;
}

// Out as a sheet with its data and back from the picture and the JSON alone.
TEST(SheetData, ASpriteComesBackFromItsSheetAndData) {
    using enum SheetJsonLayout;
    const struct {
        int directions;
        bool trim;
        int xSign, ySign;
        bool rowPerDirection;
        SheetJsonLayout layout;
    } rows[] = {
        {1, false, 1, -1, false, Array}, {1, true, -1, 1, false, Hash},
        {2, false, -1, -1, true, Hash},  {2, true, 1, 1, true, Array},
        {32, false, -1, 1, true, Array}, {32, true, 1, -1, false, Hash},
    };
    const Palette palette = testing::rampPalette(5);
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        const FrameList frames = walk(r.directions, r.xSign, r.ySign, palette);
        SheetExportOptions options;
        options.columns = 3;
        options.rowPerDirection = r.rowPerDirection;
        options.directions = r.directions;
        options.trim = r.trim;
        const SheetFiles sheet = makeSheet(frames, 1, palette, options);
        const SheetData data = readSheetJson(bytesOf(writeSheetJson(sheet.data, r.layout)));
        EXPECT_EQ(sheetDirections(data), r.directions);
        const FrameList back =
            cutSheetFrames(decodeSheetPicture(sheet.png, {palette}), data, std::nullopt, palette);
        ASSERT_EQ(back.size(), frames.size());
        if (!r.trim) {
            EXPECT_EQ(DC6FileIO::encodeDC6(back, 1, {}, r.directions),
                      DC6FileIO::encodeDC6(frames, 1, {}, r.directions));
        }
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(opaquePixels(*back[i]), opaquePixels(*frames[i])) << "frame " << i + 1;
    }
}

// Data as other editors and packers write it, on an 8 x 4 picture whose
// pixel (x, y) is 1 + 8y + x.
TEST(SheetData, OtherEditorsSheetsComeInWithEveryFrameInPlace) {
    const struct {
        const char* json;
        int directions;
        std::vector<std::array<int, 5>> frames; // width, height, x, y offsets, bottom-left pixel
    } rows[] = {
        {R"({"frames": [{"filename": "walk 0.ase", "frame": {"x": 0, "y": 0, "w": 3, "h": 4},
  "rotated": false, "trimmed": false, "spriteSourceSize": {"x": 0, "y": 0, "w": 3, "h": 4},
  "sourceSize": {"w": 3, "h": 4}, "duration": 100}, {"filename": "walk 1.ase", "frame": {"x": 3,
  "y": 1, "w": 2, "h": 3}, "rotated": false, "trimmed": true, "spriteSourceSize": {"x": 1, "y": 1,
  "w": 2, "h": 3}, "sourceSize": {"w": 3, "h": 4}, "duration": 100}], "meta": {"app": "elsewhere",
  "image": "walk.png", "format": "RGBA8888", "size": {"w": 8, "h": 4}, "scale": "1", "layers": [],
  "frameTags": [], "slices": [{"name": "anchor", "color": "#0000ffff", "keys": [{"frame": 0,
  "bounds": {"x": 0, "y": 0, "w": 3, "h": 4}, "pivot": {"x": 1, "y": 4}}]}]}})",
         1,
         {{3, 4, -1, 0, 25}, {2, 3, 0, 0, 28}}},
        {R"({"frames": {"walk 2": {"frame": {"x": 4, "y": 0, "w": 4, "h": 4}, "rotated": false,
  "trimmed": false, "spriteSourceSize": {"x": 0, "y": 0, "w": 4, "h": 4}, "sourceSize": {"w": 4,
  "h": 4}, "duration": 100}, "walk 10": {"frame": {"x": 0, "y": 2, "w": 2, "h": 2}, "trimmed": true,
  "spriteSourceSize": {"x": 1, "y": 2, "w": 2, "h": 2}, "sourceSize": {"w": 4, "h": 4}}},
  "meta": {"image": "walk.png", "size": {"w": 8, "h": 4}}})",
         1,
         {{4, 4, -2, 0, 29}, {2, 2, -1, 0, 25}}},
        {R"({"frames": {"s0": {"frame": {"x": 0, "y": 0, "w": 1, "h": 1}, "spriteSourceSize": {
  "x": 2, "y": 0, "w": 1, "h": 1}, "sourceSize": {"w": 4, "h": 4}}, "s1": {"frame": {"x": 7,
  "y": 3, "w": 1, "h": 1}, "spriteSourceSize": {"x": 0, "y": 3, "w": 1, "h": 1}, "sourceSize": {
  "w": 4, "h": 4}}}, "meta": {"frameTags": [{"name": "idle", "from": 0, "to": 1}, {"name":
  "direction 2", "from": 1, "to": 1}, {"name": "direction 1", "from": 0, "to": 0}], "slices": [
  {"name": "hit", "keys": []}, {"name": "anchor", "keys": [{"frame": 0, "bounds": {"x": 1, "y": 0,
  "w": 2, "h": 4}, "pivot": {"x": 0, "y": 4}}, {"frame": 1, "bounds": {"x": 0, "y": 0, "w": 4,
  "h": 4}, "pivot": {"x": 3, "y": 3}}]}]}})",
         2,
         {{1, 1, 1, -3, 1}, {1, 1, -3, 1, 32}}},
    };
    IndexedPicture sheet{8, 4, {}, {}, {}};
    for (int i = 0; i < 32; ++i)
        sheet.pixels.push_back(std::uint8_t(1 + i));
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        const SheetData data = readSheetJson(bytesOf(r.json));
        EXPECT_EQ(sheetDirections(data), r.directions);
        std::vector<std::array<int, 5>> placed;
        for (const FramePtr& f : cutSheetFrames(sheet, data, std::nullopt, {}))
            placed.push_back({f->get_X_size(), f->get_Y_size(), f->get_X_offset(),
                              f->get_Y_offset(), f->getPixelData(0)[0]});
        EXPECT_EQ(placed, r.frames);
    }
}

// The rectangles are checked against the picture and the limits before any
// pixel is cut: packers may point many frames at one rectangle.
TEST(SheetData, RectanglesAreCheckedBeforeAnythingIsCut) {
    IndexedPicture sheet{4097, 4096, {}, {}, {}};
    sheet.pixels.resize(std::size_t{4097} * 4096);
    const struct {
        SheetRect rect;
        int copies;
        const char* refusal;
    } rows[] = {
        {{1, 0, 4097, 1}, 1, R"(frame 1 ("f"): frame 1, 0, 4097 x 1 reaches past the picture)"},
        {{0, 0, 4097, 4096}, 1, "exceeds the limit of 16777216 pixels a frame"},
        {{0, 0, 4096, 4096}, 17, "the frames hold more than the 268435456 pixels"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.refusal);
        SheetData data;
        data.frames.assign(std::size_t(r.copies), {"f", r.rect, false, r.rect, r.rect.w, r.rect.h});
        try {
            checkSheetFrames(sheet, data);
            ADD_FAILURE() << "not refused";
        } catch (const QuilletError& e) {
            EXPECT_NE(std::string(e.what()).find(r.refusal), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace quillet::imaging
