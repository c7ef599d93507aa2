#include "Commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace quillet::cli {

int info(const Options& o) {
    const std::string& path = o.positional[0];
    DC6Headers headers;
    const FrameList frames = loadSprite(path, headers);
    const int directions = headers.directions;
    const std::size_t perDirection = frames.size() / static_cast<std::size_t>(directions);
    const auto directionOf = [&](std::size_t i) { return static_cast<int>(i / perDirection + 1); };
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
                {"stream_length", static_cast<qint64>(f.getFrameData(0).size())},
            });
        }
        const QJsonObject root{{"file", QString::fromStdString(path)},
                               {"frames", static_cast<int>(frames.size())},
                               {"directions", directions},
                               {"framesPerDirection", static_cast<int>(perDirection)},
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
        std::printf("%6zu %9d %6d %6d %8d %8d %8zu\n", i + 1, directionOf(i), f.get_X_size(),
                    f.get_Y_size(), f.get_X_offset(), f.get_Y_offset(), f.getFrameData(0).size());
    }
    return kOk;
}

} // namespace quillet::cli
