#include "OffsetText.h"

namespace quillet::editor {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<std::int16_t> offsetFromText(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }

    // Whole part, kept small: anything past six digits is out of range anyway,
    // but leading zeros must not count towards that.
    std::int64_t whole = 0;
    bool anyDigit = false;
    for (; i < t.size() && isDigit(t[i]); ++i) {
        anyDigit = true;
        if (whole < 1000000)
            whole = whole * 10 + (t[i].unicode() - u'0');
    }

    // Fraction, compared exactly against one half so that 2.5000000001 rounds
    // up and 2.5 goes to 2; a binary double would blur exactly that boundary.
    enum class Half { Below, Exact, Above } fraction = Half::Below;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        const qsizetype first = i;
        for (; i < t.size() && isDigit(t[i]); ++i) {
            anyDigit = true;
            if (i == first) {
                const int d = t[i].unicode() - u'0';
                fraction = d > 5 ? Half::Above : d == 5 ? Half::Exact : Half::Below;
            } else if (fraction == Half::Exact && t[i] != u'0') {
                fraction = Half::Above;
            }
        }
    }
    if (!anyDigit || i != t.size())
        return std::nullopt;

    if (fraction == Half::Above || (fraction == Half::Exact && whole % 2 != 0))
        ++whole;
    const std::int64_t value = negative ? -whole : whole;
    if (value < INT16_MIN || value > INT16_MAX)
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

} // namespace quillet::editor
