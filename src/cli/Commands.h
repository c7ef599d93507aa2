#pragma once

// The subcommands of quillet-cli and what they share. Each does its work
// through the same library calls as the editor's command of the same job.

#include "CommandLine.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Palette.h"

#include <cstddef>
#include <string>

namespace quillet::cli {

int info(const Options& o);
int build(const Options& o);
int exportFrames(const Options& o);
int edit(const Options& o);

// The editor's palette at start-up, or the one a user would pick with "Select palette...".
Palette documentPalette(const Options& o);

// A sprite's frames and what its headers say; a failure names the file.
FrameList loadSprite(const std::string& path, DC6Headers& headers);

// Ends with `extension` (".dc6"), in any case.
bool hasExtension(const std::string& name, const std::string& extension);

inline const char* plural(long long count) {
    return count == 1 ? "" : "s";
}

// "verb done/total" on stderr while it is a terminal.
class Progress {
public:
    explicit Progress(const char* verb);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void operator()(int done, int total);

private:
    const char* m_verb;
    bool m_shown;
    bool m_printed = false;
};

} // namespace quillet::cli
