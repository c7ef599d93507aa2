#pragma once

#include "document/Document.h"
#include "sprite/Bytes.h"

#include <QDateTime>

namespace quillet::document {

// One recovery copy as read back: the document and when it was kept.
struct RecoveryCopy {
    DocumentSnapshot document;
    QDateTime kept;
};

// The copy's bytes, in a layout of our own (see RecoveryFile.cpp). Throws
// QuilletError for a frame without pixels or a document beyond the limits.
Bytes encodeRecoveryCopy(const DocumentSnapshot& document, const QDateTime& kept);

// Throws QuilletError for anything damaged, cut short or from another format
// version, before allocating more than the input could hold.
RecoveryCopy decodeRecoveryCopy(ByteView bytes);

} // namespace quillet::document
