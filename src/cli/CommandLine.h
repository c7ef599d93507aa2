#pragma once

// The command line of quillet-cli: the options every subcommand may take,
// read and checked in one place, and the table row that describes a
// subcommand. A subcommand is one row of the table in main.cpp and one
// function that gets its checked options.

#include "imaging/PictureImport.h"
#include "imaging/export/BitmapExport.h"
#include "imaging/sheet/SheetData.h"
#include "sprite/FrameEdit.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quillet::cli {

constexpr int kOk = 0;
constexpr int kWorkFailed = 1;
constexpr int kBadUsage = 2;

// A wrong command line: exit code 2 and the usage.
struct UsageError {
    std::string message;
};

// A failure of the work itself, with the file name in front: exit code 1.
struct WorkError {
    std::string message;
};

enum class OptionId {
    Palette,
    NoTransform,
    Dither,
    Json,
    Offset,
    Directions,
    Grid,
    Trim,
    Format,
    Sheet,
    SheetByDirection,
    SheetTrim,
    Data,
    DataFormat,
    Gif,
    Fps,
    Frames,
    SetOffset,
    ShiftOffset,
    Flip,
    ReplaceIndex,
    Remap,
    Canvas,
    TrimFrames,
    Protect,
    Usage,
    Output,
};

// Everything a subcommand may be given, checked; options it does not take
// keep their defaults.
struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> palette;
    bool transform = true;
    bool dither = false;
    bool json = false;
    std::optional<std::pair<std::int32_t, std::int32_t>> offset;
    std::optional<int> directions;
    std::optional<imaging::SheetGrid> grid;
    bool trim = false;
    std::optional<imaging::ExportFormat> format;
    std::optional<int> sheetColumns;
    bool sheetByDirection = false;
    bool data = false;
    imaging::SheetJsonLayout dataFormat = imaging::SheetJsonLayout::Array;
    bool gif = false;
    std::optional<int> framesPerSecond;
    // Ranges of frame numbers, first to last, as given; checked against the file later.
    std::vector<std::pair<int, int>> frameRanges;
    // The edits given; `edit` takes exactly one.
    std::vector<FrameEdit> edits;
    std::optional<std::string> output;
    // Entries of the document palette matching never chooses.
    IndexSet protectedEntries;
    bool usage = false;
};

struct Argument {
    const char* syntax; // "INPUT..." takes one or more
    const char* description;
};

struct Command {
    const char* name;
    const char* summary; // one line in the overview
    const char* description;
    std::vector<Argument> arguments;
    std::vector<OptionId> options;
    const char* wrongArguments; // the message when the arguments do not fit
    int (*run)(const Options&);
};

// The program's arguments as the system gave them: file names go on to the
// file layers in these bytes, which a name that is not text in the locale's
// encoding would lose on its way through QString.
void keepRawArguments(int argc, const char* const* argv);

// The options given to `command` (the words after its name), or UsageError.
// Returns nothing when help was asked for instead.
std::optional<Options> readCommandLine(const Command& command, const QStringList& words);

enum class Overview { Help, Version };

// What the words before any command ask for, or UsageError.
Overview readOverview(const QStringList& words, std::span<const Command> commands);

// The command's help; without a command, the overview of `commands`.
QString helpText(const Command* command, std::span<const Command> commands);

} // namespace quillet::cli
