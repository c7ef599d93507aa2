#include "SheetData.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

namespace quillet::imaging {

namespace {

using Json = nlohmann::ordered_json;

Json rectJson(const SheetRect& r) {
    return Json{{"x", r.x}, {"y", r.y}, {"w", r.w}, {"h", r.h}};
}

Json sizeJson(int w, int h) {
    return Json{{"w", w}, {"h", h}};
}

} // namespace

std::string sheetFrameLabel(std::size_t index, const std::string& name) {
    const std::string label = "frame " + std::to_string(index + 1);
    return name.empty() ? label : label + " (\"" + name + "\")";
}

// One frame, tag or slice a line: readable, and diffs of two exports show
// which frame moved.
std::string writeSheetJson(const SheetData& data, SheetJsonLayout layout) {
    const bool hash = layout == SheetJsonLayout::Hash;
    std::string out = hash ? "{\"frames\": {\n" : "{\"frames\": [\n";
    for (std::size_t i = 0; i < data.frames.size(); ++i) {
        const SheetDataFrame& f = data.frames[i];
        Json frame;
        if (!hash)
            frame["filename"] = f.filename;
        frame["frame"] = rectJson(f.frame);
        frame["rotated"] = false;
        frame["trimmed"] = f.trimmed;
        frame["spriteSourceSize"] = rectJson(f.spriteSourceSize);
        frame["sourceSize"] = sizeJson(f.sourceWidth, f.sourceHeight);
        frame["duration"] = f.duration;
        out += "  " + (hash ? Json(f.filename).dump() + ": " : std::string()) + frame.dump() +
               (i + 1 < data.frames.size() ? ",\n" : "\n");
    }
    out += hash ? " },\n" : " ],\n";
    const auto line = [&out](const char* key, const Json& value) {
        out += "  " + Json(key).dump() + ": " + value.dump() + ",\n";
    };
    out += " \"meta\": {\n";
    line("app", data.app);
    line("version", data.version);
    line("image", data.image);
    line("format", "I8");
    if (data.width > 0 && data.height > 0)
        line("size", sizeJson(data.width, data.height));
    line("scale", "1");
    out += "  \"frameTags\": [";
    for (std::size_t i = 0; i < data.frameTags.size(); ++i) {
        const SheetTag& t = data.frameTags[i];
        out +=
            (i ? ",\n   " : "\n   ") +
            Json{{"name", t.name}, {"from", t.from}, {"to", t.to}, {"direction", "forward"}}.dump();
    }
    out += data.frameTags.empty() ? "],\n" : "\n  ],\n";
    out += "  \"slices\": [";
    if (!data.anchor.empty()) {
        Json keys = Json::array();
        for (const SheetAnchorKey& k : data.anchor) {
            Json key{{"frame", k.frame}, {"bounds", rectJson(k.bounds)}};
            if (k.pivot)
                key["pivot"] = Json{{"x", k.pivot->x}, {"y", k.pivot->y}};
            keys.push_back(std::move(key));
        }
        out += "\n   " + Json{{"name", "anchor"}, {"keys", std::move(keys)}}.dump() + "\n  ";
    }
    out += "]\n }\n}\n";
    return out;
}

std::optional<SheetPoint> sheetAnchor(const SheetData& data, std::size_t index) {
    if (data.anchor.empty())
        return std::nullopt;
    auto key = std::upper_bound(data.anchor.begin(), data.anchor.end(), index,
                                [](std::size_t i, const SheetAnchorKey& k) {
                                    return i < static_cast<std::size_t>(k.frame);
                                });
    // Frames before the first key take the first key.
    const SheetAnchorKey& k = key == data.anchor.begin() ? *key : *std::prev(key);
    if (!k.pivot)
        return std::nullopt;
    return SheetPoint{k.bounds.x + k.pivot->x, k.bounds.y + k.pivot->y};
}

} // namespace quillet::imaging
