// quillet-cli: the editor's file work for scripts and build pipelines. The
// work itself is done by the same library calls the editor's commands make;
// a subcommand is a row of this table and a function in a file of its own.
#include "CommandLine.h"
#include "Commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <quillet/Version.h>

namespace {

using namespace quillet::cli;
using enum OptionId;

const Command kCommands[] = {
    {"info",
     "List a sprite's frames: direction, size, offsets and stream length.",
     "Lists the frames of a DC6 file with their direction, size, offsets and the stream length "
     "each frame header gives; with --usage, where each palette index is used instead.",
     {{"FILE.dc6", "The sprite."}},
     {Json, Usage, Palette},
     "info takes exactly one DC6 file",
     info},
    {"build",
     "Make a DC6 file from pictures and sprites, as Add Frame and Save do.",
     "Makes a DC6 file from pictures and sprites, as the editor's Add Frame and Save do. "
     "Pictures are BMP, GIF, PNG or JPEG; a .dc6 input adds all its frames, and a .json input "
     "the frames of the sprite sheet it describes (its picture named by meta.image, the anchor "
     "where its \"anchor\" slice puts it, else at the bottom centre of each cell). A lone .dc6 "
     "or .json input keeps its directions unless --directions says otherwise.",
     {{"OUT.dc6", "The file to write."},
      {"INPUT...", "Pictures, .dc6 files and sprite sheet data (.json), in order."}},
     {Palette, NoTransform, Dither, Protect, Offset, Directions, Grid, Trim},
     "build needs an output file and at least one input",
     build},
    {"export",
     "Write a sprite's frames as BMP or PNG files, a sprite sheet or an animated GIF.",
     "Writes the frames of a DC6 file in the colours the editor shows: one file per frame by "
     "default, or one sprite sheet (--sheet or --sheet-by-direction, with --data its data "
     "beside it as BASE.json) or animated GIF (--gif) named BASE, given the ending .png or "
     ".gif when it lacks it.",
     {{"FILE.dc6", "The sprite."}, {"BASE", "Where to write, and the name to number."}},
     {Palette, NoTransform, Format, Sheet, SheetByDirection, SheetTrim, Data, DataFormat, Gif, Fps},
     "export takes a DC6 file and a base name",
     exportFrames},
    {"edit",
     "Change frames of a sprite: offsets, flips, a palette index or the canvas, as the editor's "
     "commands do.",
     "Changes the chosen frames of a DC6 file as the editor's Offsets..., Flip Horizontal, Flip "
     "Vertical, Replace Colour..., Remap Colours..., Canvas Size... and Trim Transparent Borders "
     "do, one change per call, and writes the file as Save writes it: directions kept, indices "
     "never remapped, the other frames unchanged. The file is replaced only once the whole "
     "result is ready.",
     {{"FILE.dc6", "The sprite."}},
     {Frames, SetOffset, ShiftOffset, Flip, ReplaceIndex, Remap, Canvas, TrimFrames, Output},
     "edit takes exactly one DC6 file",
     edit},
};

const Command* findCommand(const QString& name) {
    for (const Command& command : kCommands)
        if (name == QLatin1String(command.name))
            return &command;
    throw UsageError{"unknown command " + name.toStdString()};
}

void print(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // image format plugins are found through it
    QCoreApplication::setApplicationName(QStringLiteral("quillet-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(quillet::version::major)
                                                .arg(quillet::version::minor)
                                                .arg(quillet::version::revision));
    keepRawArguments(argc, argv);
    const QStringList words = QCoreApplication::arguments().mid(1);
    const Command* command = nullptr;
    try {
        if (words.isEmpty() || words[0].startsWith(QLatin1Char('-'))) {
            if (readOverview(words, kCommands) == Overview::Version)
                print(QCoreApplication::applicationName() + QLatin1Char(' ') +
                      QCoreApplication::applicationVersion() + QLatin1Char('\n'));
            else
                print(helpText(nullptr, kCommands));
            return kOk;
        }
        command = findCommand(words[0]);
        const std::optional<Options> options = readCommandLine(*command, words.mid(1));
        if (!options) {
            print(helpText(command, kCommands));
            return kOk;
        }
        return command->run(*options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillet-cli: %s\n%s", e.message.c_str(),
                     helpText(command, kCommands).toUtf8().constData());
        return kBadUsage;
    } catch (const WorkError& e) {
        std::fprintf(stderr, "quillet-cli: %s\n", e.message.c_str());
        return kWorkFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillet-cli: %s\n", e.what());
        return kWorkFailed;
    }
}
