#include "OptionValues.h"

#include "sprite/Limits.h"

#include <algorithm>
#include <exception>

namespace quillet::cli {

std::optional<long long> wholeNumber(const std::string& text, long long min, long long max) {
    std::size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(text, &used);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (used != text.size() || v < min || v > max)
        return std::nullopt;
    return v;
}

std::pair<long long, long long> readPair(const std::string& option, const std::string& text,
                                         long long min, long long max, const char* syntax) {
    const auto comma = text.find(',');
    const auto part = [&](const std::string& piece) {
        const std::optional<long long> v = wholeNumber(piece, min, max);
        if (!v)
            throw UsageError{option + " wants " + syntax + ", each a whole number from " +
                             std::to_string(min) + " to " + std::to_string(max) + ", got '" + text +
                             "'"};
        return *v;
    };
    if (comma == std::string::npos)
        part("");
    return {part(text.substr(0, comma)), part(text.substr(comma + 1))};
}

pixels::Margins readMargins(const std::string& text) {
    std::vector<long long> sides;
    for (std::size_t at = 0; at <= text.size() && sides.size() < 5;) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const std::optional<long long> v =
            wholeNumber(text.substr(at, end - at), kMinOffset, kMaxOffset);
        if (!v)
            break;
        sides.push_back(*v);
        at = end + 1;
    }
    if (sides.size() != 4)
        throw UsageError{"--canvas wants L,T,R,B, four whole numbers of pixels to add (or, "
                         "negative, to take away) at the left, top, right and bottom, got '" +
                         text + "'"};
    return {sides[0], sides[1], sides[2], sides[3]};
}

std::vector<std::pair<int, int>> readFrameList(const std::string& text) {
    std::vector<std::pair<int, int>> ranges;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, end - at);
        const std::size_t dash = item.find('-');
        const auto number = [&](const std::string& piece) {
            const std::optional<long long> v = wholeNumber(piece, 1, limits::kMaxFrames);
            if (!v || piece.find_first_not_of("0123456789") != std::string::npos)
                throw UsageError{"--frames wants numbers and ranges like 1-8,12 (frames 1 to " +
                                 std::to_string(limits::kMaxFrames) + "), got '" + text + "'"};
            return static_cast<int>(*v);
        };
        const int first = number(item.substr(0, dash));
        const int last = dash == std::string::npos ? first : number(item.substr(dash + 1));
        if (last < first)
            throw UsageError{"--frames range " + item + " runs backwards"};
        ranges.emplace_back(first, last);
        at = end + 1;
    }
    return ranges;
}

int readCount(const std::string& option, const std::string& text, int max) {
    const std::optional<long long> v = wholeNumber(text, 1, max);
    if (!v)
        throw UsageError{option + " wants a whole number from 1 to " + std::to_string(max) +
                         ", got '" + text + "'"};
    return static_cast<int>(*v);
}

imaging::SheetGrid readGrid(const std::string& text) {
    const UsageError bad{"--grid wants WxH or WxH+MARGIN+SPACING, got '" + text + "'"};
    int values[4] = {0, 0, 0, 0};
    const char separators[4] = {'x', '+', '+', '\0'};
    std::size_t at = 0;
    int count = 0;
    for (; count < 4; ++count) {
        const std::size_t end = text.find_first_not_of("0123456789", at);
        const std::string digits = text.substr(at, end - at);
        if (digits.empty() || digits.size() > 5)
            throw bad;
        values[count] = std::stoi(digits);
        if (end == std::string::npos)
            break;
        if (text[end] != separators[count])
            throw bad;
        at = end + 1;
    }
    if (count != 1 && count != 3)
        throw bad;
    if (values[0] < 1 || values[1] < 1)
        throw UsageError{"--grid cells need at least one pixel a side, got '" + text + "'"};
    imaging::SheetGrid grid;
    grid.cellWidth = values[0];
    grid.cellHeight = values[1];
    grid.margin = values[2];
    grid.spacing = values[3];
    return grid;
}

std::pair<int, int> readIndexRange(const std::string& option, const std::string& text,
                                   const std::string& given) {
    const std::size_t dash = text.find('-');
    const auto index = [&](const std::string& piece) {
        const std::optional<long long> v = wholeNumber(piece, 0, 255);
        // Digits only: a sign would read as another range.
        if (!v || piece.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError{option + " wants palette indices from 0 to 255 as A or A-B, got '" +
                             given + "'"};
        return static_cast<int>(*v);
    };
    const int first = index(text.substr(0, dash));
    return {first, dash == std::string::npos ? first : index(text.substr(dash + 1))};
}

std::pair<std::pair<int, int>, std::pair<int, int>> readRemap(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        throw UsageError{"--remap wants SOURCE:DESTINATION, two ranges of indices such as "
                         "16-31:48-63, got '" +
                         text + "'"};
    return {readIndexRange("--remap", text.substr(0, colon), text),
            readIndexRange("--remap", text.substr(colon + 1), text)};
}

IndexSet readProtectedList(const std::string& text) {
    IndexSet entries;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const auto [first, last] = readIndexRange("--protect", text.substr(at, end - at), text);
        if (std::min(first, last) == 0)
            throw UsageError{"--protect: index 0 is the transparent index and cannot be "
                             "protected, got '" +
                             text + "'"};
        for (int i = std::min(first, last); i <= std::max(first, last); ++i)
            entries[static_cast<std::size_t>(i)] = true;
        at = end + 1;
    }
    return entries;
}

} // namespace quillet::cli
