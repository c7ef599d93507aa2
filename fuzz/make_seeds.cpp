// Writes the seed corpus of every fuzz harness into the folder given on the
// command line: small valid inputs of each kind, made with our own writers,
// Qt's image writer, giflib and libpng. Nothing is fetched.
#include "../tests/imaging/PictureMaker.h"
#include "document/RecoveryFile.h"
#include "imaging/export/SheetExport.h"
#include "sprite/DC6FileIO.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gif_lib.h>
#include <random>
#include <string>

namespace fs = std::filesystem;
using quillet::Bytes;
using quillet::DC6Frame;
using quillet::FrameList;
using namespace quillet::testing;

namespace {

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

quillet::FramePtr makeFrame(std::int16_t w, std::int16_t h, std::mt19937& rng,
                            int transparentPercent, std::int32_t xOffset = 0,
                            std::int32_t yOffset = 0) {
    Bytes pixels(static_cast<std::size_t>(w) * h);
    std::uniform_int_distribution<int> value(1, 255);
    std::uniform_int_distribution<int> percent(0, 99);
    for (auto& p : pixels)
        p = percent(rng) < transparentPercent ? 0 : static_cast<std::uint8_t>(value(rng));
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(pixels, w, h);
    frame->set_X_offset(xOffset);
    frame->set_Y_offset(yOffset);
    return frame;
}

Bytes frameBlock(const DC6Frame& frame) {
    Bytes block = frame.getFrameHeader(0, 0);
    const Bytes stream = frame.getFrameData(0);
    block.insert(block.end(), stream.begin(), stream.end());
    block.insert(block.end(), {0xEE, 0xEE, 0xEE});
    return block;
}

QImage indexedPicture(int w, int h, int colours) {
    QImage image(w, h, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.push_back(qRgb(i * 37 % 256, i * 91 % 256, i * 13 % 256));
    image.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 3) % colours);
    return image;
}

bool writeGif(const fs::path& path, int w, int h, int colours) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif)
        return false;
    int bits = 1;
    while ((1 << bits) < colours)
        ++bits;
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < (1 << bits); ++i)
        map->Colors[i] = {static_cast<GifByteType>(i * 5), static_cast<GifByteType>(255 - i),
                          static_cast<GifByteType>(i * 11)};
    bool ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        for (int x = 0; x < w; ++x)
            line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>((x + y) % colours);
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

std::vector<std::uint32_t> pattern(int w, int h, std::uint32_t modulo, std::uint32_t scale = 1) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(static_cast<std::uint32_t>(x * 7 + y * 3) % modulo * scale);
    return out;
}

std::vector<std::uint32_t> ramp(int n) {
    std::vector<std::uint32_t> t;
    for (int i = 0; i < n; ++i)
        t.push_back(static_cast<std::uint32_t>(i * 0x9E3779B1u) & 0xFFFFFF);
    return t;
}

void writePngSeeds(const fs::path& dir) {
    for (int depth : {1, 2, 4, 8}) {
        PngRecipe r;
        r.width = 13;
        r.height = 6;
        r.bitDepth = depth;
        r.table = ramp(1 << depth);
        r.pixels = pattern(r.width, r.height, 1u << depth);
        r.interlace = depth == 2;
        if (depth >= 4)
            r.tableAlpha = {0, 64, 200, 127, 128};
        writeFile(dir / ("indexed" + std::to_string(depth) + ".png"), makePng(r));
    }
    struct Kind {
        const char* name;
        int type;
        int depth;
    };
    for (const Kind k :
         {Kind{"grey", PNG_COLOR_TYPE_GRAY, 8}, Kind{"grey4", PNG_COLOR_TYPE_GRAY, 4},
          Kind{"greyalpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8}, Kind{"rgb", PNG_COLOR_TYPE_RGB, 8},
          Kind{"rgba", PNG_COLOR_TYPE_RGBA, 8}, Kind{"rgba16", PNG_COLOR_TYPE_RGBA, 16}}) {
        PngRecipe r;
        r.width = 21;
        r.height = 9;
        r.colourType = k.type;
        r.bitDepth = k.depth;
        r.interlace = k.depth == 16;
        r.pixels = pattern(r.width, r.height, k.depth == 4 ? 16 : 0xFFFFFFFFu, 0x01030507u);
        if (k.type == PNG_COLOR_TYPE_RGB)
            r.keyColour = r.pixels[3] & 0xFFFFFF;
        writeFile(dir / (std::string(k.name) + ".png"), makePng(r));
    }
}

void writeAnimatedGifSeeds(const fs::path& dir) {
    GifRecipe r;
    r.screenWidth = 12;
    r.screenHeight = 8;
    r.background = 2;
    r.globalTable = ramp(16);
    const int disposals[] = {1, 2, 3, 0};
    for (int i = 0; i < 4; ++i) {
        GifImage image;
        image.left = i * 2;
        image.top = i;
        image.width = 6;
        image.height = 5;
        image.disposal = disposals[i];
        image.transparent = i % 2 ? 5 : -1;
        image.interlace = i == 3;
        for (std::uint32_t v : pattern(6, 5, 16))
            image.indices.push_back(static_cast<std::uint8_t>((v + i) % 16));
        if (i == 2)
            image.localTable = ramp(32);
        r.images.push_back(image);
    }
    writeFile(dir / "animated.gif", makeGif(r));
    r.images.resize(2);
    r.images[1].left = 9; // reaches past the canvas
    writeFile(dir / "animated-clipped.gif", makeGif(r));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const fs::path out = argv[1];
    for (const char* name :
         {"dc6_file", "frame_block", "round_trip", "picture", "palette", "recovery", "sheet_data"})
        fs::create_directories(out / name);

    std::mt19937 rng(20261208);
    const FrameList frames = {
        makeFrame(1, 1, rng, 0),          makeFrame(2, 1, rng, 50),
        makeFrame(13, 7, rng, 30, -3, 9), makeFrame(130, 3, rng, 10),
        makeFrame(300, 2, rng, 95),       makeFrame(40, 40, rng, 2, 100, -100),
    };
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bytes block = frameBlock(*frames[i]);
        writeFile(out / "frame_block" / ("block" + std::to_string(i)), block);
        writeFile(out / "round_trip" / ("block" + std::to_string(i)), block);
        writeFile(out / "dc6_file" / ("single" + std::to_string(i)),
                  quillet::DC6FileIO::encodeDC6({frames[i]}, 0));
    }
    writeFile(out / "dc6_file" / "all", quillet::DC6FileIO::encodeDC6(frames, 0));
    for (const int directions : {2, 3, 6})
        writeFile(out / "dc6_file" / ("directions" + std::to_string(directions)),
                  quillet::DC6FileIO::encodeDC6(frames, 0, {}, directions));

    // Recovery copies: untitled and empty, then every frame above in a named one.
    quillet::document::DocumentSnapshot document;
    const QDateTime kept = QDateTime::fromMSecsSinceEpoch(1767225600000, Qt::UTC);
    writeFile(out / "recovery" / "empty", quillet::document::encodeRecoveryCopy(document, kept));
    for (const auto& frame : frames)
        document.frames.push_back(*frame);
    document.frames[2].seOriginalPalette(quillet::Palette{1, 2, 3});
    document.directions = 3;
    document.curFrame = 4;
    document.transform = false;
    document.fileName = QStringLiteral("/home/m\u00f6d/walk.dc6");
    writeFile(out / "recovery" / "frames", quillet::document::encodeRecoveryCopy(document, kept));

    const fs::path pictures = out / "picture";
    indexedPicture(20, 13, 256)
        .save(QString::fromStdString((pictures / "indexed8.bmp").string()), "BMP");
    indexedPicture(5, 3, 2)
        .convertToFormat(QImage::Format_Mono)
        .save(QString::fromStdString((pictures / "mono.bmp").string()), "BMP");
    indexedPicture(300, 20, 200)
        .convertToFormat(QImage::Format_RGB32)
        .save(QString::fromStdString((pictures / "rgb.bmp").string()), "BMP");
    indexedPicture(33, 17, 256)
        .convertToFormat(QImage::Format_RGB32)
        .save(QString::fromStdString((pictures / "photo.jpg").string()), "JPEG", 80);
    writeGif(pictures / "small.gif", 19, 11, 16);
    writeGif(pictures / "wide.gif", 260, 4, 256);
    writePngSeeds(pictures);
    writeAnimatedGifSeeds(pictures);

    // Sheet data as the export writes it, trimmed or not, listed or keyed by
    // name; and as other editors write it, with slices and other tags.
    for (const bool trim : {false, true}) {
        quillet::imaging::SheetExportOptions options;
        options.rowPerDirection = true;
        options.directions = 2;
        options.trim = trim;
        options.name = "walk";
        options.image = "walk.png";
        const auto sheet = quillet::imaging::makeSheet({frames.begin(), frames.begin() + 4}, 0,
                                                       quillet::Palette{}, options);
        for (const auto layout :
             {quillet::imaging::SheetJsonLayout::Array, quillet::imaging::SheetJsonLayout::Hash}) {
            const std::string json = quillet::imaging::writeSheetJson(sheet.data, layout);
            writeFile(
                out / "sheet_data" /
                    ((trim ? "trimmed-" : "whole-") + std::to_string(static_cast<int>(layout))),
                Bytes(json.begin(), json.end()));
        }
    }
    const std::string elsewhere =
        R"({"frames": {"a 2": {"frame": {"x": 1, "y": 2, "w": 3, "h": 4}, "rotated": false,)"
        R"( "trimmed": true, "spriteSourceSize": {"x": 1, "y": 0, "w": 3, "h": 4},)"
        R"( "sourceSize": {"w": 5, "h": 4}, "duration": 100}, "a 10": {"frame": {"x": 9,)"
        R"( "y": 9, "w": 2, "h": 2}, "spriteSourceSize": {"x": 0, "y": 0, "w": 2, "h": 2},)"
        R"( "sourceSize": {"w": 5, "h": 4}}}, "meta": {"image": "a.png", "size": {"w": 16,)"
        R"( "h": 16}, "frameTags": [{"name": "direction 1", "from": 0, "to": 0}, {"name":)"
        R"( "direction 2", "from": 1, "to": 1}, {"name": "run", "from": 0, "to": 1}],)"
        R"( "slices": [{"name": "hit", "keys": []}, {"name": "anchor", "keys": [{"frame": 0,)"
        R"( "bounds": {"x": 0, "y": 0, "w": 5, "h": 4}, "pivot": {"x": 2, "y": 4}}]}]}})";
    writeFile(out / "sheet_data" / "elsewhere", Bytes(elsewhere.begin(), elsewhere.end()));

    Bytes palette(768);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(i * 7);
    writeFile(out / "palette" / "exact", palette);
    writeFile(out / "palette" / "short", Bytes(palette.begin(), palette.end() - 1));
    palette.push_back(0);
    writeFile(out / "palette" / "long", palette);
    const std::string jasc = "JASC-PAL\r\n0100\r\n3\r\n0 0 0\r\n255 128 7\r\n12 34 56\r\n";
    writeFile(out / "palette" / "jasc", Bytes(jasc.begin(), jasc.end()));
    const std::string gimp = "GIMP Palette\nName: seed\nColumns: 4\n# comment\n"
                             "  0   0   0\tBlack\n255 255 255\tWhite\n 17 34  51\n";
    writeFile(out / "palette" / "gimp", Bytes(gimp.begin(), gimp.end()));
    return 0;
}
