#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> armed{false};
std::atomic<std::size_t> requestedBytes{0};

} // namespace

namespace quillet::testing {

AllocationProbe::AllocationProbe() {
    requestedBytes = 0;
    armed = true;
}

AllocationProbe::~AllocationProbe() {
    armed = false;
}

std::size_t AllocationProbe::requested() const {
    return requestedBytes;
}

} // namespace quillet::testing

void* operator new(std::size_t size) {
    if (armed)
        requestedBytes += size;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
