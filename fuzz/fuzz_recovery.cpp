// Recovery copies from memory: a copy left by a crash may be cut short or
// damaged in any way. Whatever the reader accepts must be written back byte
// for byte; everything else is refused with QuilletError.
#include "document/RecoveryFile.h"
#include "sprite/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillet;
    document::RecoveryCopy copy;
    try {
        copy = document::decodeRecoveryCopy({data, size});
    } catch (const QuilletError&) {
        return 0;
    }
    if (document::encodeRecoveryCopy(copy.document, copy.kept) != Bytes(data, data + size))
        std::abort();
    return 0;
}
