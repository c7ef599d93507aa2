#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace quillet::editor {

// The text of an offset box as a signed 16-bit number: blanks around it
// ignored, a fraction rounded to the nearest whole number with halves going
// to the even neighbour. Anything else (empty, a lone sign, letters, a value
// outside -32768..32767) gives no number, so the frame keeps its offset.
std::optional<std::int16_t> offsetFromText(const QString& text);

} // namespace quillet::editor
