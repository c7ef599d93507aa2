#include "ViewOptions.h"

#include <QSettings>
#include <algorithm>
#include <array>

namespace quillet::imaging {

namespace {

constexpr std::array<int, 8> kZoomLadder = {1, 2, 3, 4, 6, 8, 12, 16};

int readInt(const QSettings& settings, const QString& key, int fallback, int low, int high) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok ? std::clamp(value, low, high) : fallback;
}

bool readBool(const QSettings& settings, const QString& key, bool fallback) {
    const QVariant value = settings.value(key);
    return value.isValid() ? value.toBool() : fallback;
}

} // namespace

ViewOptions loadViewOptions(const QSettings& settings) {
    const ViewOptions defaults;
    ViewOptions options;
    options.zoom =
        readInt(settings, QStringLiteral("view/zoom"), defaults.zoom, kMinZoom, kMaxZoom);
    options.alignByOffsets =
        readBool(settings, QStringLiteral("view/alignByOffsets"), defaults.alignByOffsets);
    options.onionPrevious =
        readBool(settings, QStringLiteral("view/onionPrevious"), defaults.onionPrevious);
    options.onionNext = readBool(settings, QStringLiteral("view/onionNext"), defaults.onionNext);
    options.transparentBackground = readBool(settings, QStringLiteral("view/transparentBackground"),
                                             defaults.transparentBackground);
    options.framesPerSecond =
        readInt(settings, QStringLiteral("view/framesPerSecond"), defaults.framesPerSecond,
                kMinFramesPerSecond, kMaxFramesPerSecond);
    return options;
}

void saveViewOptions(QSettings& settings, const ViewOptions& options) {
    settings.setValue(QStringLiteral("view/zoom"), std::clamp(options.zoom, kMinZoom, kMaxZoom));
    settings.setValue(QStringLiteral("view/alignByOffsets"), options.alignByOffsets);
    settings.setValue(QStringLiteral("view/onionPrevious"), options.onionPrevious);
    settings.setValue(QStringLiteral("view/onionNext"), options.onionNext);
    settings.setValue(QStringLiteral("view/transparentBackground"), options.transparentBackground);
    settings.setValue(
        QStringLiteral("view/framesPerSecond"),
        std::clamp(options.framesPerSecond, kMinFramesPerSecond, kMaxFramesPerSecond));
}

int zoomedIn(int zoom) {
    const auto next = std::upper_bound(kZoomLadder.begin(), kZoomLadder.end(), zoom);
    return next == kZoomLadder.end() ? kMaxZoom : *next;
}

int zoomedOut(int zoom) {
    const auto next = std::lower_bound(kZoomLadder.begin(), kZoomLadder.end(), zoom);
    return next == kZoomLadder.begin() ? kMinZoom : *(next - 1);
}

} // namespace quillet::imaging
