// Laying out a vendor's licence text: what is taken as written, what is tidied (byte order mark, CR LF,
// tabs, trailing blank lines, the last line feed), where long lines break, and every character refused
// with its line and column.
#include <gtest/gtest.h>

#include "builder/pack/license_layout.h"
#include "builder/util/error.h"

namespace {

using namespace std::string_literals;

using builder::lay_out_license;

std::string refusal(const std::string& text) {
    try {
        lay_out_license(text, "L");
    } catch (const builder::error& e) {
        return e.what();
    }
    return "accepted";
}

TEST(LicenseLayout, TextIsTakenAsWrittenButForLineEndsTabsAndTrailingBlankLines) {
    EXPECT_EQ(lay_out_license("\xEF\xBB\xBFone\r\n\r\n  two  \n", "L"), "one\n\n  two  \n");
    EXPECT_EQ(lay_out_license("no final feed\r", "L"), "no final feed\n");
    EXPECT_EQ(lay_out_license("\n\nlead kept\n\n \t\n\n", "L"), "\n\nlead kept\n");
    EXPECT_EQ(lay_out_license("a\tb\t\tc\n1234567\tx\n12345678\tx\n", "L"),
              "a       b               c\n1234567 x\n12345678        x\n");
}

TEST(LicenseLayout, LongLinesBreakAtTheLastBlankThatFitsAndLongWordsKeepTheirOwnLine) {
    const std::string w79(79, 'w');
    // Exactly 79 columns stays whole, counted in characters, not bytes.
    EXPECT_EQ(lay_out_license(w79 + "\n", "L"), w79 + "\n");
    std::string accented;
    for (int i = 0; i < 79; ++i) accented += "\xC2\xA9";
    EXPECT_EQ(lay_out_license(accented, "L"), accented + "\n");
    // The blanks at a break vanish; the break takes the last blank that leaves at most 79 columns.
    EXPECT_EQ(lay_out_license(w79 + "   x y\n", "L"), w79 + "\nx y\n");
    EXPECT_EQ(lay_out_license("ab " + std::string(76, 'c') + " d\n", "L"),
              "ab " + std::string(76, 'c') + "\nd\n");
    EXPECT_EQ(lay_out_license("ab " + std::string(77, 'c') + " d\n", "L"),
              "ab\n" + std::string(77, 'c') + " d\n");
    // A word longer than 79 columns, with indentation before it, then text after it.
    const std::string url = "https://example.com/" + std::string(70, 'u');
    EXPECT_EQ(lay_out_license("  " + url + " next\n", "L"), "  " + url + "\nnext\n");
    EXPECT_EQ(lay_out_license(std::string(100, ' ') + "\nz\n", "L"), "\nz\n");
    // A wide character takes two columns and a combining mark none: 39 wide ones and a blank fit 79
    // columns, a 40th word does not; e with a combining acute is one column.
    const std::string wide = "\xE6\xBC\xA2";  // U+6F22
    std::string words;
    for (int i = 0; i < 39; ++i) words += wide;
    EXPECT_EQ(lay_out_license(words + " " + wide + "\n", "L"), words + "\n" + wide + "\n");
    EXPECT_EQ(lay_out_license(std::string(76, 'e') + "e\xCC\x81 x\n", "L"),
              std::string(76, 'e') + "e\xCC\x81 x\n");
}

TEST(LicenseLayout, UnprintableCharactersAndInvalidUtf8AreRefusedWithTheirPlace) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"ok\nbell\x07\n", "line 2 column 5: control character U+0007"},
        {"ok\rnot a line end\n", "line 1 column 3: control character U+000D"},
        {"del\x7f", "line 1 column 4: control character U+007F"},
        {"c1 \xC2\x85", "line 1 column 4: control character U+0085"},
        {"nul\0"s, "line 1 column 4: control character U+0000"},
        {"\tlatin-1 \xA9", "line 1 column 17: not UTF-8 (byte 0xA9)"},
        {"overlong \xC0\xAF", "line 1 column 10: not UTF-8 (byte 0xC0)"},
        {"surrogate \xED\xA0\x80", "line 1 column 11: not UTF-8 (byte 0xED)"},
        {"cut \xE2\x82", "line 1 column 5: not UTF-8 (byte 0xE2)"},
        {"\n \n\t\r\n", "holds no text"},
    };
    for (const auto& c : cases)
        EXPECT_NE(refusal(c.text).find(c.message), std::string::npos) << refusal(c.text);
}

}  // namespace
