#include "Commands.h"
#include "palette/PaletteFile.h"
#include "paths/NativePath.h"
#include "sprite/IndexUsage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <cstdio>

namespace quillet::cli {

namespace {

// Where each index is used, as Save writes the frames: opened frames are
// written as stored, so their colours are the document palette's.
int printUsage(const Options& o, const std::string& path, const FrameList& frames) {
    const Palette palette = documentPalette(o);
    adoptOpenedFrames(frames, palette);
    const IndexUsage usage = countIndexUsage(frames, 1);
    const auto colour = [&](std::size_t i) {
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", palette[3 * i], palette[3 * i + 1],
                      palette[3 * i + 2]);
        return std::string(text);
    };
    if (o.json) {
        QJsonArray list;
        for (std::size_t i = 0; i < 256; ++i)
            list.append(QJsonObject{{"index", static_cast<int>(i)},
                                    {"colour", QString::fromStdString(colour(i))},
                                    {"pixels", static_cast<qint64>(usage.pixels[i])},
                                    {"frames", static_cast<qint64>(usage.frames[i])},
                                    {"used", usage.pixels[i] > 0}});
        std::fputs(QJsonDocument(list).toJson(QJsonDocument::Indented).constData(), stdout);
        return kOk;
    }
    const auto used = std::count_if(usage.pixels.begin(), usage.pixels.end(),
                                    [](std::uint64_t n) { return n > 0; });
    std::printf("%s: %lld of 256 palette entries used\n", path.c_str(),
                static_cast<long long>(used));
    std::printf("%5s %7s %12s %6s\n", "index", "colour", "pixels", "frames");
    for (std::size_t i = 0; i < 256; ++i)
        std::printf("%5zu %7s %12llu %6u%s\n", i, colour(i).c_str(),
                    static_cast<unsigned long long>(usage.pixels[i]), usage.frames[i],
                    usage.pixels[i] ? "" : "  unused");
    return kOk;
}

} // namespace

// The stream lengths are the frame headers' own, so a file from elsewhere
// shows what it holds rather than what Quillet would write for it.
int info(const Options& o) {
    const std::string& path = o.positional[0];
    DC6Headers headers;
    const FrameList frames = loadSprite(path, headers);
    if (o.usage)
        return printUsage(o, path, frames);
    const int directions = headers.directions;
    const std::size_t perDirection = frames.size() / static_cast<std::size_t>(directions);
    const auto directionOf = [&](std::size_t i) { return static_cast<int>(i / perDirection + 1); };
    const auto& lengths = headers.streamLengths;
    if (o.json) {
        QJsonArray list;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const DC6Frame& f = *frames[i];
            list.append(QJsonObject{
                {"number", static_cast<int>(i + 1)},
                {"direction", directionOf(i)},
                {"width", f.get_X_size()},
                {"height", f.get_Y_size()},
                {"x_offset", f.get_X_offset()},
                {"y_offset", f.get_Y_offset()},
                {"stream_length", lengths[i] ? QJsonValue(*lengths[i]) : QJsonValue()},
            });
        }
        const auto perDirectionCount = static_cast<int>(perDirection);
        // framesPerDirection: the name scripts read before the keys were made alike.
        const QJsonObject root{{"file", pathFromNative(path)},
                               {"frames", static_cast<int>(frames.size())},
                               {"directions", directions},
                               {"frames_per_direction", perDirectionCount},
                               {"framesPerDirection", perDirectionCount},
                               {"frame_list", list}};
        std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
        return kOk;
    }
    const auto count = static_cast<long long>(frames.size());
    std::printf("%s: %lld frame%s, %d direction%s of %zu frame%s\n", path.c_str(), count,
                plural(count), directions, plural(directions), perDirection,
                plural(static_cast<long long>(perDirection)));
    std::printf("%6s %9s %6s %6s %8s %8s %8s\n", "frame", "direction", "width", "height", "x", "y",
                "stream");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const DC6Frame& f = *frames[i];
        const std::string length = lengths[i] ? std::to_string(*lengths[i]) : "-";
        std::printf("%6zu %9d %6d %6d %8d %8d %8s\n", i + 1, directionOf(i), f.get_X_size(),
                    f.get_Y_size(), f.get_X_offset(), f.get_Y_offset(), length.c_str());
    }
    return kOk;
}

} // namespace quillet::cli
