#include "SaveDocument.h"

#include "Document.h"
#include "OriginalFile.h"

#include <QFile>

namespace quillet::document {

QString saveDocument(Document& doc, const QString& path, const SaveOptions& options) {
    QString kept;
    if (options.keepOriginal)
        kept = keepOriginal(path, &doc.knownFile());
    const std::string native =
        options.nativePath.empty() ? QFile::encodeName(path).toStdString() : options.nativePath;
    DC6FileIO().SaveDC6(native, doc.frames(), options.transform ? 1 : 0, options.progress,
                        doc.directions());
    if (options.markSaved)
        doc.markSaved(path);
    return kept;
}

} // namespace quillet::document
