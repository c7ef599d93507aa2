#include "SaveDocument.h"

#include "Document.h"
#include "OriginalFile.h"
#include "paths/NativePath.h"

namespace quillet::document {

QString saveDocument(Document& doc, const QString& path, const SaveOptions& options) {
    const std::string native = options.nativePath.empty() ? nativePath(path) : options.nativePath;
    QString kept;
    if (options.keepOriginal)
        kept = keepOriginal(native, &doc.knownFile());
    DC6FileIO().SaveDC6(native, doc.frames(), options.transform ? 1 : 0, options.progress,
                        doc.directions());
    if (options.markSaved)
        doc.markSaved(path);
    return kept;
}

} // namespace quillet::document
