#include "OriginalFile.h"

#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"

#include <QFile>
#include <QFileInfo>

namespace quillet::document {

KnownFile KnownFile::describe(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return {};
    return {info.absoluteFilePath(), info.size(), info.lastModified()};
}

bool KnownFile::matches(const QString& other) const {
    if (path.isEmpty() || other.isEmpty())
        return false;
    const QFileInfo info(other);
    return info.absoluteFilePath() == path && info.size() == size &&
           info.lastModified() == modified;
}

QString keepOriginal(const QString& path, const KnownFile* known) {
    const QString backup = path + QStringLiteral(".bak");
    if (!QFileInfo(path).isFile() || QFileInfo::exists(backup) || (known && known->matches(path)))
        return {};

    const auto fail = [&](const QuilletError& e) {
        return QuilletError("cannot keep the original as " +
                            QFileInfo(backup).fileName().toStdString() + ": " + e.what());
    };
    const std::string native = QFile::encodeName(path).toStdString();
    Bytes original;
    try {
        original = readWholeFile(native);
    } catch (const QuilletError& e) {
        throw fail(e);
    }
    // Whatever cannot be read as a DC6 file is certainly not ours.
    bool ownLayout = false;
    try {
        DC6FileIO::decodeDC6(original, nullptr, {}, &ownLayout);
    } catch (const QuilletError&) {
    }
    if (ownLayout)
        return {};
    try {
        if (!createFileSafely(QFile::encodeName(backup).toStdString(), original, native))
            return {};
    } catch (const QuilletError& e) {
        throw fail(e);
    }
    return backup;
}

} // namespace quillet::document
