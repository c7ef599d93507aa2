#pragma once

#include "Bytes.h"
#include "DC6Frame.h"
#include "Progress.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// Called after each frame is coded during a save: (frames done, total).
using SaveProgress = std::function<void(int, int)>;

// What a file's headers say beyond its frames, for reports on the file as it
// is: files from elsewhere may hold a length other than the stream this
// program would write for the same frame.
struct DC6Headers {
    int directions = 1;
    // Each frame header's length field; nothing where the block ends before
    // it (the decoder needs only the first 20 bytes of a header).
    std::vector<std::optional<std::int32_t>> streamLengths;
};

// Reads and writes whole DC6 files. Stateless; the file layer sits at the
// edge (one read, one safe write), the work is memory to memory.
//
// A file holds D directions of F frames each; the frame list is all D x F
// frames in file order, direction 1 first. Loading stores D in `directions`
// when given; saving writes `directions` and refuses a frame count that it
// does not divide. Messages leave the file name to the caller.
class DC6FileIO {
public:
    // `progress` hears of every frame decoded and may cancel (WorkCancelled).
    FrameList LoadDC6(const std::string& FileName, int* directions = nullptr,
                      const WorkProgress& progress = {}) const;
    FrameList LoadDC6(const std::string& FileName, DC6Headers& headers,
                      const WorkProgress& progress = {}) const;
    void SaveDC6(const std::string& FileName, const FrameList& DC6, std::int16_t palTransform,
                 const SaveProgress& progress = {}, int directions = 1) const;

    // The same work without the file system, for tests, fuzzing and the CLI.
    // `ownLayout`, when given, learns whether the file is byte for byte what
    // SaveDC6 writes for the frames read (same directions, no transform): a
    // save over a file in any other layout keeps the original first. Coding
    // every frame again costs a save's work, so only that save asks.
    static FrameList decodeDC6(ByteView file, int* directions = nullptr,
                               const WorkProgress& progress = {}, bool* ownLayout = nullptr);
    static Bytes encodeDC6(const FrameList& DC6, std::int16_t palTransform,
                           const SaveProgress& progress = {}, int directions = 1);
};

} // namespace quillet
