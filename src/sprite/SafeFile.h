#pragma once

#include "Bytes.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace quillet {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The reason behind an errno value, for messages; "unknown error" for 0.
std::string errnoText(int error);

// The readers and writers below leave the path out of their messages: the
// caller that shows the message names the file once.

// Reads a whole file; throws QuilletError with the reason, also when the file
// holds more than `maxBytes` bytes.
Bytes readWholeFile(const std::string& path, std::uint64_t maxBytes = UINT64_MAX);

// Replaces `path` with `data` so that a failure at any point leaves the old
// file untouched: write a temporary in the same folder, flush, rename over.
// On failure the temporary is removed and QuilletError is thrown.
void writeFileSafely(const std::string& path, ByteView data);

// The same for a file that must not replace anything: when `path` exists it
// stays as it is and false is returned. Keeps backups that are never
// overwritten, with the access rights of the file `rightsOf` when given, so a
// copy of a private file stays private.
bool createFileSafely(const std::string& path, ByteView data, const std::string& rightsOf = {});

// Test hook: when set, asked before each write with the bytes already
// written and the bytes about to be written; it returns how many of them may
// be written. Fewer than asked makes the write fail after that many bytes.
using WriteFaultHook = std::function<std::size_t(std::size_t written, std::size_t wanted)>;
void setWriteFaultHook(WriteFaultHook hook);

} // namespace quillet
