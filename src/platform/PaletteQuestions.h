#pragma once

#include <QList>
#include <QRgb>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace quillet::platform {

// Remap Colours: the source entries `from` .. `fromLast` onto the destination
// `to` .. `toLast`, each 0 to 255 and in the order written; `reverse` lays
// the source onto the destination backwards.
struct RemapRequest {
    int from = 1;
    int fromLast = 1;
    int to = 1;
    int toLast = 1;
    bool reverse = false;
};
// Told every request the dialog shows while it is open, and nothing once it
// closes, so the picture can show each one and then the document again.
using RemapPreview = std::function<void(const std::optional<RemapRequest>&)>;

// Handed plain data (the palette's 256 colours), so the dialog that draws
// the ranges can live above this layer.
class RemapQuestion {
public:
    virtual ~RemapQuestion() = default;
    // Nothing when the user cancels.
    virtual std::optional<RemapRequest> ask(const QString& title, const QList<QRgb>& colours,
                                            const RemapRequest& start,
                                            const RemapPreview& preview) = 0;
};

// For each palette index, its pixels and the frames using it.
struct IndexCounts {
    std::array<std::uint64_t, 256> pixels{};
    std::array<std::uint32_t, 256> frames{};
};

// View > Palette Usage...: every index with its colour and counts, for the
// whole document or the selected frames (`selected` of them), as the user
// chooses; `count` counts either, and `selectUsers` selects the frames of
// that choice that use an index.
class UsageQuestion {
public:
    virtual ~UsageQuestion() = default;
    virtual void show(const QString& title, const QList<QRgb>& colours, int selected,
                      const std::function<IndexCounts(bool selectedOnly)>& count,
                      const std::function<void(int index, bool selectedOnly)>& selectUsers) = 0;
};

} // namespace quillet::platform
