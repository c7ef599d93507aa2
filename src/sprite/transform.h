#pragma once

#include "NearestColour.h"
#include "Palette.h"

namespace quillet {

// Nearest-colour matching between two palettes (sum of absolute component
// differences; ties go to the lowest destination index, index 0 included).
class transform {
public:
    MapTable Map(const Palette& src, const Palette& dest) const;
};

} // namespace quillet
