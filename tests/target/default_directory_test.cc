// The default directory: offered on the first pass only, vetted like a typed path when taken, answered
// by "-autonext" while every warning still waits; and how the end of input ends the screen.
#include <gtest/gtest.h>

#include "process/result.h"
#include "screen_run.h"
#include "support/installer_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class DefaultDirectory : public screen_fixture {
  protected:
    std::string offered = dir / "offered";
    screen_setup setup{.offered = offered};
    std::string first_pass = t::directory_header() + t::default_directory(offered) + t::USE_DEFAULT;
};

TEST_F(DefaultDirectory, YesVetsTheDefaultLikeATypedPath) {
    auto r = run_screen("y\nn\n", setup);
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, first_pass + t::location_warnings(offered));
    EXPECT_EQ(r.target, offered);

    write_file(offered, "a file");
    r = run_screen("y\nc\n", setup);
    EXPECT_EQ(r.result, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, first_pass + t::EXISTS_AS_FILE + t::SELECT_DIFFERENT_OK);
    EXPECT_EQ(r.target, offered) << "a cancel leaves the target as it was";
}

TEST_F(DefaultDirectory, NoLeadsToTheEntryLineAndCancelEnds) {
    const std::string typed = dir / "typed";
    auto r = run_screen("n\n" + typed + "\nn\n", setup);
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, first_pass + t::ENTER_DIRECTORY + t::location_warnings(typed));
    EXPECT_EQ(r.target, typed);

    r = run_screen("cancel\n", setup);
    EXPECT_EQ(r.result, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, first_pass);
    EXPECT_EQ(r.target, offered);
}

TEST_F(DefaultDirectory, IsOfferedOnTheFirstPassOnly) {
    // Turned down, then an empty line and Ok: the screen starts over straight at the entry line.
    auto r = run_screen("n\n\no\n", setup);
    EXPECT_EQ(r.err, first_pass + t::ENTER_DIRECTORY + t::NO_DIRECTORY + t::SELECT_A_DIRECTORY + ENTRY_PASS);
    // Taken, then Yes at a warning: the same.
    r = run_screen("y\ny\n", setup);
    EXPECT_EQ(r.err, first_pass + t::location_warnings(offered) + ENTRY_PASS);
    // A rejected default, then Ok.
    r = run_screen("y\no\n", screen_setup{.offered = dir / "a b"});
    EXPECT_EQ(r.err, t::directory_header() + t::default_directory(dir / "a b") + t::USE_DEFAULT + t::BLANKS +
                         t::SELECT_DIFFERENT_OK + ENTRY_PASS);
}

TEST_F(DefaultDirectory, AnEmptyTargetOffersNothing) {
    const auto r = run_screen("", screen_setup{});
    EXPECT_EQ(r.result, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, ENTRY_PASS);
}

TEST_F(DefaultDirectory, ADefaultTooLongToKeepIsRejectedNotCut) {
    // The driver never leaves one this long, but a cut-off default would be a different directory.
    const std::string too_long = dir / std::string(4095, 'x');
    const auto r = run_screen("y\nc\n", screen_setup{.offered = too_long});
    EXPECT_EQ(r.result, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, t::directory_header() + t::default_directory(too_long) + t::USE_DEFAULT + t::TOO_LONG +
                         t::SELECT_DIFFERENT_OK);
}

TEST_F(DefaultDirectory, AutonextTakesTheDefaultButWaitsAtEveryWarning) {
    setup.autonext = true;
    const std::string shown = t::directory_header() + t::default_directory(offered);
    auto r = run_screen("n\n", setup);
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, shown + t::location_warnings(offered));
    EXPECT_EQ(r.target, offered);

    // Yes at the warning: the second pass has no default to take, so the entry line waits too.
    const std::string typed = dir / "typed";
    r = run_screen("y\n" + typed + "\nn\n", setup);
    EXPECT_EQ(r.err, shown + t::location_warnings(offered) + ENTRY_PASS + t::location_warnings(typed));
    EXPECT_EQ(r.target, typed);

    // A default that breaks no rule goes through without a single answer (the screen writes nothing).
    r = run_screen("", screen_setup{.offered = "/usr/vorna-test-absent", .autonext = true});
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, t::directory_header() + t::default_directory("/usr/vorna-test-absent"));
}

TEST_F(DefaultDirectory, EndOfInputWhileALineIsTypedCancels) {
    // However much of the line has come: an unfinished line is never taken as the answer.
    for (const std::string& unfinished : {std::string(), std::string("/"), dir / "partial"}) {
        const auto r = run_screen("n\n" + unfinished, setup);
        EXPECT_EQ(r.result, process::RESULT_CANCEL) << unfinished;
        EXPECT_EQ(r.err, first_pass + t::ENTER_DIRECTORY) << unfinished;
        EXPECT_EQ(r.target, offered);
    }
    for (const std::string at_question : {"", "y\n", "y\nxx"}) {
        const auto r = run_screen(at_question, setup);
        EXPECT_EQ(r.result, process::RESULT_CANCEL) << at_question;
    }
}

}  // namespace
