#include "OriginalFile.h"

#include "paths/NativePath.h"
#include "sprite/DC6FileIO.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"

#include <QFileInfo>
#include <filesystem>

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

QString keepOriginal(const std::string& native, const KnownFile* known) {
    // Asked by the bytes of the name: a name that is no text in the local
    // encoding would otherwise look like a file that is not there.
    const std::string backup = native + ".bak";
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(native, ignored) ||
        std::filesystem::exists(std::filesystem::symlink_status(backup, ignored)) ||
        (known && known->matches(pathFromNative(native))))
        return {};

    const auto fail = [&](const QuilletError& e) {
        return QuilletError("cannot keep the original as " +
                            std::filesystem::path(backup).filename().string() + ": " + e.what());
    };
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
        if (!createFileSafely(backup, original, native))
            return {};
    } catch (const QuilletError& e) {
        throw fail(e);
    }
    return pathFromNative(backup);
}

} // namespace quillet::document
