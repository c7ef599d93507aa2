#pragma once

#include "DecodeTools.h"

namespace quillet::imaging::detail {

// Through Qt's readers (BMP and JPEG), checked against the limits before
// decoding. Qt decodes into `target` when it has the right size and format
// instead of allocating, which keeps pixels that the file never sets at 0.
QImage readWithQt(ByteView data, const char* format, const ImportLimits& limits, bool compressed,
                  QImage target = {});

} // namespace quillet::imaging::detail
