// The agreement as built into the installer: its length and every layout rule, checked line by line so
// that a reworded paragraph or a generator fault cannot slip a ragged or overlong line onto the screen.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/license_text.h"
#include "support/installer_texts.h"

namespace {

namespace t = testing_support::texts;

std::vector<std::string> agreement() {
    std::vector<std::string> lines;
    for (const char* const* line = driver::license_text + 1; *line != nullptr; ++line)
        lines.emplace_back(*line);
    return lines;
}

TEST(AgreementLayout, TitleThen114LinesIn14ParagraphsThenTheEnd) {
    EXPECT_STREQ(driver::license_text[0], t::LICENSE_TITLE.c_str());
    const auto lines = agreement();
    ASSERT_EQ(lines.size(), t::LICENSE_LINES);
    std::size_t empty = 0;
    for (const auto& line : lines) empty += line.empty() ? 1 : 0;
    EXPECT_EQ(empty, 13u);
}

TEST(AgreementLayout, EveryLineIsPrintableAsciiOfAtMost74Characters) {
    for (const auto& line : agreement()) {
        EXPECT_LE(line.size(), t::LICENSE_WIDTH) << line;
        for (const char c : line) EXPECT_TRUE(c >= ' ' && c <= '~') << line;
    }
}

TEST(AgreementLayout, ParagraphsAreIndentedJustifiedAndSeparatedByOneEmptyLine) {
    const auto lines = agreement();
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(lines.front().empty());
    EXPECT_FALSE(lines.back().empty());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) {
            EXPECT_FALSE(lines[i + 1].empty()) << "two empty lines at " << i + 1;
            continue;
        }
        const bool first = i == 0 || lines[i - 1].empty();
        const bool last = i + 1 == lines.size() || lines[i + 1].empty();
        if (first) {
            EXPECT_EQ(line.substr(0, 3), "   ") << line;
            EXPECT_NE(line[3], ' ') << line;
        } else {
            EXPECT_NE(line[0], ' ') << line;
        }
        EXPECT_NE(line.back(), ' ') << line;
        if (!last) {
            EXPECT_EQ(line.size(), t::LICENSE_WIDTH) << line;
        }
    }
}

}  // namespace
