#pragma once

#include "sprite/Error.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <type_traits>

namespace quillet {

// Long work (reading a large file, writing many pictures) reports how far it
// has come: `done` of `total` units, frames or bytes as the work sees fit.
// Returning false asks the work to stop; it then throws WorkCancelled.
using WorkProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Not a QuilletError on purpose: a cancel is the user's own choice, never a
// failure to report, and the layers that add context to a QuilletError on its
// way up must let it pass unchanged. A std::exception still, so that nothing
// unwinds out of the event loop; handlers that catch std::exception to show a
// message catch WorkCancelled first.
class WorkCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};
static_assert(!std::is_base_of_v<QuilletError, WorkCancelled>);

// The one call long work makes between steps. An empty callback never stops
// the work, so callers without a progress display pass nothing.
inline void reportProgress(const WorkProgress& progress, std::int64_t done, std::int64_t total) {
    if (progress && !progress(done, total))
        throw WorkCancelled();
}

} // namespace quillet
