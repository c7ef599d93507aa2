#pragma once

#include "sprite/DC6Frame.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>
#include <string_view>

namespace quillet::testing {

// "03 05 80" -> {0x03, 0x05, 0x80}
inline Bytes hex(std::string_view text) {
    Bytes out;
    std::istringstream in{std::string(text)};
    unsigned value = 0;
    while (in >> std::hex >> value)
        out.push_back(static_cast<std::uint8_t>(value));
    return out;
}

inline Bytes repeat(std::size_t count, std::uint8_t value) {
    return Bytes(count, value);
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline FramePtr makeFrame(int width, int height, const Bytes& pixels, int x = 0, int y = 0) {
    auto frame = std::make_shared<DC6Frame>();
    frame->setPixelData(pixels, static_cast<std::int16_t>(width),
                        static_cast<std::int16_t>(height));
    frame->set_X_offset(x);
    frame->set_Y_offset(y);
    return frame;
}

// A frame block as the file writer lays it out.
inline Bytes blockOf(const DC6Frame& frame, std::int16_t palTransform = 0) {
    return frame.getFrameHeader(0, palTransform) + frame.getFrameData(palTransform) +
           hex("EE EE EE");
}

// The plain definition of the nearest colour to 0xXXRRGGBB: the least sum of
// component differences over the entries not `excluded`, the lowest index
// among equals.
inline std::uint8_t plainNearest(const Palette& pal, std::uint32_t colour,
                                 const IndexSet& excluded = {}) {
    int best = 1000, bestIndex = 0;
    for (int j = 0; j < 256; ++j) {
        if (excluded[static_cast<std::size_t>(j)])
            continue;
        const int d = std::abs(pal[3 * j] - int(colour >> 16 & 255)) +
                      std::abs(pal[3 * j + 1] - int(colour >> 8 & 255)) +
                      std::abs(pal[3 * j + 2] - int(colour & 255));
        if (d < best) {
            best = d;
            bestIndex = j;
        }
    }
    return static_cast<std::uint8_t>(bestIndex);
}

// 256 different colours.
inline Palette distinctPalette() {
    Palette p{};
    for (int i = 0; i < 256; ++i) {
        p[3 * i] = static_cast<std::uint8_t>(i);
        p[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
        p[3 * i + 2] = static_cast<std::uint8_t>(i / 2);
    }
    return p;
}

// 256 distinct colours; `shift` moves green so two such palettes differ everywhere.
inline Palette rampPalette(int shift = 0) {
    Palette p{};
    for (int i = 0; i < 256; ++i) {
        p[3 * i] = static_cast<std::uint8_t>(i);
        p[3 * i + 1] = static_cast<std::uint8_t>((i + shift) % 256);
        p[3 * i + 2] = static_cast<std::uint8_t>(255 - i);
    }
    return p;
}

inline void setColour(Palette& p, int index, int r, int g, int b) {
    p[3 * index] = static_cast<std::uint8_t>(r);
    p[3 * index + 1] = static_cast<std::uint8_t>(g);
    p[3 * index + 2] = static_cast<std::uint8_t>(b);
}

// Size, offsets and pixels; palettes are not part of a DC6 file.
inline void expectSameFrames(const FrameList& actual, const FrameList& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        EXPECT_EQ(actual[i]->get_X_size(), expected[i]->get_X_size());
        EXPECT_EQ(actual[i]->get_Y_size(), expected[i]->get_Y_size());
        EXPECT_EQ(actual[i]->get_X_offset(), expected[i]->get_X_offset());
        EXPECT_EQ(actual[i]->get_Y_offset(), expected[i]->get_Y_offset());
        EXPECT_EQ(actual[i]->getPixelData(0), expected[i]->getPixelData(0));
    }
}

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("quillet-sprite-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }
    std::size_t entryCount() const {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_path))
            ++count;
        return count;
    }

private:
    std::filesystem::path m_path;
};

} // namespace quillet::testing
