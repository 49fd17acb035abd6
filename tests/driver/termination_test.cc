// The termination routines and the prompt variants, called directly in a child process: exact texts,
// exit status 0, and the auto answers of "-autonext".
#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>

#include "driver/dialogue.h"
#include "driver/driver_state.h"
#include "driver/result.h"
#include "driver/termination.h"
#include "driver/wizard.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

process_result terminating(void (*body)()) {
    return run_in_child([body] {
        body();
        return 99;  // not reached: every routine here exits with 0
    });
}

TEST(Termination, ErrorWritesItsMessageThenTheTerminationLine) {
    auto r = terminating([] { driver::error("Can't find attachments (3)."); });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "Can't find attachments (3).\n" + t::TERMINATED);
    r = terminating([] { driver::error(nullptr); });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, t::TERMINATED);
}

TEST(Termination, ErrorErrnoJoinsMessageSystemTextAndTag) {
    struct errno_case {
        void (*body)();
        const char* line;
    };
    const errno_case cases[] = {
        {[] { driver::error_errno("Can't create directory", "(err=4).", EACCES); },
         "Can't create directory - Permission denied (err=4).\n"},
        {[] { driver::error_errno("Can't create file", "(err=5).", EISDIR); },
         "Can't create file - Is a directory (err=5).\n"},
        {[] { driver::error_errno("Error saving data", "(err=1).", 0); }, "Error saving data (err=1).\n"},
        {[] { driver::error_errno("Error saving data", nullptr, ENOSPC); },
         "Error saving data - No space left on device\n"},
        {[] { driver::error_errno(nullptr, "(err=1).", 0); }, " (err=1).\n"},
        {[] { driver::error_errno(nullptr, nullptr, 0); }, "\n"},
    };
    for (const auto& c : cases) {
        const auto r = terminating(c.body);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, c.line + t::TERMINATED);
    }
}

TEST(Termination, ExitInstallerClosesItsOwnFileAndWritesNothing) {
    const auto r = terminating([] {
        driver::self_file = std::fopen("/dev/null", "rb");
        driver::exit_installer();
    });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
}

TEST(Termination, AStateOutsideTheWizardIsErr12) {
    for (int bad : {1, 5, 98, 100, -1}) {
        driver::state = bad;
        const auto r = terminating([] { driver::run_wizard(); });
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, "Install error (err=12).\n" + t::TERMINATED) << bad;
    }
    driver::state = 0;
}

TEST(Termination, TheCompleteStateEndsTheWizardNormally) {
    driver::state = driver::STATE_COMPLETE;
    const auto r = run_in_child([] {
        driver::run_wizard();
        return 7;
    });
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.err, t::COMPLETE);
    driver::state = 0;
}

struct variant_case {
    int autonext;
    int (*ask)();
    const char* input;
    int result;
    const char* written;
};

TEST(PromptVariants, TitlesMenusResultsAndAutoAnswers) {
    const variant_case cases[] = {
        {0, [] { return driver::ask_no_yes_cancel("Use the default directory?", driver::RESULT_YES); },
         "Yes\n", driver::RESULT_YES, "\nUse the default directory? [No? Yes? Cancel?]: "},
        {0, [] { return driver::ask_no_yes_cancel("Select a different directory?", 0); }, "NO\n",
         driver::RESULT_NO, "\nSelect a different directory? [No? Yes? Cancel?]: "},
        {0, [] { return driver::ask_no_yes_cancel(nullptr, 0); }, "x\ncan\n", driver::RESULT_CANCEL,
         "\n[No? Yes? Cancel?]: \n[No? Yes? Cancel?]: "},
        {0, [] { return driver::ask_ok_cancel("Select a directory?"); }, "  ok\n", driver::RESULT_OK,
         "\nSelect a directory? [Ok? Cancel?]: "},
        {0, [] { return driver::ask_back_next_cancel(); }, "b\n", driver::RESULT_BACK,
         "\n[Back? Next? Cancel?]: "},
        // With -autonext an auto result answers without a word; a prompt without one still asks.
        {1, [] { return driver::ask_no_yes_cancel("Use the default directory?", driver::RESULT_YES); }, "n\n",
         driver::RESULT_YES, ""},
        {1, [] { return driver::ask_no_yes_cancel("Select a different directory?", 0); }, "n\n",
         driver::RESULT_NO, "\nSelect a different directory? [No? Yes? Cancel?]: "},
        {1, [] { return driver::ask_ok_cancel("Select a different directory!"); }, "o\n", driver::RESULT_OK,
         "\nSelect a different directory! [Ok? Cancel?]: "},
        {1, [] { return driver::ask_back_next_cancel(); }, "c\n", driver::RESULT_NEXT, ""},
    };
    for (const auto& c : cases) {
        driver::autonext = c.autonext;
        const auto r = run_in_child(c.ask, c.input);
        EXPECT_EQ(r.exit_code, c.result) << c.written;
        EXPECT_EQ(r.err, c.written);
    }
    driver::autonext = 0;
}

TEST(PromptVariants, AnEmptyMenuReadsUntilTheLineOrInputEnds) {
    const auto r = run_in_child(
        [] {
            const int none[1] = {0};
            return driver::choice_prompt("Title", "Nothing?", none, none, 0, 0);
        },
        "abc\nxyz");
    EXPECT_EQ(r.exit_code, driver::RESULT_CANCEL);
    EXPECT_EQ(r.err, "\nTitle [Nothing?]: \nTitle [Nothing?]: ");
}

}  // namespace
