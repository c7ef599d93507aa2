#include "OpaqueBox.h"

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

// The first of `n` bytes that is not 0, or `n`; mostly transparent rows are
// read eight bytes at a time.
int firstNonZero(const std::uint8_t* line, int n) {
    int x = 0;
    for (std::uint64_t word = 0; x + 8 <= n; x += 8) {
        std::memcpy(&word, line + x, sizeof word);
        if (word != 0)
            break;
    }
    while (x < n && line[x] == 0)
        ++x;
    return x;
}

} // namespace

PixelBox opaqueBox(const std::uint8_t* first, std::ptrdiff_t stride, int width, int height) {
    int x0 = width, x1 = 0, y0 = -1, y1 = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = first + y * stride;
        const int start = firstNonZero(line, width);
        if (start == width)
            continue;
        int end = width;
        while (line[end - 1] == 0)
            --end;
        x0 = std::min(x0, start);
        x1 = std::max(x1, end);
        if (y0 < 0)
            y0 = y;
        y1 = y + 1;
    }
    return y0 < 0 ? PixelBox{} : PixelBox{x0, y0, x1 - x0, y1 - y0};
}

} // namespace quillet
