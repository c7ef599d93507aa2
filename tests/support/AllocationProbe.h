#pragma once

#include <cstddef>

namespace quillet::testing {

// Counts the bytes requested through operator new while it lives, so a test
// can show that hostile input is refused before anything large is allocated.
class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    std::size_t requested() const;
};

} // namespace quillet::testing
