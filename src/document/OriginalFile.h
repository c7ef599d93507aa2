#pragma once

#include <QDateTime>
#include <QString>
#include <string>

namespace quillet::document {

// The file a document was last saved to: a later save over it can then tell,
// without reading it again, that this program wrote it. Size and time tell
// whether someone else has written it since.
struct KnownFile {
    QString path;
    qint64 size = -1;
    QDateTime modified;

    static KnownFile describe(const QString& path);
    // Still the file at `path`, as it was when described.
    bool matches(const QString& path) const;
};

// Called before a save replaces the file the file system knows by `native`. A .dc6 file that this
// program did not write (other header words, another run coding, not a DC6 file at all) is
// rewritten in our layout by the save, so the first save keeps it as it was
// beside it, as `path`.bak; an existing .bak is never replaced, so the
// original survives any number of saves. `known` spares reading the file when
// it still describes it; any other file is read and coded once more to tell. Returns the backup's
// path when one was made; throws QuilletError when it could not be made, and the save must not go
// on.
QString keepOriginal(const std::string& native, const KnownFile* known = nullptr);

} // namespace quillet::document
