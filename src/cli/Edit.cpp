#include "Commands.h"
#include "document/Document.h"
#include "document/SaveDocument.h"
#include "paths/NativePath.h"
#include "sprite/Error.h"

#include <algorithm>

namespace quillet::cli {

namespace {

// The numbers the ranges name, ascending and each once; all frames without any.
std::vector<int> chosenFrames(const Options& o, int count) {
    std::vector<int> numbers;
    for (const auto& [first, last] : o.frameRanges) {
        if (last > count)
            throw UsageError{"--frames names frame " + std::to_string(last) +
                             ", but the file has " + std::to_string(count) + " frame" +
                             plural(count)};
        for (int number = first; number <= last; ++number)
            numbers.push_back(number);
    }
    if (o.frameRanges.empty())
        for (int number = 1; number <= count; ++number)
            numbers.push_back(number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace

// The document's own edit, so a frame comes out as the editor's command would
// leave it; the file is written as Save writes it, with the stored indices as
// they are.
int edit(const Options& o) {
    if (o.edits.size() != 1)
        throw UsageError{"edit takes exactly one of --set-offset, --shift-offset, --flip, "
                         "--replace-index, --remap, --canvas and --trim"};
    const std::string& path = o.positional[0];
    DC6Headers headers;
    FrameList frames = loadSprite(path, headers);
    const std::vector<int> numbers = chosenFrames(o, static_cast<int>(frames.size()));

    document::Document doc;
    doc.replace(std::move(frames), QString(), headers.directions);
    try {
        doc.editFrames(numbers, o.edits.front(), QString());
    } catch (const QuilletError& e) {
        throw WorkError{path + ": " + e.what()};
    }
    const std::string& out = o.output ? *o.output : path;
    try {
        // Rewritten in place, a file from elsewhere is kept as it was, as the
        // editor's first save over it keeps it.
        document::saveDocument(
            doc, pathFromNative(out),
            {.keepOriginal = !o.output, .transform = false, .markSaved = false, .nativePath = out});
    } catch (const QuilletError& e) {
        throw WorkError{out + ": " + e.what()};
    }
    return kOk;
}

} // namespace quillet::cli
