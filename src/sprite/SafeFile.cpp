#include "SafeFile.h"

#include "Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#elif __has_include(<unistd.h>)
#include <fcntl.h>
#include <unistd.h>
#define QUILLET_HAVE_FSYNC 1
#define QUILLET_HAVE_LINK 1
#endif

namespace quillet {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

WriteFaultHook& faultHook() {
    static WriteFaultHook hook;
    return hook;
}

#ifdef _WIN32
// The C library of Windows knows no "x" mode; the descriptor calls create
// exclusively, with the wide name the path holds.
std::FILE* openNew(const fs::path& path) {
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE) != 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file)
        _close(fd);
    return file;
}

int flushToDisk(std::FILE* file) {
    return _commit(_fileno(file));
}
#else
std::FILE* openNew(const fs::path& path) {
    return std::fopen(path.c_str(), "wbx");
}

int flushToDisk([[maybe_unused]] std::FILE* file) {
#ifdef QUILLET_HAVE_FSYNC
    return ::fsync(::fileno(file));
#else
    return 0;
#endif
}
#endif

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
        if (FilePtr file{openNew(temp)})
            return file;
        error = errno;
        if (error != EEXIST)
            break;
    }
    throw QuilletError("cannot create a temporary file in its folder: " + errnoText(error));
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

std::string errnoText(int error) {
    return error != 0 ? std::generic_category().message(error) : "unknown error";
}

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
        throw QuilletError("cannot open for reading: " + errnoText(errno));

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
        throw QuilletError("read error: " + errnoText(errno));
    return data;
}

namespace {

// Puts the finished temporary in place without ever replacing a file that is
// there: a hard link fails when the name exists, and Windows' rename never
// replaces. A folder that knows no hard links falls back to look, then rename.
bool linkWithoutReplacing(const fs::path& temp, const fs::path& target, std::error_code& ec) {
#ifdef QUILLET_HAVE_LINK
    if (::link(temp.c_str(), target.c_str()) == 0) {
        fs::remove(temp, ec);
        ec.clear();
        return true;
    }
    if (errno == EEXIST)
        return false;
#endif
    if (fs::exists(target, ec))
        return false;
#ifdef _WIN32
    if (_wrename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        std::error_code ignored;
        if (fs::exists(target, ignored))
            return false;
        ec.assign(error, std::generic_category());
        return false;
    }
#else
    fs::rename(temp, target, ec);
    if (ec)
        return false;
#endif
    ec.clear();
    return true;
}

// Writes `data` to a fresh temporary beside `path` and puts it in place; with
// `replace` false an existing file wins and false is returned. The new file
// takes the access rights of `rightsOf` (by default the file it replaces).
bool writeThroughTemporary(const std::string& path, ByteView data, bool replace,
                           fs::path rightsOf) {
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
    FilePtr file = createTemporary(folder, target.filename(), temp);
    const auto fail = [&](const std::string& why, int error) {
        file.reset();
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw QuilletError(why + ": " + errnoText(error));
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
    if (flushToDisk(file.get()) != 0)
        fail("write failed", errno);
    errno = 0;
    if (std::fclose(file.release()) != 0)
        fail("write failed", errno);

    // A copy keeps the access rights of its original, a replacement those of
    // the file it replaces.
    const fs::file_status old = fs::status(rightsOf.empty() ? target : rightsOf, ec);
    if (!ec && fs::exists(old))
        fs::permissions(temp, old.permissions(), ec);

    if (!replace) {
        const bool placed = linkWithoutReplacing(temp, target, ec);
        if (ec)
            fail("cannot create the file", ec.value());
        if (!placed) {
            fs::remove(temp, ec);
            return false;
        }
        syncFolder(folder);
        return true;
    }

    fs::rename(temp, target, ec);
    if (ec)
        fail("cannot replace the file", ec.value());
    syncFolder(folder);
    return true;
}

} // namespace

void writeFileSafely(const std::string& path, ByteView data) {
    writeThroughTemporary(path, data, true, {});
}

bool createFileSafely(const std::string& path, ByteView data, const std::string& rightsOf) {
    return writeThroughTemporary(path, data, false, rightsOf);
}

} // namespace quillet
