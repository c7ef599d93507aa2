// Damaged and lying pictures: each one imports to sane frames or is refused
// with QuilletError; nothing else may happen (the suite runs under ASan/UBSan/LSan).

#include "PictureMaker.h"
#include "imaging/PictureImport.h"
#include "sprite/Error.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace quillet;
using namespace quillet::testing;

namespace {

enum class Expect { Refused, Either };

struct Damaged {
    std::string name;
    Bytes data;
    Expect expect;
};

void importSafely(const Damaged& d) {
    SCOPED_TRACE(d.name);
    try {
        const FrameList frames = imaging::LoadImageFromMemory(d.data);
        EXPECT_EQ(d.expect, Expect::Either) << "accepted";
        ASSERT_FALSE(frames.empty());
        for (const FramePtr& f : frames) {
            ASSERT_TRUE(f && f->hasPixels());
            EXPECT_GE(f->get_X_size(), 1);
            EXPECT_LE(f->get_X_size(), 256);
            EXPECT_GE(f->get_Y_size(), 1);
            EXPECT_LE(f->get_Y_size(), 256);
        }
    } catch (const QuilletError& e) {
        EXPECT_GT(std::string(e.what()).size(), 5u);
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

BmpSpec indexedSpec(int bits, int width, int height) {
    BmpSpec s;
    s.bits = bits;
    s.width = width;
    s.height = height;
    s.table = greys(1 << bits);
    for (int i = 0; i < width * height; ++i)
        s.pixels.push_back(static_cast<std::uint32_t>(i * 5) % (1u << bits));
    return s;
}

Bytes bmp8() {
    return makeBmp(indexedSpec(8, 7, 5));
}

Bytes rle8(const Bytes& stream) {
    BmpSpec s = indexedSpec(8, 6, 4);
    s.compression = 1;
    s.rawData = stream;
    return makeBmp(s);
}

Bytes gif(int width = 9, int height = 6, bool interlace = false) {
    GifSpec s;
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

struct Base {
    std::string name;
    Bytes data;
    Expect truncated; // what a cut anywhere inside the file must give
};

std::vector<Base> basePictures() {
    std::vector<Base> bases;
    for (int bits : {1, 4, 8})
        bases.push_back(
            {std::to_string(bits) + "-bit BMP", makeBmp(indexedSpec(bits, 7, 5)), Expect::Refused});
    BmpSpec os2 = indexedSpec(8, 5, 3);
    os2.headerSize = 12;
    bases.push_back({"OS/2 BMP", makeBmp(os2), Expect::Refused});
    BmpSpec topDown = indexedSpec(4, 9, 4);
    topDown.topDown = true;
    bases.push_back({"top-down BMP", makeBmp(topDown), Expect::Refused});
    for (int bits : {24, 32}) {
        BmpSpec s;
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
    BmpSpec rle4 = indexedSpec(4, 5, 2);
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
        {"no colour table", noTable, Expect::Refused},
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
    const Bytes b = makeBmp(indexedSpec(8, 300, 20));
    EXPECT_EQ(imaging::LoadImageFromMemory(b).size(), 2u);
    EXPECT_THROW(imaging::LoadImageFromMemory(b, {299, 1 << 20}), QuilletError);
    EXPECT_THROW(imaging::LoadImageFromMemory(b, {16384, 5999}), QuilletError);
    EXPECT_EQ(imaging::LoadImageFromMemory(b, {300, 6000}).size(), 2u);
    EXPECT_THROW(imaging::LoadImageFromMemory(gif(), {8, 1 << 20}), QuilletError);
    EXPECT_THROW(imaging::LoadImageFromMemory(jpeg(), {16384, 100}), QuilletError);
}
