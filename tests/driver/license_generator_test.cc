// The generator that lays out a paragraphs file, run directly: what it makes of a small text, including
// characters that are special to CMake or C++, and the clear refusal of every text it cannot lay out.
#include <fstream>

#include <gtest/gtest.h>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;

class LicenseGenerator : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string output = dir / "license_text.cc";

    process_result generate(const std::string& paragraphs, const std::string& expected_lines = "") {
        write_file(dir / "paragraphs.txt", paragraphs);
        return run_process(
            CMAKE_COMMAND_PATH,
            {"cmake", "-DLICENSE_INPUT=" + (dir / "paragraphs.txt"), "-DLICENSE_OUTPUT=" + output,
             "-DLICENSE_EXPECTED_LINES=" + expected_lines, "-P", LICENSE_GENERATOR_PATH});
    }

    void expect_refused(const std::string& paragraphs, const std::string& reason,
                        const std::string& expected = "") {
        const auto r = generate(paragraphs, expected);
        EXPECT_NE(r.exit_code, 0) << paragraphs.substr(0, 80);
        // CMake wraps its messages; the words are compared with single blanks.
        std::string words;
        for (const char c : r.err) {
            if (c != ' ' && c != '\n') {
                words += c;
            } else if (!words.empty() && words.back() != ' ') {
                words += ' ';
            }
        }
        EXPECT_NE(words.find(reason), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(dir / "paragraphs.txt"), std::string::npos) << "the message names the file";
        EXPECT_FALSE(std::ifstream(output).good()) << "nothing may be written";
    }

    // The array's entries as they stand in the generated source.
    std::string entries() const {
        const std::string source = read_file(output);
        const std::string open = "license_text[] = {\n";
        const std::size_t from = source.find(open) + open.size();
        return source.substr(from, source.find("};", from) - from);
    }
};

TEST_F(LicenseGenerator, FillsJustifiesAndEscapes) {
    std::string text;
    for (int i = 0; i < 15; ++i) text += "abcdefghi" + std::string(i % 4 == 3 ? "\n" : " ");
    // Blank-only and CR LF lines separate paragraphs; tabs separate words.
    text += "\r\n  \t \r\nHe said \"yes\";\tC:\\dir [x] ok?\?=\n\n\nNo\nOFF\n0\n";
    const auto r = generate(text, "7");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(entries(),
              "    payload::BUILT_IN_TITLE[0].data(),\n"
              "    \"   abcdefghi  abcdefghi  abcdefghi abcdefghi abcdefghi abcdefghi abcdefghi\",\n"
              "    \"abcdefghi  abcdefghi  abcdefghi  abcdefghi  abcdefghi  abcdefghi abcdefghi\",\n"
              "    \"abcdefghi\",\n"
              "    \"\",\n"
              "    \"   He said \\\"yes\\\"; C:\\\\dir [x] ok\\?\\?=\",\n"
              "    \"\",\n"
              "    \"   No OFF 0\",\n"
              "    nullptr,\n");
}

TEST_F(LicenseGenerator, AWordThatFitsNoLineIsRefused) {
    expect_refused("Short words and then " + std::string(72, 'w') + " here.\n",
                   "no word may be longer than 71");
}

TEST_F(LicenseGenerator, ALineThatCannotBeJustifiedIsRefused) {
    // The first word fills the first line but for 11 columns, and the next word does not fit beside it.
    expect_refused(std::string(60, 'a') + " " + std::string(60, 'b') + "\n", "cannot be justified");
}

TEST_F(LicenseGenerator, OnlyPrintableAsciiIsAccepted) {
    expect_refused("Caf\xc3\xa9 au lait.\n", "printable ASCII");
    expect_refused("Bell\a here.\n", "printable ASCII");
    expect_refused(std::string("Nul\0byte.\n", 10), "NUL");
}

TEST_F(LicenseGenerator, AnEmptyTextOrTheWrongLengthIsRefused) {
    expect_refused("", "no paragraph");
    expect_refused("\n  \n\t\n", "no paragraph");
    expect_refused("One short paragraph.\n", "must have 114", "114");
}

TEST_F(LicenseGenerator, AMissingFileIsNamed) {
    const auto r =
        run_process(CMAKE_COMMAND_PATH, {"cmake", "-DLICENSE_INPUT=" + (dir / "absent.txt"),
                                         "-DLICENSE_OUTPUT=" + output, "-P", LICENSE_GENERATOR_PATH});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find(dir / "absent.txt"), std::string::npos) << r.err;
}

}  // namespace
