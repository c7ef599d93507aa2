#include "CommandLine.h"

#include "imaging/export/GifExport.h"
#include "sprite/Limits.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <limits>
#include <set>
#include <string_view>

namespace quillet::cli {

namespace {

constexpr long long kMinOffset = std::numeric_limits<std::int32_t>::min();
constexpr long long kMaxOffset = std::numeric_limits<std::int32_t>::max();

// A whole number from `min` to `max` and nothing else, or nothing.
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

// A,B with each a whole number from `min` to `max`.
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

// "1-8,12": frame numbers and ranges of them, from 1.
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

// W x H[+MARGIN+SPACING], all whole numbers; sizes from 1, margin and spacing from 0.
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

struct OptionRow {
    OptionId id;
    const char* name;      // "o,output": a short name as well
    const char* valueName; // nullptr: a switch
    const char* description;
    // Checks the value (empty for a switch) and keeps it; throws UsageError.
    void (*read)(Options&, const std::string&);
};

const OptionRow kOptions[] = {
    {OptionId::Palette, "palette", "FILE",
     "The document palette: a 768-byte .pal file, a JASC-PAL or GIMP .gpl file, or the colour "
     "table of a paletted BMP, PNG or GIF. Without it, default.pal in the current folder or "
     "else the built-in palette, as the editor starts with.",
     [](Options& o, const std::string& v) { o.palette = v; }},
    {OptionId::NoTransform, "no-transform", nullptr,
     "Keep the stored indices instead of matching them into the document palette (Transform "
     "palette unticked).",
     [](Options& o, const std::string&) { o.transform = false; }},
    {OptionId::Dither, "dither", nullptr,
     "Dither true-colour pictures onto the document palette instead of taking each pixel's "
     "nearest colour (the editor's Dither setting).",
     [](Options& o, const std::string&) { o.dither = true; }},
    {OptionId::Json, "json", nullptr, "Print JSON instead of a table.",
     [](Options& o, const std::string&) { o.json = true; }},
    {OptionId::Offset, "offset", "X,Y", "Move every frame by X,Y (each from -32768 to 32767).",
     [](Options& o, const std::string& v) {
         // The range an offset box accepts.
         const auto [x, y] = readPair("--offset", v, -32768, 32767, "X,Y");
         o.offset = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
     }},
    {OptionId::Directions, "directions", "D",
     "Write D directions (1 to 32); a lone DC6 input keeps its own, anything else gives 1.",
     [](Options& o, const std::string& v) {
         o.directions = readCount("--directions", v, limits::kMaxDirections);
     }},
    {OptionId::Grid, "grid", "WxH[+MARGIN+SPACING]",
     "Read every picture as a sprite sheet of W x H pixel cells, the first MARGIN pixels from "
     "the left and top edges, SPACING pixels apart; cells become frames left to right, top to "
     "bottom, empty cells are skipped.",
     [](Options& o, const std::string& v) { o.grid = readGrid(v); }},
    {OptionId::Trim, "trim", nullptr,
     "Cut each sheet cell to its opaque box, its offsets keeping it in place in its cell.",
     [](Options& o, const std::string&) { o.trim = true; }},
    {OptionId::Format, "format", "bmp|png",
     "One 24-bit BMP (the default) or one palette PNG per frame, named BASE_001.BMP or "
     "BASE_001.png, ...",
     [](Options& o, const std::string& v) {
         if (v != "bmp" && v != "png")
             throw UsageError{"--format wants bmp or png, got '" + v + "'"};
         o.format = v == "png" ? imaging::ExportFormat::Png : imaging::ExportFormat::Bmp;
     }},
    {OptionId::Sheet, "sheet", "COLUMNS",
     "Write one palette PNG sprite sheet, COLUMNS frames a row, and print its cell size and "
     "anchor.",
     [](Options& o, const std::string& v) {
         o.sheetColumns = readCount("--sheet", v, limits::kMaxFrames);
     }},
    {OptionId::Gif, "gif", nullptr, "Write one animated GIF that loops forever.",
     [](Options& o, const std::string&) { o.gif = true; }},
    {OptionId::Fps, "fps", "N", "Frames per second of the GIF, 1 to 60 (default 25).",
     [](Options& o, const std::string& v) {
         o.framesPerSecond = readCount("--fps", v, imaging::kMaxGifFramesPerSecond);
     }},
    {OptionId::Frames, "frames", "LIST",
     "The frames to change, by number from 1: numbers and ranges such as 1-8,12. Without it, "
     "every frame.",
     [](Options& o, const std::string& v) { o.frameRanges = readFrameList(v); }},
    {OptionId::SetOffset, "set-offset", "X,Y", "Set the offsets of the frames to X,Y.",
     [](Options& o, const std::string& v) {
         const auto [x, y] = readPair("--set-offset", v, kMinOffset, kMaxOffset, "X,Y");
         o.edits.push_back({.kind = FrameEdit::Kind::SetOffset, .x = x, .y = y});
     }},
    {OptionId::ShiftOffset, "shift-offset", "DX,DY", "Move the frames by DX,DY.",
     [](Options& o, const std::string& v) {
         const auto [x, y] = readPair("--shift-offset", v, kMinOffset, kMaxOffset, "DX,DY");
         o.edits.push_back({.kind = FrameEdit::Kind::ShiftOffset, .x = x, .y = y});
     }},
    {OptionId::Flip, "flip", "h|v",
     "Mirror the frames left to right (h) or top to bottom (v) about the anchor point, their "
     "offsets with them.",
     [](Options& o, const std::string& v) {
         if (v != "h" && v != "v")
             throw UsageError{"--flip wants h or v, got '" + v + "'"};
         o.edits.push_back(
             {.kind = v == "h" ? FrameEdit::Kind::FlipHorizontal : FrameEdit::Kind::FlipVertical});
     }},
    {OptionId::ReplaceIndex, "replace-index", "A,B",
     "Pixels of palette index A become index B (each 0 to 255).",
     [](Options& o, const std::string& v) {
         const auto [from, to] = readPair("--replace-index", v, 0, 255, "A,B");
         o.edits.push_back({.kind = FrameEdit::Kind::ReplaceIndex,
                            .from = static_cast<std::uint8_t>(from),
                            .to = static_cast<std::uint8_t>(to)});
     }},
    {OptionId::Output, "o,output", "OUT.dc6",
     "Write the result there instead of replacing FILE.dc6.",
     [](Options& o, const std::string& v) { o.output = v; }},
};

// Options that need, or rule out, another one.
struct Pairing {
    OptionId option;
    bool needs;
    OptionId other;
    const char* message;
};

const Pairing kPairings[] = {
    {OptionId::Trim, true, OptionId::Grid, "--trim works on sheets: give --grid as well"},
    {OptionId::Sheet, false, OptionId::Gif,
     "--sheet and --gif each write one file; give only one of them"},
    {OptionId::Format, false, OptionId::Sheet,
     "--format chooses the per-frame files; a sheet is a PNG, --gif a GIF"},
    {OptionId::Format, false, OptionId::Gif,
     "--format chooses the per-frame files; a sheet is a PNG, --gif a GIF"},
    {OptionId::Fps, true, OptionId::Gif, "--fps goes with --gif"},
};

const OptionRow& row(OptionId id) {
    return *std::find_if(std::begin(kOptions), std::end(kOptions),
                         [id](const OptionRow& r) { return r.id == id; });
}

QStringList namesOf(const OptionRow& r) {
    return QString::fromUtf8(r.name).split(QLatin1Char(','));
}

QCommandLineOption qtOption(const OptionRow& r) {
    return r.valueName ? QCommandLineOption(namesOf(r), r.description, r.valueName)
                       : QCommandLineOption(namesOf(r), r.description);
}

QCommandLineOption helpOption() {
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("Show this help."));
}

QCommandLineOption versionOption() {
    return QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                              QStringLiteral("Show the version."));
}

// Qt wraps the option texts, not the description.
QString wrapped(const QString& text) {
    QString out;
    qsizetype lineStart = 0;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        if (out.size() > lineStart && out.size() - lineStart + 1 + word.size() > 79) {
            out += QLatin1Char('\n');
            lineStart = out.size();
        } else if (out.size() > lineStart) {
            out += QLatin1Char(' ');
        }
        out += word;
    }
    return out;
}

// Qt's usage line names the executable as it was started and puts the
// options first; ours shows the command as it is typed.
QString withUsage(const QCommandLineParser& parser, const QString& usage) {
    const QString text = parser.helpText();
    return QStringLiteral("Usage: ") + usage + text.mid(text.indexOf(QLatin1Char('\n')));
}

QString usageOf(const Command& command) {
    QString usage = QStringLiteral("quillet-cli %1 [options]").arg(QString::fromUtf8(command.name));
    for (const Argument& argument : command.arguments)
        usage += QLatin1Char(' ') + QString::fromUtf8(argument.syntax);
    return usage;
}

void describe(QCommandLineParser& parser, const Command& command) {
    parser.setApplicationDescription(wrapped(QString::fromUtf8(command.description)));
    parser.addOption(helpOption());
    for (const OptionId id : command.options)
        parser.addOption(qtOption(row(id)));
    for (const Argument& argument : command.arguments)
        parser.addPositionalArgument(QString::fromUtf8(argument.syntax),
                                     QString::fromUtf8(argument.description));
}

void describeOverview(QCommandLineParser& parser, std::span<const Command> commands) {
    parser.setApplicationDescription(wrapped(
        QStringLiteral("The editor's file work for scripts. A failure prints one line "
                       "naming the file and exits with 1; a wrong command line exits "
                       "with 2. 'quillet-cli COMMAND --help' tells more of each command.")));
    parser.addOption(helpOption());
    parser.addOption(versionOption());
    for (const Command& command : commands)
        parser.addPositionalArgument(QString::fromUtf8(command.name),
                                     QString::fromUtf8(command.summary));
}

// Qt's message for an unknown option leaves out its dashes.
UsageError refused(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return {parser.errorText().toStdString()};
    const QString& name = unknown.constFirst();
    return {"unknown option " + std::string(name.size() == 1 ? "-" : "--") + name.toStdString()};
}

std::vector<std::string>& rawArguments() {
    static std::vector<std::string> raw;
    return raw;
}

// The bytes `word` was given as; a word that stands for no whole argument
// (the value of --name=value) goes through the locale's encoding.
std::string asGiven(const QString& word) {
    for (const std::string& raw : rawArguments())
        if (QFile::decodeName(raw.c_str()) == word)
            return raw;
    return QFile::encodeName(word).toStdString();
}

QStringList withProgram(const QStringList& words) {
    return QStringList{QCoreApplication::arguments().constFirst()} + words;
}

} // namespace

void keepRawArguments(int argc, const char* const* argv) {
    rawArguments().assign(argv + std::min(argc, 1), argv + argc);
}

std::optional<Options> readCommandLine(const Command& command, const QStringList& words) {
    QCommandLineParser parser;
    describe(parser, command);
    if (!parser.parse(withProgram(words)))
        throw refused(parser);
    if (parser.isSet(helpOption()))
        return std::nullopt;

    Options o;
    for (const QString& word : parser.positionalArguments())
        o.positional.push_back(asGiven(word));

    std::set<OptionId> given;
    for (const OptionId id : command.options) {
        const OptionRow& r = row(id);
        const QString name = namesOf(r).constLast();
        if (!parser.isSet(name))
            continue;
        // Each time it is given, so that two edits are seen as two.
        for (const QString& value : r.valueName ? parser.values(name) : QStringList{QString()})
            r.read(o, asGiven(value));
        given.insert(id);
    }
    for (const Pairing& p : kPairings)
        if (given.contains(p.option) && given.contains(p.other) != p.needs)
            throw UsageError{p.message};

    const bool several = !command.arguments.empty() &&
                         std::string_view(command.arguments.back().syntax).ends_with("...");
    if (o.positional.size() < command.arguments.size() ||
        (!several && o.positional.size() > command.arguments.size()))
        throw UsageError{command.wrongArguments};
    return o;
}

Overview readOverview(const QStringList& words, std::span<const Command> commands) {
    QCommandLineParser parser;
    describeOverview(parser, commands);
    if (!parser.parse(withProgram(words)))
        throw refused(parser);
    if (parser.isSet(versionOption()))
        return Overview::Version;
    if (parser.isSet(helpOption()))
        return Overview::Help;
    throw UsageError{"no command given"};
}

QString helpText(const Command* command, std::span<const Command> commands) {
    QCommandLineParser parser;
    if (!command) {
        describeOverview(parser, commands);
        return withUsage(parser, QStringLiteral("quillet-cli COMMAND [options] ARGUMENTS...\n"
                                                "       quillet-cli --help | --version"));
    }
    describe(parser, *command);
    return withUsage(parser, usageOf(*command));
}

} // namespace quillet::cli
