#include "Commands.h"

#include "imaging/PictureImport.h"
#include "palette/PaletteFile.h"
#include "paths/NativePath.h"
#include "sprite/Error.h"

#include <QDir>
#include <algorithm>
#include <cctype>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace quillet::cli {

Palette documentPalette(const Options& o) {
    if (!o.palette)
        return loadDefaultPalette(nativePath(QDir::currentPath()));
    try {
        return imaging::readPaletteAny(*o.palette);
    } catch (const QuilletError& e) {
        throw WorkError{*o.palette + ": " + e.what()};
    }
}

FrameList loadSprite(const std::string& path, DC6Headers& headers) {
    try {
        return DC6FileIO().LoadDC6(path, headers);
    } catch (const QuilletError& e) {
        throw WorkError{path + ": " + e.what()};
    }
}

bool hasExtension(const std::string& name, const std::string& extension) {
    const auto same = [](unsigned char a, unsigned char b) {
        return std::tolower(a) == std::tolower(b);
    };
    return name.size() >= extension.size() &&
           std::equal(extension.begin(), extension.end(), name.end() - std::ssize(extension), same);
}

Progress::Progress(const char* verb) : m_verb(verb), m_shown(isatty(2) != 0) {}

Progress::~Progress() {
    if (m_shown && m_printed)
        std::fputc('\n', stderr);
}

void Progress::operator()(int done, int total) {
    if (!m_shown)
        return;
    std::fprintf(stderr, "\r%s %d/%d", m_verb, done, total);
    m_printed = true;
}

} // namespace quillet::cli
