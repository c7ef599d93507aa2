#include "FileReplace.h"

#include "paths/NativePath.h"
#include "sprite/Error.h"
#include "sprite/SafeFile.h"

#include <string_view>

namespace quillet::imaging {

void replaceFile(const QString& path, ByteView bytes) {
    if (path.isEmpty())
        throw QuilletError("no file name given");
    const std::string target = nativePath(path);
    try {
        writeFileSafely(target, bytes);
    } catch (const QuilletError& e) {
        // The file writer may lead its message with the path; callers add it once.
        std::string_view message = e.what();
        const std::string prefix = target + ": ";
        if (message.starts_with(prefix))
            message.remove_prefix(prefix.size());
        throw QuilletError(std::string(message));
    }
}

} // namespace quillet::imaging
