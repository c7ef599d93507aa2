#pragma once

#include "Bytes.h"
#include "DC6Frame.h"

#include <functional>
#include <string>

namespace quillet {

// Called after each frame is coded during a save: (frames done, total).
using SaveProgress = std::function<void(int, int)>;

// Reads and writes whole DC6 files. Stateless; the file layer sits at the
// edge (one read, one safe write), the work is memory to memory.
class DC6FileIO {
public:
    FrameList LoadDC6(const std::string& FileName) const;
    void SaveDC6(const std::string& FileName, const FrameList& DC6, std::int16_t palTransform,
                 const SaveProgress& progress = {}) const;

    // The same work without the file system, for tests, fuzzing and the CLI.
    static FrameList decodeDC6(ByteView file);
    static Bytes encodeDC6(const FrameList& DC6, std::int16_t palTransform,
                           const SaveProgress& progress = {});
};

} // namespace quillet
