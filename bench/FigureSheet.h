#pragma once

#include "imaging/PictureImport.h"

#include <random>

namespace quillet::bench {

// A 4096 x 4096 sheet of 64 x 64 cells, each a figure on a transparent
// border, every eighth cell empty: what the sheet dialog lays its grid on at
// every number typed.
inline imaging::IndexedPicture figureSheet() {
    constexpr int kSheet = 4096, kCell = 64;
    imaging::IndexedPicture sheet;
    sheet.width = sheet.height = kSheet;
    sheet.pixels.assign(std::size_t{kSheet} * kSheet, 0);
    std::mt19937 rng(4096);
    for (int cell = 0; cell < (kSheet / kCell) * (kSheet / kCell); ++cell) {
        if (cell % 8 == 7)
            continue;
        const int left = (cell % (kSheet / kCell)) * kCell, top = (cell / (kSheet / kCell)) * kCell;
        const int inset = 4 + static_cast<int>(rng() % 12);
        for (int y = top + inset; y < top + kCell - inset; ++y)
            for (int x = left + inset + 2; x < left + kCell - inset - 2; ++x)
                sheet.pixels[std::size_t(y) * kSheet + x] =
                    static_cast<std::uint8_t>(1 + rng() % 255);
    }
    return sheet;
}

} // namespace quillet::bench
