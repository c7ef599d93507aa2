#pragma once

#include "IndexedRows.h"
#include "sprite/Palette.h"

namespace quillet::imaging {

// The picture as an 8-bit palette PNG: the whole palette as its colour table,
// index 0 fully transparent (a one-entry tRNS chunk), every other entry opaque.
// Throws QuilletError for an empty or short picture or a failing encoder.
Bytes encodeIndexedPng(const IndexedRows& picture, const Palette& palette);

} // namespace quillet::imaging
