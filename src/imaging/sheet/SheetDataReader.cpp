// Reading a sheet's JSON data: the text walked for keys given twice, then
// parsed, then every field checked as it is taken into the model.
#include "SheetData.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <algorithm>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>
#include <unordered_map>

namespace quillet::imaging {

namespace {

// Keeps the hash layout's frames in the order the file has them.
using Json = nlohmann::ordered_json;

constexpr int kMaxSide = 32767;
constexpr int kMinCoordinate = -32768;

[[noreturn]] void refuse(const std::string& where, const std::string& what) {
    throw QuilletError(where.empty() ? what : where + ": " + what);
}

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

std::string sizeText(int w, int h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

// Where a key or a value stands while the text is walked.
struct Level {
    bool object = false;
    std::string key;                         // the member being read
    std::size_t elements = 0;                // of an array, how many have begun
    std::map<std::string, std::size_t> keys; // of an object, each key's place
};

[[noreturn]] void givenTwice(const std::vector<Level>& levels, const std::string& key,
                             std::size_t first) {
    const auto member = [&levels](std::size_t i) {
        const Level& level = levels[i];
        return level.object ? level.key : "[" + std::to_string(level.elements - 1) + "]";
    };
    std::string where;
    std::size_t from = 0;
    if (levels.size() >= 2 && levels[0].key == "frames") {
        const Level& frames = levels[1];
        if (levels.size() == 2)
            refuse(sheetFrameLabel(frames.keys.size(), key),
                   "its name is also that of frame " + std::to_string(first + 1));
        where = frames.object ? sheetFrameLabel(frames.keys.at(frames.key), frames.key)
                              : sheetFrameLabel(frames.elements - 1, {});
        from = 2;
    }
    std::string field;
    for (std::size_t i = from; i + 1 < levels.size(); ++i) {
        const std::string name = member(i);
        field += (field.empty() || name.front() == '[' ? "" : ".") + name;
    }
    refuse(where, field + (field.empty() ? "" : ".") + key + " is given twice");
}

// The JSON library keeps one value per key, so the text is walked once
// before it is parsed: a key given twice is refused, naming where, and the
// nesting is bounded. (Its parser's own hook rescans an array at every
// element, too slow for thousands of frames.)
class KeyCheck : public nlohmann::json_sax<Json> {
public:
    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& key) override {
        Level& top = m_levels.back();
        const auto [at, added] = top.keys.emplace(key, top.keys.size());
        if (!added)
            givenTwice(m_levels, key, at->second);
        top.key = key;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const Json::exception& e) override {
        // "[json.exception.parse_error.101] parse error at line 1, ..."
        const std::string_view what = e.what();
        throw QuilletError("not JSON: " + std::string(what.substr(what.find(']') + 2)));
    }

private:
    bool value() {
        if (!m_levels.empty() && !m_levels.back().object)
            ++m_levels.back().elements;
        return true;
    }
    bool open(bool object) {
        if (m_levels.size() >= kMaxSheetDataDepth)
            throw QuilletError("the data nests deeper than " + std::to_string(kMaxSheetDataDepth) +
                               " levels");
        value();
        m_levels.push_back({object, {}, 0, {}});
        return true;
    }
    bool close() {
        m_levels.pop_back();
        return true;
    }

    std::vector<Level> m_levels;
};

Json parse(ByteView bytes) {
    KeyCheck check;
    Json::sax_parse(bytes.begin(), bytes.end(), &check);
    try {
        return Json::parse(bytes.begin(), bytes.end());
    } catch (const Json::exception& e) {
        throw QuilletError(std::string("not JSON: ") + e.what());
    }
}

// The members of one object; every refusal names the frame and the field.
class Fields {
public:
    Fields(const Json& object, std::string where, std::string prefix = {})
        : m_object(object), m_where(std::move(where)), m_prefix(std::move(prefix)) {}

    [[noreturn]] void refuseField(const std::string& name, const std::string& what) const {
        refuse(m_where, m_prefix + name + " " + what);
    }
    const Json* find(const char* name) const {
        const auto it = m_object.find(name);
        return it == m_object.end() ? nullptr : &*it;
    }
    const Json& need(const char* name) const {
        if (const Json* value = find(name))
            return *value;
        refuseField(name, "is missing");
    }
    Fields object(const char* name) const {
        const Json& value = need(name);
        if (!value.is_object())
            refuseField(name, "is not an object");
        return Fields(value, m_where, m_prefix + name + ".");
    }
    int whole(const char* name, long long min, long long max) const {
        const Json& value = need(name);
        long long v = min - 1;
        if (value.is_number_unsigned())
            v = value.get<std::uint64_t>() > std::uint64_t(max) ? max + 1 : value.get<long long>();
        else if (value.is_number_integer())
            v = value.get<long long>();
        if (v < min || v > max)
            refuseField(name, "is not a whole number from " + std::to_string(min) + " to " +
                                  std::to_string(max));
        return static_cast<int>(v);
    }
    bool flag(const char* name) const {
        const Json* value = find(name);
        if (value && !value->is_boolean())
            refuseField(name, "is not true or false");
        return value && value->get<bool>();
    }
    std::string text(const char* name) const {
        const Json& value = need(name);
        if (!value.is_string())
            refuseField(name, "is not text");
        return value.get<std::string>();
    }
    SheetRect rect(const char* name, int least, int leastSide) const {
        const Fields r = object(name);
        return {r.whole("x", least, kMaxSide), r.whole("y", least, kMaxSide),
                r.whole("w", leastSide, kMaxSide), r.whole("h", leastSide, kMaxSide)};
    }
    const std::string& where() const { return m_where; }

private:
    const Json& m_object;
    std::string m_where;
    std::string m_prefix;
};

SheetDataFrame readFrame(const Fields& in, std::string name) {
    SheetDataFrame f;
    f.filename = std::move(name);
    f.frame = in.rect("frame", 0, 1);
    if (in.flag("rotated"))
        in.refuseField("rotated", "is true: a frame turned on its side cannot be cut");
    f.trimmed = in.flag("trimmed");
    f.spriteSourceSize = in.rect("spriteSourceSize", 0, 1);
    const SheetRect& s = f.spriteSourceSize;
    if (s.w != f.frame.w || s.h != f.frame.h)
        in.refuseField("spriteSourceSize", "is " + sizeText(s.w, s.h) + ", not the " +
                                               sizeText(f.frame.w, f.frame.h) + " of frame");
    const Fields source = in.object("sourceSize");
    f.sourceWidth = source.whole("w", 1, kMaxSide);
    f.sourceHeight = source.whole("h", 1, kMaxSide);
    if (in.find("duration"))
        f.duration = in.whole("duration", 0, std::numeric_limits<std::int32_t>::max());
    return f;
}

const Json& arrayOf(const Fields& in, const char* name) {
    const Json& value = in.need(name);
    if (!value.is_array())
        in.refuseField(name, "is not an array");
    return value;
}

void readTags(const Fields& meta, SheetData& data) {
    const Json& tags = arrayOf(meta, "frameTags");
    const int last = static_cast<int>(data.frames.size()) - 1;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const std::string at = "meta.frameTags[" + std::to_string(i) + "]";
        if (!tags[i].is_object())
            refuse(at, "is not an object");
        SheetTag tag;
        tag.name = Fields(tags[i], at).text("name");
        const Fields run(tags[i], "frame tag " + inQuotes(tag.name));
        tag.from = run.whole("from", 0, last);
        tag.to = run.whole("to", tag.from, last);
        data.frameTags.push_back(std::move(tag));
    }
}

// Only the slice named "anchor" is read; slices of other names are not ours.
void readAnchor(const Fields& meta, SheetData& data) {
    const Json& slices = arrayOf(meta, "slices");
    for (const Json& slice : slices) {
        if (!slice.is_object() || slice.value("name", Json()) != "anchor")
            continue;
        if (!data.anchor.empty())
            refuse("meta.slices", "\"anchor\" is given twice");
        const Fields in(slice, "slice \"anchor\"");
        const Json& keys = arrayOf(in, "keys");
        if (keys.empty())
            in.refuseField("keys", "holds no key");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::string at = "keys[" + std::to_string(i) + "]";
            if (!keys[i].is_object())
                in.refuseField(at, "is not an object");
            const Fields key(keys[i], in.where(), at + ".");
            SheetAnchorKey k;
            // Ascending, as each key holds from its frame on.
            k.frame = key.whole("frame", data.anchor.empty() ? 0 : data.anchor.back().frame + 1,
                                limits::kMaxFrames - 1);
            k.bounds = key.rect("bounds", kMinCoordinate, 1);
            if (key.find("pivot")) {
                const Fields pivot = key.object("pivot");
                k.pivot = SheetPoint{pivot.whole("x", kMinCoordinate, kMaxSide),
                                     pivot.whole("y", kMinCoordinate, kMaxSide)};
            }
            data.anchor.push_back(k);
        }
    }
}

} // namespace

SheetData readSheetJson(ByteView json) {
    if (json.size() > kMaxSheetDataBytes)
        refuse({}, "the data holds " + std::to_string(json.size()) + " bytes, more than the " +
                       std::to_string(kMaxSheetDataBytes) + " it may");
    const Json root = parse(json);
    if (!root.is_object())
        refuse({}, "the data is not a JSON object");
    const Fields top(root, {});
    const Json& frames = top.need("frames");
    if (!frames.is_array() && !frames.is_object())
        top.refuseField("frames", "is neither an array of frames nor an object of them by name");
    if (frames.empty())
        top.refuseField("frames", "holds no frame");
    if (frames.size() > static_cast<std::size_t>(limits::kMaxFrames))
        top.refuseField("frames", "holds " + std::to_string(frames.size()) +
                                      " frames, more than the " +
                                      std::to_string(limits::kMaxFrames) + " a document holds");
    SheetData data;
    data.frames.reserve(frames.size());
    std::unordered_map<std::string, std::size_t> names;
    std::size_t index = 0;
    for (auto it = frames.begin(); it != frames.end(); ++it, ++index) {
        std::string name = frames.is_object() ? it.key() : std::string();
        if (!it->is_object())
            refuse(sheetFrameLabel(index, name), "is not an object");
        if (frames.is_array())
            name = Fields(*it, sheetFrameLabel(index, {})).text("filename");
        const auto [at, added] = names.emplace(name, index);
        if (!added)
            refuse(sheetFrameLabel(index, name),
                   "its name is also that of frame " + std::to_string(at->second + 1));
        data.frames.push_back(readFrame(Fields(*it, sheetFrameLabel(index, name)), name));
    }
    if (const Json* meta = top.find("meta")) {
        if (!meta->is_object())
            top.refuseField("meta", "is not an object");
        const Fields in(*meta, {}, "meta.");
        if (in.find("image"))
            data.image = in.text("image");
        if (in.find("size")) {
            const Fields size = in.object("size");
            data.width = size.whole("w", 1, kMaxSide);
            data.height = size.whole("h", 1, kMaxSide);
        }
        if (in.find("frameTags"))
            readTags(in, data);
        if (in.find("slices"))
            readAnchor(in, data);
    }
    sheetDirections(data);
    return data;
}

int sheetDirections(const SheetData& data) {
    constexpr std::string_view kPrefix = "direction ";
    std::map<int, const SheetTag*> runs;
    for (const SheetTag& tag : data.frameTags) {
        const std::string_view name = tag.name;
        const std::string_view digits = name.substr(std::min(name.size(), kPrefix.size()));
        if (!name.starts_with(kPrefix) || digits.empty() || digits.size() > 5 ||
            digits.front() == '0' || digits.find_first_not_of("0123456789") != digits.npos)
            continue;
        if (!runs.emplace(std::stoi(std::string(digits)), &tag).second)
            refuse("frame tag " + inQuotes(tag.name), "is given twice");
    }
    if (runs.empty())
        return 1;
    const auto count = static_cast<int>(runs.size());
    const auto frames = static_cast<int>(data.frames.size());
    if (count > limits::kMaxDirections)
        refuse("meta.frameTags", std::to_string(count) + " directions exceed the limit of " +
                                     std::to_string(limits::kMaxDirections));
    if (frames % count != 0)
        refuse("meta.frameTags", std::to_string(count) + " directions do not divide " +
                                     std::to_string(frames) + " frames");
    const int per = frames / count;
    int k = 1;
    for (const auto& [number, tag] : runs) {
        const std::string name = "direction " + std::to_string(k);
        if (number != k)
            refuse("meta.frameTags", inQuotes(name) + " is missing among " + std::to_string(count) +
                                         " direction tags");
        if (tag->from != (k - 1) * per || tag->to != k * per - 1)
            refuse("frame tag " + inQuotes(name),
                   "from " + std::to_string(tag->from) + " to " + std::to_string(tag->to) +
                       " is not the run of frames " + std::to_string((k - 1) * per) + " to " +
                       std::to_string(k * per - 1) + " of " + std::to_string(count) +
                       " directions of " + std::to_string(per) + " frames");
        ++k;
    }
    return count;
}

} // namespace quillet::imaging
