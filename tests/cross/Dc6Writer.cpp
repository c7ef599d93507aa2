// Writes the same table of DC6 documents on every host, through the real
// save path, so the files of the Windows build can be compared byte for
// byte with those of the Linux build.

#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "support/SpriteTestSupport.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace quillet;
using quillet::testing::makeFrame;
using quillet::testing::rampPalette;

// Raw engine output only: the distributions of the standard library may
// differ between its builds, the engine may not.
Bytes noise(std::mt19937& random, std::size_t count, unsigned transparentOneIn) {
    Bytes pixels(count);
    for (auto& p : pixels)
        p = random() % transparentOneIn == 0 ? 0 : static_cast<std::uint8_t>(random());
    return pixels;
}

struct Document {
    const char* name;
    FrameList frames;
    std::int16_t palTransform;
};

std::vector<Document> documents() {
    std::mt19937 random(15);
    std::vector<Document> docs;
    docs.push_back({"one-pixel", {makeFrame(1, 1, {5}, 0, 0)}, 0});
    docs.push_back(
        {"offsets",
         {makeFrame(2, 1, {0, 9}, INT32_MIN, INT32_MAX), makeFrame(1, 2, {7, 0}, -1, -40)},
         0});

    // Runs longer than one code byte holds, and rows with nothing to draw.
    Bytes runs(300 * 4, 0);
    for (std::size_t i = 0; i < 300; ++i)
        runs[300 + i] = 17;
    for (std::size_t i = 150; i < 300; ++i)
        runs[600 + i] = static_cast<std::uint8_t>(i);
    docs.push_back({"long-runs", {makeFrame(300, 4, runs, 12, -12)}, 0});

    // Colours matched into another palette while saving.
    FrameList mapped;
    for (int i = 0; i < 3; ++i) {
        FramePtr frame = makeFrame(64, 16, noise(random, 64 * 16, 4), i, -i);
        frame->seOriginalPalette(rampPalette(0));
        frame->setNewPalette(rampPalette(37 * (i + 1)));
        mapped.push_back(frame);
    }
    docs.push_back({"mapped", mapped, 1});

    FrameList many;
    for (int i = 0; i < 40; ++i) {
        const int width = 1 + static_cast<int>(random() % 90);
        const int height = 1 + static_cast<int>(random() % 12);
        many.push_back(makeFrame(width, height, noise(random, std::size_t(width * height), 2),
                                 static_cast<std::int32_t>(random()),
                                 static_cast<std::int32_t>(random())));
    }
    docs.push_back({"forty-frames", many, 0});
    docs.push_back({"large", {makeFrame(256, 256, noise(random, 256 * 256, 3), 0, 0)}, 0});
    return docs;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    try {
        for (const Document& doc : documents())
            DC6FileIO().SaveDC6(folder + "/" + doc.name + ".dc6", doc.frames, doc.palTransform);
    } catch (const QuilletError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
