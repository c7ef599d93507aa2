#include "CommandLine.h"

#include "OptionValues.h"
#include "imaging/export/GifExport.h"
#include "paths/NativePath.h"
#include "sprite/Limits.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <limits>
#include <set>
#include <string_view>

namespace quillet::cli {

namespace {

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
    {OptionId::SheetByDirection, "sheet-by-direction", nullptr,
     "Write one palette PNG sprite sheet, one row per direction.",
     [](Options& o, const std::string&) { o.sheetByDirection = true; }},
    {OptionId::SheetTrim, "trim", nullptr,
     "Cut each frame of the sheet to its opaque box; the cell shrinks to hold them all.",
     [](Options& o, const std::string&) { o.trim = true; }},
    {OptionId::Data, "data", nullptr,
     "Also write BASE.json, the sheet's data: each frame's place in the picture and in its "
     "cell, the anchor and the directions, in the layout engines and pixel editors read.",
     [](Options& o, const std::string&) { o.data = true; }},
    {OptionId::DataFormat, "data-format", "json-array|json-hash",
     "The frames of the data as an array (the default) or keyed by file name.",
     [](Options& o, const std::string& v) {
         if (v != "json-array" && v != "json-hash")
             throw UsageError{"--data-format wants json-array or json-hash, got '" + v + "'"};
         o.dataFormat =
             v == "json-hash" ? imaging::SheetJsonLayout::Hash : imaging::SheetJsonLayout::Array;
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
    {OptionId::Remap, "remap", "A-B:C-D",
     "Map the indices A to B onto C to D (0 to 255), the ends onto the ends and the rest spread "
     "evenly between them; A-B written backwards maps them in reverse. Other indices stay.",
     [](Options& o, const std::string& v) {
         const auto [source, destination] = readRemap(v);
         o.edits.push_back({.kind = FrameEdit::Kind::MapIndices,
                            .table = rangeMapping(source.first, source.second, destination.first,
                                                  destination.second)});
     }},
    {OptionId::Canvas, "canvas", "L,T,R,B",
     "Add L, T, R and B pixels of index 0 at the left, top, right and bottom of the frames "
     "(negative numbers take pixels away), their offsets keeping every pixel where it was "
     "around the anchor point.",
     [](Options& o, const std::string& v) {
         o.edits.push_back({.kind = FrameEdit::Kind::Canvas, .margins = readMargins(v)});
     }},
    // The same name as build's sheet trim, with its own meaning here.
    {OptionId::TrimFrames, "trim", nullptr,
     "Cut the frames to their pixels other than index 0, each keeping its place around the "
     "anchor point; a frame without any keeps one transparent pixel.",
     [](Options& o, const std::string&) { o.edits.push_back({.kind = FrameEdit::Kind::Trim}); }},
    {OptionId::Protect, "protect", "LIST",
     "Palette entries that true-colour and paletted pictures are never matched into, such as "
     "240-255,7 (1 to 255).",
     [](Options& o, const std::string& v) { o.protectedEntries = readProtectedList(v); }},
    {OptionId::Usage, "usage", nullptr,
     "Print, for every palette index, its colour, its pixels and the frames using it, as a save "
     "writes them.",
     [](Options& o, const std::string&) { o.usage = true; }},
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
    {OptionId::SheetByDirection, false, OptionId::Sheet,
     "--sheet and --sheet-by-direction each lay out the sheet; give only one of them"},
    {OptionId::SheetByDirection, false, OptionId::Gif,
     "--sheet-by-direction and --gif each write one file; give only one of them"},
    {OptionId::Format, false, OptionId::SheetByDirection,
     "--format chooses the per-frame files; a sheet is a PNG, --gif a GIF"},
    {OptionId::DataFormat, true, OptionId::Data, "--data-format goes with --data"},
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
        if (pathFromNative(raw) == word)
            return raw;
    return nativePath(word);
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
