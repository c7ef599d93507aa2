#include "sprite/Progress.h"

#include "sprite/Error.h"

#include <gtest/gtest.h>
#include <type_traits>

namespace quillet {
namespace {

// Handlers that show a failure's message catch QuilletError; a cancel must slip past them.
static_assert(!std::is_base_of_v<QuilletError, WorkCancelled>);

TEST(WorkProgress, OnlyAFalseAnswerStopsTheWork) {
    EXPECT_NO_THROW(reportProgress({}, 5, 10));
    std::int64_t stopAt = 3;
    const WorkProgress progress = [&](std::int64_t done, std::int64_t total) {
        EXPECT_LE(done, total);
        return done < stopAt;
    };
    EXPECT_NO_THROW(reportProgress(progress, 2, 10));
    EXPECT_THROW(reportProgress(progress, 3, 10), WorkCancelled);
}

} // namespace
} // namespace quillet
