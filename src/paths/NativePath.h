#pragma once

#include <QString>
#include <string>

namespace quillet {

// The bytes the file system knows `path` by, as the sprite and palette layers'
// file functions take them: Qt's encoding of file names, so that a name Qt
// listed or a dialog returned reaches the same file.
std::string nativePath(const QString& path);

// A name as the file system gave it (a command line's argument, a name the
// standard library listed), as text for messages and the document's name. Not
// every byte string is text: a name that is not comes back through this only
// approximately, so whoever opens or writes the file keeps its bytes as well.
QString pathFromNative(const std::string& path);

} // namespace quillet
