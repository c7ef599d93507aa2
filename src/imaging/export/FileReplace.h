#pragma once

#include "sprite/Bytes.h"

#include <QString>

namespace quillet::imaging {

// Replaces `path` with `bytes` through a temporary file in the same folder
// renamed over it, so a failure leaves neither a half file nor a temporary.
// Every picture writer ends here. Throws QuilletError with the reason; the
// caller names the file.
void replaceFile(const QString& path, ByteView bytes);

} // namespace quillet::imaging
