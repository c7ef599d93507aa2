// Damaged and lying pictures: each one imports to sane frames or is refused
// with QuilletError; nothing else may happen (the suite runs under ASan/UBSan/LSan).

#include "PictureMaker.h"
#include "imaging/PictureImport.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <QBuffer>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <zlib.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

enum class Expect { Refused, Either };

struct Damaged {
    std::string name;
    Bytes data;
    Expect expect;
    std::size_t frames = 0; // when set, what must be accepted
};

imaging::ImportOptions withLimits(int maxSide, std::int64_t maxPixels) {
    imaging::ImportOptions options;
    options.limits = {maxSide, maxPixels};
    return options;
}

void importSafely(const Damaged& d) {
    SCOPED_TRACE(d.name);
    try {
        const FrameList frames = imaging::LoadImageFromMemory(d.data, {});
        EXPECT_EQ(d.expect, Expect::Either) << "accepted";
        ASSERT_FALSE(frames.empty());
        if (d.frames) {
            EXPECT_EQ(frames.size(), d.frames);
        }
        for (const FramePtr& f : frames) {
            ASSERT_TRUE(f && f->hasPixels());
            EXPECT_GE(f->get_X_size(), 1);
            EXPECT_LE(f->get_X_size(), 256);
            EXPECT_GE(f->get_Y_size(), 1);
            EXPECT_LE(f->get_Y_size(), 256);
        }
    } catch (const QuilletError& e) {
        EXPECT_GT(std::string(e.what()).size(), 5u);
        EXPECT_EQ(d.frames, 0u) << "refused: " << e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << e.what();
    }
}

std::vector<std::uint32_t> greys(int n) {
    std::vector<std::uint32_t> t;
    for (int i = 0; i < n; ++i)
        t.push_back(static_cast<std::uint32_t>(i * 255 / std::max(1, n - 1)) * 0x010101u);
    return t;
}

BmpRecipe indexedRecipe(int bits, int width, int height) {
    BmpRecipe s;
    s.bits = bits;
    s.width = width;
    s.height = height;
    s.table = greys(1 << bits);
    for (int i = 0; i < width * height; ++i)
        s.pixels.push_back(static_cast<std::uint32_t>(i * 5) % (1u << bits));
    return s;
}

Bytes bmp8() {
    return makeBmp(indexedRecipe(8, 7, 5));
}

Bytes rle8(const Bytes& stream) {
    BmpRecipe s = indexedRecipe(8, 6, 4);
    s.compression = 1;
    s.rawData = stream;
    return makeBmp(s);
}

Bytes gif(int width = 9, int height = 6, bool interlace = false) {
    GifRecipe s;
    s.screenWidth = width;
    s.screenHeight = height;
    s.globalTable = greys(16);
    GifImage image;
    image.width = width;
    image.height = height;
    image.interlace = interlace;
    for (int i = 0; i < width * height; ++i)
        image.indices.push_back(static_cast<std::uint8_t>(i % 16));
    s.images = {image};
    return makeGif(s);
}

Bytes jpeg() {
    QImage image(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            image.setPixel(x, y, qRgb(x * 10, y * 15, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return Bytes(bytes.begin(), bytes.end());
}

Bytes patched(Bytes data, std::size_t at, std::uint32_t value, int bytes) {
    patchLe(data, at, value, bytes);
    return data;
}

std::size_t findMarker(const Bytes& jpegData, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < jpegData.size(); ++i)
        if (jpegData[i] == 0xFF && jpegData[i + 1] == marker)
            return i;
    return std::string::npos;
}

Bytes patchedBigEndian16(Bytes data, std::size_t at, std::uint16_t value) {
    data.at(at) = static_cast<std::uint8_t>(value >> 8);
    data.at(at + 1) = static_cast<std::uint8_t>(value);
    return data;
}

PngRecipe pngRecipe(int type, int depth, bool interlace, int width = 11, int height = 7) {
    PngRecipe r;
    r.colourType = type;
    r.bitDepth = depth;
    r.interlace = interlace;
    r.width = width;
    r.height = height;
    const std::uint32_t levels = type == PNG_COLOR_TYPE_PALETTE || type == PNG_COLOR_TYPE_GRAY
                                     ? 1u << std::min(depth, 8)
                                     : 0xFFFFFFFFu;
    for (int i = 0; i < width * height; ++i)
        r.pixels.push_back(static_cast<std::uint32_t>(i * 0x01020305u) % levels);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        r.table = greys(1 << depth);
        r.tableAlpha = {0, 255, 100};
    }
    return r;
}

// A PNG as its chunks, to damage one and write the rest with good checksums.
struct PngChunk {
    std::string type;
    Bytes data;
};

std::vector<PngChunk> pngChunks(const Bytes& png) {
    std::vector<PngChunk> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                                   std::size_t{png[at + 2]} << 8 | png[at + 3];
        chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                          Bytes(png.begin() + at + 8, png.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return chunks;
}

Bytes pngFromChunks(const std::vector<PngChunk>& chunks) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto be32 = [&](std::uint32_t v) {
        for (int shift : {24, 16, 8, 0})
            out.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    for (const PngChunk& c : chunks) {
        be32(static_cast<std::uint32_t>(c.data.size()));
        const std::size_t start = out.size();
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.data.begin(), c.data.end());
        be32(static_cast<std::uint32_t>(
            crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
    }
    return out;
}

Bytes gifAnimation() {
    GifRecipe s;
    s.screenWidth = 8;
    s.screenHeight = 6;
    s.background = 1;
    s.globalTable = greys(8);
    for (int i = 0; i < 4; ++i) {
        GifImage image;
        image.left = i;
        image.top = i % 2;
        image.width = 5;
        image.height = 4;
        image.disposal = i;
        image.transparent = i % 2 ? 3 : -1;
        for (int p = 0; p < 20; ++p)
            image.indices.push_back(static_cast<std::uint8_t>((p + i) % 8));
        s.images.push_back(image);
    }
    return makeGif(s);
}

struct Base {
    std::string name;
    Bytes data;
    Expect truncated; // what a cut anywhere inside the file must give
};

std::vector<Base> basePictures() {
    std::vector<Base> bases;
    for (int bits : {1, 4, 8})
        bases.push_back({std::to_string(bits) + "-bit BMP", makeBmp(indexedRecipe(bits, 7, 5)),
                         Expect::Refused});
    BmpRecipe os2 = indexedRecipe(8, 5, 3);
    os2.headerSize = 12;
    bases.push_back({"OS/2 BMP", makeBmp(os2), Expect::Refused});
    BmpRecipe topDown = indexedRecipe(4, 9, 4);
    topDown.topDown = true;
    bases.push_back({"top-down BMP", makeBmp(topDown), Expect::Refused});
    for (int bits : {24, 32}) {
        BmpRecipe s;
        s.bits = bits;
        s.width = 5;
        s.height = 3;
        for (int i = 0; i < 15; ++i)
            s.pixels.push_back(static_cast<std::uint32_t>(i) * 0x0A0B0C);
        bases.push_back({std::to_string(bits) + "-bit BMP", makeBmp(s), Expect::Refused});
    }
    bases.push_back({"RLE8 BMP", rle8({3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 2, 9, 0, 2, 2, 1, 2, 5, 0, 1}),
                     Expect::Either});
    bases.push_back({"GIF", gif(), Expect::Either});
    bases.push_back({"interlaced GIF", gif(11, 9, true), Expect::Either});
    bases.push_back({"JPEG", jpeg(), Expect::Either});
    // Cut after the last pixel data a PNG still gives its picture.
    bases.push_back(
        {"8-bit PNG", makePng(pngRecipe(PNG_COLOR_TYPE_PALETTE, 8, false)), Expect::Either});
    bases.push_back({"interlaced 1-bit PNG", makePng(pngRecipe(PNG_COLOR_TYPE_PALETTE, 1, true)),
                     Expect::Either});
    bases.push_back(
        {"RGBA PNG", makePng(pngRecipe(PNG_COLOR_TYPE_RGBA, 8, false)), Expect::Either});
    bases.push_back({"16-bit interlaced grey PNG",
                     makePng(pngRecipe(PNG_COLOR_TYPE_GRAY, 16, true)), Expect::Either});
    bases.push_back({"animated GIF", gifAnimation(), Expect::Either});
    return bases;
}

} // namespace

TEST(CorruptPictures, TruncatedAnywhere) {
    for (const Base& base : basePictures()) {
        SCOPED_TRACE(base.name);
        // Every cut for small files, about 300 spread evenly for larger ones.
        const std::size_t step = std::max<std::size_t>(1, base.data.size() / 300);
        for (std::size_t cut = 0; cut < base.data.size(); cut += step)
            importSafely({"cut at " + std::to_string(cut),
                          Bytes(base.data.begin(), base.data.begin() + cut),
                          cut < 2 ? Expect::Refused : base.truncated});
        importSafely({"whole", base.data, Expect::Either});
    }
}

TEST(CorruptPictures, LyingBmpHeaders) {
    const Bytes b = bmp8();
    const std::vector<Damaged> cases = {
        {"width 0", patched(b, 18, 0, 4), Expect::Refused},
        {"width -5", patched(b, 18, static_cast<std::uint32_t>(-5), 4), Expect::Refused},
        {"width 16385", patched(b, 18, 16385, 4), Expect::Refused},
        {"width 2^31-1", patched(b, 18, 0x7FFFFFFF, 4), Expect::Refused},
        {"width -2^31", patched(b, 18, 0x80000000, 4), Expect::Refused},
        {"height 0", patched(b, 22, 0, 4), Expect::Refused},
        {"height -2^31", patched(b, 22, 0x80000000, 4), Expect::Refused},
        {"height 2^31-1", patched(b, 22, 0x7FFFFFFF, 4), Expect::Refused},
        {"16384 x 16384 without the data", patched(patched(b, 18, 16384, 4), 22, 16384, 4),
         Expect::Refused},
        {"16384 x 16385", patched(patched(b, 18, 16384, 4), 22, 16385, 4), Expect::Refused},
        {"negative height, read top-down", patched(b, 22, static_cast<std::uint32_t>(-5), 4),
         Expect::Either},
        {"0 bits", patched(b, 28, 0, 2), Expect::Refused},
        {"7 bits", patched(b, 28, 7, 2), Expect::Refused},
        {"30000 bits", patched(b, 28, 30000, 2), Expect::Refused},
        {"32 bits without the data", patched(b, 28, 32, 2), Expect::Refused},
        {"0 planes", patched(b, 26, 0, 2), Expect::Refused},
        {"compression 7", patched(b, 30, 7, 4), Expect::Refused},
        {"bit fields on 8 bits", patched(b, 30, 3, 4), Expect::Refused},
        {"RLE4 on 8 bits", patched(b, 30, 2, 4), Expect::Refused},
        {"colour count 1", patched(b, 46, 1, 4), Expect::Either},
        {"colour count 257", patched(b, 46, 257, 4), Expect::Refused},
        {"colour count 2^32-1", patched(b, 46, 0xFFFFFFFF, 4), Expect::Refused},
        {"pixel offset 0", patched(b, 10, 0, 4), Expect::Either},
        {"pixel offset 2^32-1", patched(b, 10, 0xFFFFFFFF, 4), Expect::Either},
        {"pixel offset past the end", patched(b, 10, static_cast<std::uint32_t>(b.size() + 100), 4),
         Expect::Refused},
        {"header size 0", patched(b, 14, 0, 4), Expect::Refused},
        {"header size 13", patched(b, 14, 13, 4), Expect::Refused},
        {"header size 2^32-1", patched(b, 14, 0xFFFFFFFF, 4), Expect::Refused},
        {"header size 124 in a short file", patched(b, 14, 124, 4), Expect::Either},
        {"no BM", patched(b, 0, 'X', 1), Expect::Refused},
    };
    for (const Damaged& d : cases)
        importSafely(d);
}

TEST(CorruptPictures, RunLengthCodesThatLie) {
    Bytes absoluteTooLong = {0, 255};
    absoluteTooLong.insert(absoluteTooLong.end(), 255, 9);
    const std::vector<Damaged> cases = {
        {"run past the row", rle8({200, 7, 0, 1}), Expect::Either},
        {"absolute run past the row", rle8(absoluteTooLong), Expect::Either},
        {"absolute run past the data", rle8({0, 200, 1, 2}), Expect::Either},
        {"delta past the picture", rle8({0, 2, 255, 255, 3, 4, 0, 1}), Expect::Either},
        {"end of line past the last row", rle8({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2}),
         Expect::Either},
        {"escape at the very end", rle8({3, 3, 0}), Expect::Either},
        {"no end code", rle8({2, 2, 2, 2}), Expect::Either},
    };
    for (const Damaged& d : cases)
        importSafely(d);
    const Bytes small = rle8({0, 1});
    importSafely({"16384 x 16384 from a few bytes",
                  patched(patched(small, 18, 16384, 4), 22, 16384, 4), Expect::Refused});
    const Bytes endOnly = rle8({0, 1});
    importSafely({"no stream at all", Bytes(endOnly.begin(), endOnly.end() - 2), Expect::Refused});
    BmpRecipe rle4 = indexedRecipe(4, 5, 2);
    rle4.compression = 2;
    rle4.rawData = {200, 0x12, 0, 255, 0x34, 0, 2, 200, 200, 0, 7};
    importSafely({"RLE4 runs past everything", makeBmp(rle4), Expect::Either});
}

TEST(CorruptPictures, DamagedGifs) {
    const Bytes g = gif();
    ASSERT_EQ(g[10] & 0x80, 0x80);
    const std::size_t tableBytes = 3u << ((g[10] & 7) + 1);
    Bytes noTable = g;
    noTable[10] &= 0x7F;
    noTable.erase(noTable.begin() + 13, noTable.begin() + 13 + tableBytes);
    const std::size_t image = 13 + tableBytes; // image descriptor, then LZW code size
    ASSERT_EQ(g[image], 0x2C);

    const std::vector<Damaged> cases = {
        {"no colour table", noTable, Expect::Either, 1},
        {"screen 0 x 0", patched(patched(g, 6, 0, 2), 8, 0, 2), Expect::Either},
        {"screen 65535 x 65535", patched(patched(g, 6, 0xFFFF, 2), 8, 0xFFFF, 2), Expect::Refused},
        {"screen 16384 x 16384 around a small image", patched(patched(g, 6, 16384, 2), 8, 16384, 2),
         Expect::Refused},
        {"image width 0", patched(g, image + 5, 0, 2), Expect::Refused},
        {"image 65535 x 65535", patched(patched(g, image + 5, 0xFFFF, 2), image + 7, 0xFFFF, 2),
         Expect::Refused},
        {"image at 65535, 65535", patched(patched(g, image + 1, 0xFFFF, 2), image + 3, 0xFFFF, 2),
         Expect::Either},
        {"code size 0", patched(g, image + 10, 0, 1), Expect::Either},
        {"code size 1", patched(g, image + 10, 1, 1), Expect::Either},
        {"code size 12", patched(g, image + 10, 12, 1), Expect::Either},
        {"code size 255", patched(g, image + 10, 255, 1), Expect::Either},
        {"huge first data block", patched(g, image + 11, 255, 1), Expect::Either},
        {"unknown record", patched(g, image, 0x99, 1), Expect::Either},
        {"no image at all", patched(g, image, 0x3B, 1), Expect::Refused},
        {"GIF signature only", Bytes(g.begin(), g.begin() + 6), Expect::Refused},
    };
    for (const Damaged& d : cases)
        importSafely(d);
}

TEST(CorruptPictures, DamagedPngs) {
    const Bytes base = makePng(pngRecipe(PNG_COLOR_TYPE_PALETTE, 8, false));
    const std::vector<PngChunk> good = pngChunks(base);
    ASSERT_EQ(good.front().type, "IHDR");
    const auto changed = [&](const std::function<void(std::vector<PngChunk>&)>& damage) {
        std::vector<PngChunk> chunks = good;
        damage(chunks);
        return pngFromChunks(chunks);
    };
    const auto header = [&](std::size_t at, std::vector<std::uint8_t> bytes) {
        return changed([=](std::vector<PngChunk>& c) {
            std::copy(bytes.begin(), bytes.end(), c[0].data.begin() + at);
        });
    };
    const auto chunk = [](const std::string& type) {
        return [=](const PngChunk& c) { return c.type == type; };
    };
    Bytes badCrc = base;
    badCrc[8 + 8 + 13] ^= 0xFF;
    Bytes hugeLength = base;
    hugeLength[8 + 25] = 0x80; // the chunk after IHDR
    const Bytes rgba = makePng(pngRecipe(PNG_COLOR_TYPE_RGBA, 8, false));

    const std::vector<Damaged> cases = {
        {"width 0", header(0, {0, 0, 0, 0}), Expect::Refused},
        {"height 2^31", header(4, {0x80, 0, 0, 0}), Expect::Refused},
        {"65535 x 65535", header(0, {0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF}), Expect::Refused},
        {"16384 x 16384 without the data", header(0, {0, 0, 0x40, 0, 0, 0, 0x40, 0}),
         Expect::Refused},
        {"bit depth 3", header(8, {3}), Expect::Refused},
        {"colour type 7", header(9, {7}), Expect::Refused},
        {"1-bit RGB", header(8, {1, 2}), Expect::Refused},
        {"interlace method 2", header(12, {2}), Expect::Refused},
        {"bad IHDR checksum", badCrc, Expect::Refused},
        {"chunk length 2^31", hugeLength, Expect::Refused},
        {"no PLTE", changed([&](auto& c) { std::erase_if(c, chunk("PLTE")); }), Expect::Refused},
        {"no IDAT", changed([&](auto& c) { std::erase_if(c, chunk("IDAT")); }), Expect::Refused},
        {"PLTE of 257 entries", changed([](auto& c) { c[1].data.resize(771, 7); }), Expect::Either},
        {"PLTE of 4 bytes", changed([](auto& c) { c[1].data.resize(4); }), Expect::Either},
        {"tRNS longer than the palette", changed([](auto& c) {
             for (auto& k : c)
                 if (k.type == "tRNS")
                     k.data.assign(300, 1);
         }),
         Expect::Either},
        {"tRNS on an RGBA picture",
         [&] {
             auto c = pngChunks(rgba);
             c.insert(c.begin() + 1, PngChunk{"tRNS", Bytes(6, 0)});
             return pngFromChunks(c);
         }(),
         Expect::Either},
        {"damaged pixel data", changed([](auto& c) {
             for (auto& k : c)
                 if (k.type == "IDAT")
                     for (std::size_t i = 2; i < k.data.size(); i += 3)
                         k.data[i] ^= 0x5A;
         }),
         Expect::Either},
        {"pixel data cut short", changed([](auto& c) {
             for (auto& k : c)
                 if (k.type == "IDAT")
                     k.data.resize(k.data.size() / 2);
         }),
         Expect::Refused},
        {"a 16 MiB text chunk", changed([](auto& c) {
             Bytes text = {'k', 0, 0, 0};
             Bytes huge(1 << 24, 'a');
             uLongf size = compressBound(static_cast<uLong>(huge.size()));
             Bytes packed(size);
             compress(packed.data(), &size, huge.data(), static_cast<uLong>(huge.size()));
             text.insert(text.end(), packed.begin(), packed.begin() + static_cast<long>(size));
             c.insert(c.begin() + 1, PngChunk{"zTXt", text});
         }),
         Expect::Either},
        {"signature only", Bytes(base.begin(), base.begin() + 8), Expect::Refused},
    };
    for (const Damaged& d : cases)
        importSafely(d);
}

TEST(CorruptPictures, DamagedAnimatedGifs) {
    const Bytes g = gifAnimation();
    std::vector<std::size_t> controls; // the packed byte of each graphics control block
    for (std::size_t i = 0; i + 3 < g.size(); ++i)
        if (g[i] == 0x21 && g[i + 1] == 0xF9 && g[i + 2] == 4)
            controls.push_back(i + 3);
    ASSERT_EQ(controls.size(), 4u);
    const auto image = [&](std::size_t n) { return controls[n] + 5; }; // its descriptor
    ASSERT_EQ(g[image(1)], 0x2C);

    GifRecipe many;
    many.globalTable = greys(2);
    many.images.assign(limits::kMaxFrames + 1, GifImage{0, 0, 1, 1, false, {}, {1}});

    const std::vector<Damaged> cases = {
        {"disposal 7", patched(g, controls[1], 7 << 2, 1), Expect::Either},
        {"disposal 4 with a transparent index", patched(g, controls[2], 4 << 2 | 1, 1),
         Expect::Either},
        {"control block of 3 bytes", patched(g, controls[0] - 1, 3, 1), Expect::Either},
        {"control block of 255 bytes", patched(g, controls[0] - 1, 255, 1), Expect::Either},
        {"transparent index past the table", patched(g, controls[1] + 3, 200, 1), Expect::Either},
        {"image at 65535, 65535",
         patched(patched(g, image(2) + 1, 0xFFFF, 2), image(2) + 3, 0xFFFF, 2), Expect::Either},
        {"image larger than the canvas",
         patched(patched(g, image(1) + 5, 300, 2), image(1) + 7, 300, 2), Expect::Either},
        {"image of 65535 x 65535",
         patched(patched(g, image(3) + 5, 0xFFFF, 2), image(3) + 7, 0xFFFF, 2), Expect::Refused},
        {"cut inside the third image",
         Bytes(g.begin(), g.begin() + static_cast<long>(image(2)) + 14), Expect::Either, 2},
        {"no record after the second image", patched(g, controls[2] - 3, 0x99, 1), Expect::Either,
         2},
        {"no trailer after the last image", Bytes(g.begin(), g.end() - 1), Expect::Either, 4},
        {"more images than a document has frames", makeGif(many), Expect::Refused},
    };
    for (const Damaged& d : cases)
        importSafely(d);
}

TEST(CorruptPictures, DamagedJpegs) {
    const Bytes j = jpeg();
    const std::size_t sof = findMarker(j, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    Bytes junkHeader(j.begin(), j.begin() + 2);
    const Bytes junk = {0xFF, 0xE1, 0x00, 0x40, 'j', 'u', 'n', 'k'};
    junkHeader.insert(junkHeader.end(), junk.begin(), junk.end());
    junkHeader.insert(junkHeader.end(), j.begin() + 2, j.end());
    Bytes garbageAfterSoi = {0xFF, 0xD8, 0xFF, 0x00, 0x13, 0x37, 0xFF, 0xFF, 0x00};
    garbageAfterSoi.insert(garbageAfterSoi.end(), j.begin() + 2, j.end());

    const std::vector<Damaged> cases = {
        {"no end marker", Bytes(j.begin(), j.end() - 2), Expect::Either},
        {"half the scan", Bytes(j.begin(), j.begin() + (j.size() + sof) / 2), Expect::Either},
        {"segment length past the end", junkHeader, Expect::Either},
        {"garbage after the start marker", garbageAfterSoi, Expect::Either},
        {"height 0", patchedBigEndian16(j, sof + 5, 0), Expect::Refused},
        {"width 0", patchedBigEndian16(j, sof + 7, 0), Expect::Refused},
        {"65535 x 65535",
         patchedBigEndian16(patchedBigEndian16(j, sof + 5, 0xFFFF), sof + 7, 0xFFFF),
         Expect::Refused},
        {"start marker only", Bytes{0xFF, 0xD8, 0xFF}, Expect::Refused},
    };
    for (const Damaged& d : cases)
        importSafely(d);
}

TEST(CorruptPictures, RandomByteDamage) {
    std::mt19937 rng(6);
    for (const Base& base : basePictures()) {
        SCOPED_TRACE(base.name);
        for (int round = 0; round < 150; ++round) {
            Bytes data = base.data;
            const int hits = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < hits; ++i)
                data[rng() % data.size()] = static_cast<std::uint8_t>(rng());
            importSafely({"round " + std::to_string(round), data, Expect::Either});
        }
    }
}

TEST(CorruptPictures, CallersCanLowerTheLimits) {
    const Bytes b = makeBmp(indexedRecipe(8, 300, 20));
    EXPECT_EQ(imaging::LoadImageFromMemory(b, {}).size(), 2u);
    EXPECT_THROW(imaging::LoadImageFromMemory(b, withLimits(299, 1 << 20)), QuilletError);
    EXPECT_THROW(imaging::LoadImageFromMemory(b, withLimits(16384, 5999)), QuilletError);
    EXPECT_EQ(imaging::LoadImageFromMemory(b, withLimits(300, 6000)).size(), 2u);
    EXPECT_THROW(imaging::LoadImageFromMemory(gif(), withLimits(8, 1 << 20)), QuilletError);
    EXPECT_THROW(imaging::LoadImageFromMemory(jpeg(), withLimits(16384, 100)), QuilletError);
    const Bytes png = makePng(pngRecipe(PNG_COLOR_TYPE_RGB, 8, false, 40, 30));
    EXPECT_THROW(imaging::LoadImageFromMemory(png, withLimits(39, 1 << 20)), QuilletError);
    EXPECT_THROW(imaging::LoadImageFromMemory(png, withLimits(40, 1199)), QuilletError);
    // An animation's composed images count together: 4 of 8 x 6 pixels.
    EXPECT_EQ(imaging::LoadImageFromMemory(gifAnimation(), withLimits(8, 192)).size(), 4u);
    EXPECT_THROW(imaging::LoadImageFromMemory(gifAnimation(), withLimits(8, 191)), QuilletError);
}
