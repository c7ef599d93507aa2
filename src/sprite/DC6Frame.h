#pragma once

#include "Bytes.h"
#include "Palette.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quillet {

// One frame of a sprite: palette indices (row 0 = bottom row, element
// y * width + x), its size, its offsets and two palettes. Frames are shared
// by reference; readers of pixels and palettes receive copies.
//
// The pixel matrix itself is never changed once made: a new matrix replaces
// it. Copies of a frame share it, so a copy costs the palettes and a pointer,
// and a copy taken on one thread may be read on another while the original
// goes on being edited.
class DC6Frame {
public:
    DC6Frame() = default;

    Bytes getPixelData(std::int16_t palTransform) const;
    Palette getOrigPalette() const { return m_origPalette; }
    Palette getNewPalette() const { return m_newPalette; }
    void setPixelData(const Bytes& Pixels, std::int16_t Xsize, std::int16_t Ysize);
    // The same, taking the bytes over instead of copying them.
    void setPixelData(Bytes&& Pixels, std::int16_t Xsize, std::int16_t Ysize);
    void setDC6Data(ByteView block);
    void seOriginalPalette(const Palette& pal) { m_origPalette = pal; }
    void setNewPalette(const Palette& pal) { m_newPalette = pal; }
    // Entries of the new palette that re-indexing never chooses (the user's
    // protected ones); with none, every entry may be chosen.
    void setProtectedEntries(const IndexSet& entries) { m_protected = entries; }
    const IndexSet& protectedEntries() const { return m_protected; }
    Bytes getFrameData(std::int16_t palTransform) const;
    Bytes getFrameHeader(std::int32_t fileOffset, std::int16_t palTransform) const;
    void set_X_offset(std::int32_t offset) { m_xOffset = offset; }
    void set_Y_offset(std::int32_t offset) { m_yOffset = offset; }
    std::int32_t get_X_offset() const { return m_xOffset; }
    std::int32_t get_Y_offset() const { return m_yOffset; }
    std::int32_t get_X_size() const { return m_width; }
    std::int32_t get_Y_size() const { return m_height; }

    bool hasPixels() const { return m_pixels != nullptr; }
    // The matrix without a copy (empty before there is one); stays valid as
    // long as this frame or a copy of it keeps the matrix.
    ByteView pixels() const { return m_pixels ? ByteView(*m_pixels) : ByteView(); }
    // Names the pixel matrix: a new number whenever pixels are set, kept by
    // copies, so frames with equal numbers hold equal pixels. What is drawn of
    // a frame can be cached under it.
    std::uint64_t pixelsId() const { return m_pixelsId; }
    // The matrix itself, shared: an undo step keeps the one it replaced
    // without copying it.
    std::shared_ptr<const Bytes> sharedPixels() const { return m_pixels; }
    // Another matrix of this frame's size; unlike setPixelData, the offsets
    // and palettes stay. Throws QuilletError when the size does not fit.
    void replacePixels(std::shared_ptr<const Bytes> pixels);
    // The same with a matrix of another size (a canvas change); the size is
    // checked against the frame limits first.
    void replacePixels(std::shared_ptr<const Bytes> pixels, std::int32_t width,
                       std::int32_t height);

    // Where each stored index goes when read out with this flag: the
    // identity when the pixels are taken as they stand.
    MapTable mappingTable(std::int16_t palTransform) const;

    // Appends the coded pixel stream to `out` and returns its length; lets the
    // file writer code each frame once, straight into the file body.
    std::size_t appendFrameData(Bytes& out, std::int16_t palTransform) const;

    // The 32-byte frame header for a stream of `streamLength` bytes placed at `fileOffset`.
    Bytes makeFrameHeader(std::int32_t fileOffset, std::size_t streamLength) const;

private:
    // Whether read-outs with this flag re-index the pixels at all.
    bool mapsPixels(std::int16_t palTransform) const;
    void requireMatrix(const char* operation) const;
    void takeMatrix(std::shared_ptr<const Bytes> pixels, std::int16_t Xsize, std::int16_t Ysize);
    static std::uint64_t nextPixelsId();

    std::shared_ptr<const Bytes> m_pixels;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::int32_t m_xOffset = 0;
    std::int32_t m_yOffset = 0;
    Palette m_origPalette{};
    Palette m_newPalette{};
    IndexSet m_protected;
    std::uint64_t m_pixelsId = 0;
};

using FramePtr = std::shared_ptr<DC6Frame>;
// Frame lists are 0-based in code; frame numbers shown to users start at 1.
using FrameList = std::vector<FramePtr>;

// 4-byte little-endian signed 32-bit integers, the only integer form in a DC6 file.
std::int32_t strToLong(ByteView s);
// The 2-byte little-endian unsigned form other little-endian files use beside it.
std::uint16_t strToShort(ByteView s);
Bytes longToStr(std::int32_t v);
void appendLong(Bytes& out, std::int32_t v);

// width * height of a frame of that size; throws QuilletError naming the size
// when either side is below 1 or the frame exceeds limits::kMaxFramePixels.
std::int64_t checkedFramePixels(std::int64_t width, std::int64_t height);

} // namespace quillet
