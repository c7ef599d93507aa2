#include "SafeFile.h"

#include "Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#if __has_include(<unistd.h>)
#include <fcntl.h>
#include <unistd.h>
#define QUILLET_HAVE_FSYNC 1
#endif

namespace quillet {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

WriteFaultHook& faultHook() {
    static WriteFaultHook hook;
    return hook;
}

std::string reason(int error) {
    return error != 0 ? std::generic_category().message(error) : "unknown error";
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Creates a file that did not exist before, so a concurrent writer's
// temporary is never reused.
FilePtr createTemporary(const fs::path& folder, const fs::path& name, fs::path& temp) {
    std::random_device random;
    int error = 0;
    for (int attempt = 0; attempt < 64; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        std::string hidden(".");
        hidden.append(name.string()).append(suffix);
        temp = folder / hidden;
        errno = 0;
        if (FilePtr file{std::fopen(temp.c_str(), "wbx")})
            return file;
        error = errno;
        if (error != EEXIST)
            break;
    }
    throw QuilletError("cannot create a temporary file in \"" + folder.string() +
                       "\": " + reason(error));
}

void syncFolder([[maybe_unused]] const fs::path& folder) {
#ifdef QUILLET_HAVE_FSYNC
    // Makes the rename itself survive a power cut; failure here is harmless.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

} // namespace

void setWriteFaultHook(WriteFaultHook hook) {
    faultHook() = std::move(hook);
}

Bytes readWholeFile(const std::string& path, std::uint64_t maxBytes) {
    const auto tooLarge = [&](std::uint64_t size) {
        return QuilletError("file of " + std::to_string(size) + " bytes exceeds the limit of " +
                            std::to_string(maxBytes) + " bytes");
    };
    errno = 0;
    FilePtr file{std::fopen(path.c_str(), "rb")};
    if (!file)
        throw QuilletError("cannot open for reading: " + reason(errno));

    Bytes data;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec) {
        if (size > maxBytes)
            throw tooLarge(size);
        // Straight into place in one read for the common case of a regular file.
        data.resize(static_cast<std::size_t>(size));
        data.resize(std::fread(data.data(), 1, data.size(), file.get()));
    }
    // Then read on to the end rather than trust the size: the file may have
    // grown or be no regular file.
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (data.size() + got > maxBytes)
            throw tooLarge(data.size() + got);
        data.insert(data.end(), buffer, buffer + got);
        if (got < sizeof buffer)
            break;
    }
    if (std::ferror(file.get()))
        throw QuilletError("read error: " + reason(errno));
    return data;
}

void writeFileSafely(const std::string& path, ByteView data) {
    fs::path target(path);
    std::error_code ec;
    // Replace the file a link points to and keep the link.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = std::move(resolved);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    fs::path temp;
    FilePtr file;
    try {
        file = createTemporary(folder, target.filename(), temp);
    } catch (const QuilletError& e) {
        throw QuilletError(path + ": " + e.what());
    }
    const auto fail = [&](const std::string& why, int error) {
        file.reset();
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw QuilletError(path + ": " + why + ": " + reason(error));
    };

    std::size_t written = 0;
    while (written < data.size()) {
        const std::size_t wanted = std::min(kChunkBytes, data.size() - written);
        const std::size_t chunk =
            faultHook() ? std::min(wanted, faultHook()(written, wanted)) : wanted;
        errno = 0;
        if (std::fwrite(data.data() + written, 1, chunk, file.get()) != chunk)
            fail("write failed after " + std::to_string(written) + " bytes", errno);
        written += chunk;
        if (chunk < wanted)
            fail("write failed after " + std::to_string(written) + " bytes", EIO);
    }
    errno = 0;
    if (std::fflush(file.get()) != 0)
        fail("write failed", errno);
#ifdef QUILLET_HAVE_FSYNC
    if (::fsync(::fileno(file.get())) != 0)
        fail("write failed", errno);
#endif
    errno = 0;
    if (std::fclose(file.release()) != 0)
        fail("write failed", errno);

    // The replacement keeps the access rights of the file it replaces.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old))
        fs::permissions(temp, old.permissions(), ec);

    fs::rename(temp, target, ec);
    if (ec)
        fail("cannot replace the file", ec.value());
    syncFolder(folder);
}

} // namespace quillet
