// Printing the agreement, with the printer pointed at a temporary file: what the printer receives, what
// the terminal shows meanwhile, and a printer that cannot be opened.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "driver/license_screen.h"
#include "process/result.h"
#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class LicensePrint : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string printer = dir / "lp0";

    process_result screen(const std::string& input) {
        driver::printer_device = printer.c_str();
        const auto r = run_in_child([] { return driver::license_screen(); }, input);
        driver::printer_device = "/dev/lp0";
        return r;
    }
};

TEST_F(LicensePrint, ThePrinterGetsEveryLineWithCrLfThenAFormFeedAndNoTitle) {
    const auto r = screen("p\nc\n");
    EXPECT_EQ(r.exit_code, process::RESULT_CANCEL);
    const std::string printed = read_file(printer);
    EXPECT_EQ(printed, t::license_printout(driver::license_text));
    EXPECT_EQ(printed.find(t::LICENSE_TITLE), std::string::npos);
    std::size_t line_ends = 0;
    for (std::size_t at = printed.find("\r\n"); at != std::string::npos; at = printed.find("\r\n", at + 2))
        ++line_ends;
    EXPECT_EQ(line_ends, t::LICENSE_LINES);
    EXPECT_TRUE(printed.ends_with("\r\n\f"));
}

TEST_F(LicensePrint, TheTerminalGetsTheQuestionAgainButNotTheAgreement) {
    const auto r = screen("print\na\n");
    EXPECT_EQ(r.exit_code, process::RESULT_NEXT);
    EXPECT_EQ(r.err, LICENSE_DISPLAY + LICENSE_ASK + LICENSE_ASK);
}

TEST_F(LicensePrint, EachPrintReplacesWhatTheDeviceHeld) {
    write_file(printer, "old contents that are longer than nothing");
    const auto r = screen("p\np\nc\n");
    EXPECT_EQ(r.err, LICENSE_DISPLAY + LICENSE_ASK + LICENSE_ASK + LICENSE_ASK);
    EXPECT_EQ(read_file(printer), t::license_printout(driver::license_text));
}

TEST_F(LicensePrint, AnUnopenablePrinterBringsBackJustTheQuestion) {
    printer = dir / "no/such/device";
    auto r = screen("p\nc\n");
    EXPECT_EQ(r.exit_code, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, LICENSE_DISPLAY + LICENSE_ASK + LICENSE_ASK);
    struct stat info {};
    EXPECT_NE(stat((dir / "no").c_str(), &info), 0);

    printer = dir.path();  // a directory cannot be opened for writing
    r = screen("p\nd\nc\n");
    EXPECT_EQ(r.err, LICENSE_DISPLAY + LICENSE_ASK + LICENSE_ASK + LICENSE_DISPLAY + LICENSE_ASK);
}

}  // namespace
