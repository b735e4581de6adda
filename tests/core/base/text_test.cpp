// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/text.h"
#include "base/utf8.h"

using Lines = std::vector<std::string_view>;

TEST(Lines, SplitsAtEveryBreakAndDropsEmptyLinesAndTrimming) {
    EXPECT_EQ(Text::lines("a\nb\r\nc\rd\ve\ff"), (Lines{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(Text::lines("a\u0085b\u2028c\u2029d"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(Text::lines("\n\n\r\na\n\n"), (Lines{"a"}));
    // Lead bytes of other characters are not breaks.
    EXPECT_EQ(Text::lines("\xC2\xA0x\xE2\x80\x94y"), (Lines{"\xC2\xA0x\xE2\x80\x94y"}));
    EXPECT_TRUE(Text::lines("").empty());
    // Trimming drops blanks and line breaks at both ends only.
    EXPECT_EQ(Text::trimmed(" \t ips=3 domains=12\r\n"), "ips=3 domains=12");
    EXPECT_EQ(Text::trimmed(" \n\r\f\v "), "");
}

TEST(ParseDecimal, AcceptsOnlyASignAndDigitsThatFit) {
    EXPECT_EQ(Text::parseDecimal<int32_t>("+42"), 42);
    EXPECT_EQ(Text::parseDecimal<int64_t>("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1a", "0x10", "+-1", "--1", "2147483648"})
        EXPECT_EQ(Text::parseDecimal<int32_t>(bad), std::nullopt) << bad;
    EXPECT_EQ(Text::parseDecimal<int64_t>("9223372036854775808"), std::nullopt);
}

TEST(DecodeLossy, ReplacesEachInvalidSequence) {
    EXPECT_EQ(Utf8::decodeLossy("f\xFFg"), "f\xEF\xBF\xBDg");
    EXPECT_EQ(Utf8::decodeLossy("Сверка"), "Сверка");
    // A truncated sequence is one replacement; an overlong form and a surrogate are invalid.
    EXPECT_EQ(Utf8::decodeLossy("a\xE2\x80"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Utf8::decodeLossy("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf8::decodeLossy("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf8::decodeLossy("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8::decodeLossy(std::string_view("\0x", 2)), std::string("\0x", 2));
}

// Columns count characters: two-byte Cyrillic and the three-byte ellipsis are one each.
TEST(Utf8Padded, FillsToAWidthInCharacters) {
    EXPECT_EQ(Utf8::padded("Сверка", 8), "Сверка  ");
    EXPECT_EQ(Utf8::padded("…", 3), "…  ");
    EXPECT_EQ(Utf8::padded("longer", 3), "longer");
}

TEST(EscapedForTerminal, ControlAndBidiCharactersBecomeHexOthersStay) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"Firefox", "Firefox"},
        {"a\nb\tc\x7f", "a\\x0ab\\x09c\\x7f"},
        {"\x1b]0;title\x07", "\\x1b]0;title\\x07"},
        // U+202E right-to-left override and U+2066 isolate; U+2014 and Cyrillic stay.
        {"x\u202Eexe.txt\u2066", "x\\xe2\\x80\\xaeexe.txt\\xe2\\x81\\xa6"},
        {"a\u2014Ж", "a\u2014Ж"},
        {std::string("a\0b", 3), "a\\x00b"}};
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(Text::escapedForTerminal(text), escaped) << text;
    EXPECT_TRUE(Text::hasControl("/bin/a\nb"));
    EXPECT_FALSE(Text::hasControl("/bin/a b"));
}
