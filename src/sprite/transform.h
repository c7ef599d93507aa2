#pragma once

#include "NearestColour.h"
#include "Palette.h"

namespace quillet {

// Nearest-colour matching between two palettes (sum of absolute component
// differences; ties go to the lowest destination index, index 0 included).
// Entries of `excluded` are never chosen, not even for their own colour; one
// entry at least must be left.
class transform {
public:
    MapTable Map(const Palette& src, const Palette& dest, const IndexSet& excluded = {}) const;
};

} // namespace quillet
