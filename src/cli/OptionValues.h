#pragma once

#include "CommandLine.h"
#include "sprite/Palette.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The readers of option values; each throws UsageError naming the option
// and what it was given.
namespace quillet::cli {

inline constexpr long long kMinOffset = std::numeric_limits<std::int32_t>::min();
inline constexpr long long kMaxOffset = std::numeric_limits<std::int32_t>::max();

// A whole number from `min` to `max` and nothing else, or nothing.
std::optional<long long> wholeNumber(const std::string& text, long long min, long long max);

// A,B with each a whole number from `min` to `max`.
std::pair<long long, long long> readPair(const std::string& option, const std::string& text,
                                         long long min, long long max, const char* syntax);

// "L,T,R,B": pixels added (or, negative, taken away) at each side of a frame.
pixels::Margins readMargins(const std::string& text);

// "1-8,12": frame numbers and ranges of them, from 1.
std::vector<std::pair<int, int>> readFrameList(const std::string& text);

// A whole number from 1 to `max`.
int readCount(const std::string& option, const std::string& text, int max);

// W x H[+MARGIN+SPACING], all whole numbers; sizes from 1, margin and spacing from 0.
imaging::SheetGrid readGrid(const std::string& text);

// "A-B" or "A": palette indices from 0 to 255, first and last as written
// (B may come before A). A refusal quotes `given`, the option's whole value.
std::pair<int, int> readIndexRange(const std::string& option, const std::string& text,
                                   const std::string& given);

// "A-B:C-D": a source range of indices onto a destination range.
std::pair<std::pair<int, int>, std::pair<int, int>> readRemap(const std::string& text);

// "240-255,7": indices and ranges of them, 1 to 255 (index 0, the
// transparent one, cannot be protected).
IndexSet readProtectedList(const std::string& text);

} // namespace quillet::cli
