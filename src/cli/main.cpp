// quillet-cli: the editor's file work for scripts and build pipelines. The
// work itself is done by the same library calls the editor's commands make;
// this file only reads arguments and prints.
#include "document/Document.h"
#include "imaging/BitmapExport.h"
#include "imaging/GifExport.h"
#include "imaging/PictureImport.h"
#include "imaging/SheetExport.h"
#include "palette/PaletteFile.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"
#include "sprite/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <quillet/Version.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

using namespace quillet;

constexpr int kOk = 0;
constexpr int kWorkFailed = 1;
constexpr int kBadUsage = 2;

const char* const kUsage =
    "usage: quillet-cli info FILE.dc6 [--json]\n"
    "       quillet-cli build OUT.dc6 INPUT... [--palette FILE.pal] [--no-transform]\n"
    "                                          [--offset X,Y] [--directions D]\n"
    "                                          [--grid WxH[+MARGIN+SPACING]] [--trim]\n"
    "       quillet-cli export FILE.dc6 BASE [--format bmp|png] [--palette FILE.pal]\n"
    "                                        [--no-transform]\n"
    "       quillet-cli export FILE.dc6 OUT.png --sheet COLUMNS [--palette FILE.pal]\n"
    "                                        [--no-transform]\n"
    "       quillet-cli export FILE.dc6 OUT.gif --gif [--fps N] [--palette FILE.pal]\n"
    "                                        [--no-transform]\n"
    "       quillet-cli --help | --version\n"
    "An INPUT is a picture, or a .dc6 file that adds all its frames; a lone .dc6\n"
    "input keeps its directions unless --directions D (1 to 32) says otherwise.\n"
    "\n"
    "Pictures are BMP, GIF (every image of an animation), PNG or JPEG. With --grid each\n"
    "picture is a sprite sheet of W x H pixel cells, MARGIN pixels from its left and top\n"
    "edges and SPACING pixels apart; cells become frames left to right, top to bottom,\n"
    "empty cells are skipped, and --trim cuts each frame to its non-transparent box,\n"
    "offsets keeping it in place in its cell. Palettes are 768-byte .pal files, JASC-PAL\n"
    "or GIMP .gpl files, or the colour table of a paletted BMP, PNG or GIF.\n";

struct UsageError {
    std::string message;
};

struct WorkError {
    std::string message;
};

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> palette;
    bool transform = true;
    bool json = false;
    std::optional<std::pair<std::int32_t, std::int32_t>> offset;
    std::optional<int> directions;
    std::optional<imaging::ExportFormat> format;
    std::optional<int> sheetColumns;
    bool gif = false;
    std::optional<int> framesPerSecond;
    std::optional<imaging::SheetGrid> grid;
    bool trim = false;
};

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

std::int32_t parseOffset(const std::string& text) {
    const std::optional<long long> v = wholeNumber(text, -32768, 32767);
    if (!v)
        throw UsageError{"--offset wants two whole numbers from -32768 to 32767, got '" + text +
                         "'"};
    return static_cast<std::int32_t>(*v);
}

int parseCount(const std::string& option, const std::string& text, int max) {
    const std::optional<long long> v = wholeNumber(text, 1, max);
    if (!v)
        throw UsageError{option + " wants a whole number from 1 to " + std::to_string(max) +
                         ", got '" + text + "'"};
    return static_cast<int>(*v);
}

// W x H[+MARGIN+SPACING], all whole numbers; sizes from 1, margin and spacing from 0.
imaging::SheetGrid parseGrid(const std::string& text) {
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

Options parseOptions(int argc, char** argv, int first, bool allowPalette, bool allowOffset,
                     bool allowJson, bool allowExport = false) {
    Options o;
    for (int i = first; i < argc; ++i) {
        const std::string a = argv[i];
        // The word after an option that takes one.
        auto value = [&](const char* what) -> std::string {
            if (++i == argc)
                throw UsageError{a + " needs " + what};
            return argv[i];
        };
        if (allowPalette && a == "--palette") {
            o.palette = value("a file");
        } else if (allowPalette && a == "--no-transform") {
            o.transform = false;
        } else if (allowJson && a == "--json") {
            o.json = true;
        } else if (allowOffset && a == "--offset") {
            const std::string v = value("X,Y");
            const auto comma = v.find(',');
            if (comma == std::string::npos)
                throw UsageError{"--offset wants X,Y, got '" + v + "'"};
            o.offset = {parseOffset(v.substr(0, comma)), parseOffset(v.substr(comma + 1))};
        } else if (allowOffset && a == "--directions") {
            o.directions = parseCount(a, value("a number"), limits::kMaxDirections);
        } else if (allowExport && a == "--format") {
            const std::string v = value("bmp or png");
            if (v != "bmp" && v != "png")
                throw UsageError{"--format wants bmp or png, got '" + v + "'"};
            o.format = v == "png" ? imaging::ExportFormat::Png : imaging::ExportFormat::Bmp;
        } else if (allowExport && a == "--sheet") {
            o.sheetColumns = parseCount(a, value("a number of columns"), limits::kMaxFrames);
        } else if (allowExport && a == "--gif") {
            o.gif = true;
        } else if (allowExport && a == "--fps") {
            o.framesPerSecond = parseCount(a, value("a number of frames per second"),
                                           imaging::kMaxGifFramesPerSecond);
        } else if (allowOffset && a == "--grid") {
            o.grid = parseGrid(value("WxH"));
        } else if (allowOffset && a == "--trim") {
            o.trim = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            o.positional.push_back(a);
        }
    }
    if (o.trim && !o.grid)
        throw UsageError{"--trim works on sheets: give --grid as well"};
    return o;
}

// The editor's palette at start-up, or the one a user would pick with "Select palette...".
Palette documentPalette(const Options& o) {
    if (!o.palette)
        return loadDefaultPalette(QDir::currentPath().toStdString());
    try {
        return imaging::readPaletteAny(*o.palette);
    } catch (const QuilletError& e) {
        throw WorkError{*o.palette + ": " + e.what()};
    }
}

class Progress {
public:
    explicit Progress(const char* verb) : m_verb(verb), m_shown(isatty(2) != 0) {}
    ~Progress() {
        if (m_shown && m_printed)
            std::fputc('\n', stderr);
    }
    void operator()(int done, int total) {
        if (!m_shown)
            return;
        std::fprintf(stderr, "\r%s %d/%d", m_verb, done, total);
        m_printed = true;
    }

private:
    const char* m_verb;
    bool m_shown;
    bool m_printed = false;
};

FrameList loadDocument(const std::string& path, int* directions = nullptr) {
    try {
        return DC6FileIO().LoadDC6(path, directions);
    } catch (const QuilletError& e) {
        throw WorkError{path + ": " + e.what()};
    }
}

bool isDC6File(const std::string& path) {
    const std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    return QString::fromStdString(ext).compare(".dc6", Qt::CaseInsensitive) == 0;
}

const char* plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

int info(const Options& o) {
    if (o.positional.size() != 1)
        throw UsageError{"info takes exactly one DC6 file"};
    const std::string& path = o.positional[0];
    int directions = 1;
    const FrameList frames = loadDocument(path, &directions);
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
    std::printf("%s: %zu frame%s, %d direction%s of %zu frame%s\n", path.c_str(), frames.size(),
                plural(frames.size()), directions, plural(static_cast<std::size_t>(directions)),
                perDirection, plural(perDirection));
    std::printf("%6s %9s %6s %6s %8s %8s %8s\n", "frame", "direction", "width", "height", "x", "y",
                "stream");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const DC6Frame& f = *frames[i];
        std::printf("%6zu %9d %6d %6d %8d %8d %8zu\n", i + 1, directionOf(i), f.get_X_size(),
                    f.get_Y_size(), f.get_X_offset(), f.get_Y_offset(), f.getFrameData(0).size());
    }
    return kOk;
}

int build(const Options& o) {
    if (o.positional.size() < 2)
        throw UsageError{"build needs an output file and at least one input"};
    const std::string& out = o.positional[0];
    const Palette palette = documentPalette(o);

    FrameList document;
    int directions = 1;
    Progress progress("reading inputs");
    for (std::size_t i = 1; i < o.positional.size(); ++i) {
        const std::string& input = o.positional[i];
        FrameList tiles;
        // A sprite's frames come in as the editor's Open gives them: made for
        // the document palette.
        const bool sprite = isDC6File(input);
        try {
            const imaging::ImportOptions options{palette};
            if (sprite)
                tiles = DC6FileIO().LoadDC6(input, &directions);
            else if (o.grid)
                tiles = imaging::LoadSheet(input, *o.grid, o.trim, options);
            else
                tiles = imaging::LoadImage(input, options);
        } catch (const QuilletError& e) {
            throw WorkError{input + ": " + e.what()};
        }
        if (sprite)
            document::adoptOpenedFrames(tiles, palette);
        else
            document::adoptImportedFrames(tiles, palette);
        if (document.size() + tiles.size() > static_cast<std::size_t>(limits::kMaxFrames))
            throw WorkError{input + ": the document would exceed " +
                            std::to_string(limits::kMaxFrames) + " frames"};
        for (auto& frame : tiles) {
            // Trimmed sheet cells carry their own offsets; --offset moves them all.
            if (o.offset) {
                frame->set_X_offset(frame->get_X_offset() + o.offset->first);
                frame->set_Y_offset(frame->get_Y_offset() + o.offset->second);
            }
            document.push_back(std::move(frame));
        }
        progress(static_cast<int>(i), static_cast<int>(o.positional.size() - 1));
    }
    // Only a lone sprite input lends the output its directions.
    if (o.directions)
        directions = *o.directions;
    else if (o.positional.size() != 2 || !isDC6File(o.positional[1]))
        directions = 1;
    if (document.size() % static_cast<std::size_t>(directions) != 0)
        throw UsageError{std::to_string(document.size()) + " frames do not divide into " +
                         std::to_string(directions) + " directions"};
    try {
        DC6FileIO().SaveDC6(out, document, o.transform ? 1 : 0, {}, directions);
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    return kOk;
}

// A one-file export keeps the name given when it already ends in the extension.
std::string singleFileName(const std::string& name, const std::string& extension) {
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    if (name.size() > extension.size() &&
        lower(name.substr(name.size() - extension.size())) == extension)
        return name;
    return name + extension;
}

int exportSheet(const FrameList& frames, std::int16_t transform, const Palette& palette,
                const Options& o) {
    const std::string out = singleFileName(o.positional[1], ".png");
    imaging::SheetLayout layout;
    try {
        layout = imaging::exportSheet(frames, transform, palette, *o.sheetColumns,
                                      QString::fromStdString(out));
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    // What a later import needs to cut the sheet the same way.
    const auto plural = [](long long n) { return n == 1 ? "" : "s"; };
    std::printf("%s: %zu frame%s in %d column%s x %d row%s of %dx%d-pixel cells, anchor at %d,%d "
                "in each cell\n",
                out.c_str(), frames.size(), plural(static_cast<long long>(frames.size())),
                layout.columns, plural(layout.columns), layout.rows, plural(layout.rows),
                layout.cell.width(), layout.cell.height(), layout.anchor.x(), layout.anchor.y());
    return kOk;
}

int exportGif(const FrameList& frames, std::int16_t transform, const Palette& palette,
              const Options& o) {
    const std::string out = singleFileName(o.positional[1], ".gif");
    try {
        imaging::exportGif(frames, transform, palette,
                           o.framesPerSecond.value_or(imaging::kDefaultFramesPerSecond),
                           QString::fromStdString(out));
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    return kOk;
}

int exportFrames(const Options& o) {
    if (o.positional.size() != 2)
        throw UsageError{"export takes a DC6 file and a base name"};
    if (o.sheetColumns && o.gif)
        throw UsageError{"--sheet and --gif each write one file; give only one of them"};
    if (o.format && (o.sheetColumns || o.gif))
        throw UsageError{"--format chooses the per-frame files; a sheet is a PNG, --gif a GIF"};
    if (o.framesPerSecond && !o.gif)
        throw UsageError{"--fps goes with --gif"};
    const FrameList frames = loadDocument(o.positional[0]);
    const Palette palette = documentPalette(o);
    for (const auto& frame : frames) {
        frame->seOriginalPalette(palette);
        frame->setNewPalette(palette);
    }
    const std::int16_t transform = o.transform ? 1 : 0;
    if (o.sheetColumns)
        return exportSheet(frames, transform, palette, o);
    if (o.gif)
        return exportGif(frames, transform, palette, o);

    const imaging::ExportFormat format = o.format.value_or(imaging::ExportFormat::Bmp);
    Progress progress(format == imaging::ExportFormat::Png ? "writing PNGs" : "writing bitmaps");
    const imaging::ExportReport report =
        imaging::exportFrames(frames, transform, QString::fromStdString(o.positional[1]), format,
                              [&progress](int done, int total) {
                                  progress(done, total);
                                  return true;
                              });
    if (report.failed > 0)
        throw WorkError{
            std::to_string(report.failed) + " of " + std::to_string(frames.size()) +
            " frames could not be written; first: " + report.firstFailure.toStdString()};
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // image format plugins are found through it
    try {
        if (argc < 2)
            throw UsageError{"no command given"};
        const std::string command = argv[1];
        if (command == "--help" || command == "-h") {
            std::fputs(kUsage, stdout);
            return kOk;
        }
        if (command == "--version") {
            std::printf("quillet-cli %d.%d.%d\n", version::major, version::minor,
                        version::revision);
            return kOk;
        }
        if (command == "info")
            return info(parseOptions(argc, argv, 2, false, false, true));
        if (command == "build")
            return build(parseOptions(argc, argv, 2, true, true, false));
        if (command == "export")
            return exportFrames(parseOptions(argc, argv, 2, true, false, false, true));
        throw UsageError{"unknown command " + command};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillet-cli: %s\n%s", e.message.c_str(), kUsage);
        return kBadUsage;
    } catch (const WorkError& e) {
        std::fprintf(stderr, "quillet-cli: %s\n", e.message.c_str());
        return kWorkFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillet-cli: %s\n", e.what());
        return kWorkFailed;
    }
}
