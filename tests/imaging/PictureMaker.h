#pragma once

// Pictures built byte by byte (BMP) or with giflib's and libpng's encoders
// (GIF, PNG), so the importer is tested on exactly the files we describe.

#include "sprite/Bytes.h"
#include "sprite/Palette.h"

#include <cstdint>
#include <gif_lib.h>
#include <optional>
#include <png.h>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillet::testing {

// Colours are 0xRRGGBB.
struct BmpRecipe {
    int width = 1;
    int height = 1;
    int bits = 8;
    bool topDown = false;
    int headerSize = 40; // 12 is the old OS/2 header
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> table;
    std::optional<std::uint32_t> colourCount; // header field; table.size() when unset
    std::vector<std::uint32_t> pixels;        // top row first: indices, or colours above 8 bits
    bool alphaMask = false; // 32 bits: a version 4 header whose masks hold alpha (0xAARRGGBB)
    Bytes rawData;          // used instead of `pixels` when set (RLE)
};

inline void putLe(Bytes& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void patchLe(Bytes& out, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

inline Bytes packBmpRows(const BmpRecipe& s) {
    const std::size_t stride = (static_cast<std::size_t>(s.width) * s.bits + 31) / 32 * 4;
    Bytes data;
    for (int r = 0; r < s.height; ++r) {
        const int y = s.topDown ? r : s.height - 1 - r;
        Bytes row(stride, 0);
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t v = s.pixels.at(static_cast<std::size_t>(y) * s.width + x);
            switch (s.bits) {
            case 1:
                row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(v);
                break;
            case 24:
            case 32:
                for (int c = 0; c < s.bits / 8; ++c)
                    row[x * (s.bits / 8) + c] = static_cast<std::uint8_t>(v >> (8 * c));
                break;
            default:
                throw std::logic_error("bit count not supported by the test maker");
            }
        }
        data.insert(data.end(), row.begin(), row.end());
    }
    return data;
}

inline Bytes makeBmp(BmpRecipe s) {
    if (s.alphaMask) {
        s.headerSize = 108;
        s.compression = 3;
    }
    const Bytes data = s.rawData.empty() ? packBmpRows(s) : s.rawData;
    const int entryBytes = s.headerSize == 12 ? 3 : 4;
    const std::uint32_t offBits =
        14 + s.headerSize + static_cast<std::uint32_t>(s.table.size()) * entryBytes;
    Bytes out{'B', 'M'};
    putLe(out, offBits + static_cast<std::uint32_t>(data.size()), 4);
    putLe(out, 0, 4);
    putLe(out, offBits, 4);
    putLe(out, s.headerSize, 4);
    if (s.headerSize == 12) {
        putLe(out, s.width, 2);
        putLe(out, s.topDown ? -s.height : s.height, 2);
        putLe(out, 1, 2);
        putLe(out, s.bits, 2);
    } else {
        putLe(out, s.width, 4);
        putLe(out, s.topDown ? -s.height : s.height, 4);
        putLe(out, 1, 2);
        putLe(out, s.bits, 2);
        putLe(out, s.compression, 4);
        putLe(out, static_cast<std::uint32_t>(data.size()), 4);
        putLe(out, 2835, 4);
        putLe(out, 2835, 4);
        putLe(out, s.colourCount.value_or(static_cast<std::uint32_t>(s.table.size())), 4);
        putLe(out, 0, 4);
        if (s.alphaMask)
            for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
                putLe(out, mask, 4);
        out.resize(14 + s.headerSize, 0);
    }
    for (std::uint32_t c : s.table) {
        putLe(out, c & 0xFFFFFF, 3);
        if (entryBytes == 4)
            out.push_back(0);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

struct GifImage {
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
    bool interlace = false;
    std::vector<std::uint32_t> localTable; // empty: the global table applies
    std::vector<std::uint8_t> indices;     // top row first
    int disposal = -1;    // with `transparent`, a graphics control block when either is set
    int transparent = -1; // the transparent index
};

struct GifRecipe {
    int screenWidth = 1;
    int screenHeight = 1;
    int background = 0;
    std::vector<std::uint32_t> globalTable; // sizes must be powers of two, 2 to 256
    std::vector<GifImage> images;
};

inline ColorMapObject* makeGifMap(const std::vector<std::uint32_t>& table) {
    if (table.empty())
        return nullptr;
    std::vector<GifColorType> colours;
    for (std::uint32_t c : table)
        colours.push_back(GifColorType{static_cast<GifByteType>(c >> 16),
                                       static_cast<GifByteType>(c >> 8),
                                       static_cast<GifByteType>(c)});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    if (!map)
        throw std::logic_error("GIF colour tables need a power-of-two size");
    return map;
}

inline int appendGifBytes(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

inline Bytes makeGif(const GifRecipe& s) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
    if (!gif)
        throw std::runtime_error("EGifOpen failed");
    const auto check = [&](int rc) {
        if (rc == GIF_ERROR) {
            EGifCloseFile(gif, nullptr);
            throw std::runtime_error("giflib encoder failed");
        }
    };
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = makeGifMap(s.globalTable);
    const int rc = EGifPutScreenDesc(gif, s.screenWidth, s.screenHeight, 8, s.background, global);
    GifFreeMapObject(global);
    check(rc);
    for (const GifImage& image : s.images) {
        if (image.disposal >= 0 || image.transparent >= 0) {
            GraphicsControlBlock control{std::max(image.disposal, 0), false, 0, image.transparent};
            GifByteType block[4];
            EGifGCBToExtension(&control, block);
            check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block));
        }
        // giflib drops, without freeing, the previous image's table when
        // the next one has none.
        GifFreeMapObject(gif->Image.ColorMap);
        gif->Image.ColorMap = nullptr;
        ColorMapObject* local = makeGifMap(image.localTable);
        const int put = EGifPutImageDesc(gif, image.left, image.top, image.width, image.height,
                                         image.interlace, local);
        GifFreeMapObject(local);
        check(put);
        std::vector<int> order;
        if (image.interlace) {
            static constexpr int kStart[] = {0, 4, 2, 1};
            static constexpr int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < image.height; y += kStep[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < image.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(image.indices.begin() + y * image.width,
                                           image.indices.begin() + (y + 1) * image.width);
            check(EGifPutLine(gif, line.data(), image.width));
        }
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw std::runtime_error("EGifCloseFile failed");
    return out;
}

// Colour types and bit depths as libpng names them. Pixels, top row first:
// indices; grey in the low byte (alpha above it in the top byte); 0xAARRGGBB
// for colour (alpha used with PNG_COLOR_MASK_ALPHA). 16-bit samples repeat
// the 8-bit value in both bytes.
struct PngRecipe {
    int width = 1;
    int height = 1;
    int colourType = PNG_COLOR_TYPE_PALETTE;
    int bitDepth = 8;
    bool interlace = false;
    std::vector<std::uint32_t> table;       // PLTE
    std::vector<std::uint8_t> tableAlpha;   // tRNS of a palette picture
    std::optional<std::uint32_t> keyColour; // tRNS of a grey or colour picture
    std::vector<std::uint32_t> pixels;
};

inline void appendPngBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

inline Bytes makePng(const PngRecipe& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendPngBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> plte;
    for (std::uint32_t c : s.table)
        plte.push_back(png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                 static_cast<png_byte>(c)});
    if (!plte.empty())
        png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
    png_color_16 key{};
    if (s.keyColour) {
        key.gray = static_cast<png_uint_16>((*s.keyColour & 0xFF) * (s.bitDepth == 16 ? 257 : 1));
        key.red =
            static_cast<png_uint_16>((*s.keyColour >> 16 & 0xFF) * (s.bitDepth == 16 ? 257 : 1));
        key.green =
            static_cast<png_uint_16>((*s.keyColour >> 8 & 0xFF) * (s.bitDepth == 16 ? 257 : 1));
        key.blue = static_cast<png_uint_16>((*s.keyColour & 0xFF) * (s.bitDepth == 16 ? 257 : 1));
    }
    if (!s.tableAlpha.empty() || s.keyColour)
        png_set_tRNS(png, info, s.tableAlpha.empty() ? nullptr : s.tableAlpha.data(),
                     static_cast<int>(s.tableAlpha.size()), s.keyColour ? &key : nullptr);
    png_write_info(png, info);
    if (s.bitDepth < 8)
        png_set_packing(png);

    const bool colour =
        s.colourType & PNG_COLOR_MASK_COLOR && s.colourType != PNG_COLOR_TYPE_PALETTE;
    const bool alpha = s.colourType & PNG_COLOR_MASK_ALPHA;
    const int bytesPerSample = s.bitDepth == 16 ? 2 : 1;
    std::vector<Bytes> rows(static_cast<std::size_t>(s.height));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < s.height; ++y) {
        Bytes& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t v = s.pixels.at(static_cast<std::size_t>(y) * s.width + x);
            std::vector<std::uint8_t> samples;
            if (colour)
                samples = {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                           static_cast<std::uint8_t>(v)};
            else
                samples = {static_cast<std::uint8_t>(v)};
            if (alpha)
                samples.push_back(static_cast<std::uint8_t>(v >> 24));
            for (std::uint8_t sample : samples)
                for (int b = 0; b < bytesPerSample; ++b)
                    row.push_back(sample);
        }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

inline std::vector<std::uint32_t> distinctColours(std::size_t n, std::mt19937& rng) {
    std::set<std::uint32_t> seen;
    std::vector<std::uint32_t> out;
    while (out.size() < n) {
        const std::uint32_t c = rng() & 0xFFFFFF;
        if (seen.insert(c).second)
            out.push_back(c);
    }
    return out;
}

inline std::vector<std::uint32_t> randomValues(std::size_t n, std::uint32_t below,
                                               std::mt19937& rng) {
    std::vector<std::uint32_t> out(n);
    for (auto& v : out)
        v = rng() % below;
    return out;
}

inline Palette paletteOf(const std::vector<std::uint32_t>& table) {
    Palette pal{};
    for (std::size_t i = 0; i < table.size() && i < 256; ++i) {
        pal[3 * i] = static_cast<std::uint8_t>(table[i] >> 16);
        pal[3 * i + 1] = static_cast<std::uint8_t>(table[i] >> 8);
        pal[3 * i + 2] = static_cast<std::uint8_t>(table[i]);
    }
    return pal;
}

// Pictures written as rows of digits, top row first: "0120/3333".
inline std::vector<std::uint32_t> digits(const std::string& rows) {
    std::vector<std::uint32_t> out;
    for (char c : rows)
        if (c != '/')
            out.push_back(static_cast<std::uint32_t>(c - '0'));
    return out;
}

inline GifImage gifImage(int left, int top, const std::string& rows, int disposal = -1,
                         int transparent = -1) {
    GifImage image;
    image.left = left;
    image.top = top;
    image.width =
        static_cast<int>(rows.find('/') == std::string::npos ? rows.size() : rows.find('/'));
    const auto values = digits(rows);
    image.height = static_cast<int>(values.size()) / image.width;
    image.indices.assign(values.begin(), values.end());
    image.disposal = disposal;
    image.transparent = transparent;
    return image;
}

} // namespace quillet::testing
