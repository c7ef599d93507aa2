#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace quillet::platform {

// Pixels to add at each side of the selected frames; negative ones are taken
// away.
struct CanvasRequest {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What a request makes of the frames, as the dialog shows it: the current
// frame's new size, how many frames change, and in `problem` why OK is
// refused (empty: it is not).
struct CanvasOutcome {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int frames = 0;
    QString problem;
};
using CanvasOutcomeOf = std::function<CanvasOutcome(const CanvasRequest&)>;

// How much canvas to add or take away, asked while the outcome of the numbers
// typed is shown. Nothing when the user cancels.
class CanvasQuestion {
public:
    virtual ~CanvasQuestion() = default;
    virtual std::optional<CanvasRequest> ask(const QString& title,
                                             const CanvasOutcomeOf& outcome) = 0;
};

} // namespace quillet::platform
