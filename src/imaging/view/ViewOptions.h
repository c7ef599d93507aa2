#pragma once

#include <cstdint>
#include <optional>

class QSettings;

namespace quillet::imaging {

inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 16;
inline constexpr int kMinFramesPerSecond = 1;
inline constexpr int kMaxFramesPerSecond = 60;

// How the preview shows frames, remembered between runs but for the
// highlighted index, which is a look for the moment. The palette-transform
// flag is not among them: it belongs to the document's settings of this run.
struct ViewOptions {
    int zoom = 1; // kMinZoom..kMaxZoom
    bool alignByOffsets = false;
    bool onionPrevious = false;
    bool onionNext = false;
    bool transparentBackground = false;
    int framesPerSecond = 25; // kMinFramesPerSecond..kMaxFramesPerSecond
    // The current frame's pixels of this index keep their colour, all else is dimmed.
    std::optional<std::uint8_t> highlightIndex = std::nullopt;

    bool operator==(const ViewOptions&) const = default;
};

// Keys under "view/"; missing or unreadable values take the defaults and
// numbers out of range are brought into range.
ViewOptions loadViewOptions(const QSettings& settings);
void saveViewOptions(QSettings& settings, const ViewOptions& options);

// The next factor of the zoom ladder 1, 2, 3, 4, 6, 8, 12, 16 in each
// direction; the ends stay where they are.
int zoomedIn(int zoom);
int zoomedOut(int zoom);

} // namespace quillet::imaging
