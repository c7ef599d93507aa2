#include "editor/OffsetText.h"

#include <gtest/gtest.h>
#include <vector>

namespace quillet::editor {
namespace {

TEST(OffsetText, ConvertsTo16BitWithHalvesToEven) {
    struct Case {
        const char* text;
        std::optional<std::int16_t> expected;
    };
    const std::vector<Case> cases = {
        {"0", 0},
        {"-7", -7},
        {"+5", 5},
        {"  42\t", 42},
        {"32767", 32767},
        {"-32768", -32768},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"2.50000000001", 3},
        {".5", 0},
        {"1.", 1},
        {"32767.4", 32767},
        {"-32768.5", -32768},
        // Not a 16-bit number: no value, so the offset stays as it was.
        {"", std::nullopt},
        {"-", std::nullopt},
        {"abc", std::nullopt},
        {"1 2", std::nullopt},
        {"1e3", std::nullopt},
        {"32768", std::nullopt},
        {"-32769", std::nullopt},
        {"32767.5", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"0000000000000000000012", 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(offsetFromText(QString::fromLatin1(c.text)), c.expected) << '"' << c.text << '"';
}

} // namespace
} // namespace quillet::editor
