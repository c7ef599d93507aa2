#pragma once

#include "sprite/DC6FileIO.h"

#include <QString>
#include <string>

namespace quillet::document {

class Document;

struct SaveOptions {
    // Keep a file this program did not write as NAME.bak first (see keepOriginal).
    bool keepOriginal = true;
    // The Transform palette flag: each frame's indices are written mapped
    // from its original palette to its new one.
    bool transform = true;
    // Name the document after the file and make its state the saved one.
    bool markSaved = true;
    // Hears of every frame written.
    SaveProgress progress = {};
    // The bytes the file system knows `path` by, where the caller has them as
    // they were given (a command line's, which need not be text at all);
    // empty: `path` in the local encoding.
    std::string nativePath = {};
};

// The one way a document becomes a DC6 file, for the editor's Save and
// `quillet-cli edit` alike: the original kept when asked, then the frames in
// the document's directions written through a safe file, which replaces
// `path` only once the last frame is written. Returns the path of the kept
// original when one was made. Throws QuilletError, without the path, when
// the original cannot be kept (nothing is written then) or the file cannot
// be written (the document is not marked then).
QString saveDocument(Document& doc, const QString& path, const SaveOptions& options = {});

} // namespace quillet::document
