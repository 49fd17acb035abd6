// The termination routines, called directly in a child process: exact texts and exit status 0.
#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>

#include "driver/driver_state.h"
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
        driver::reset_session("");
        driver::session.self_file = std::fopen("/dev/null", "rb");
        driver::exit_installer();
    });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
}

TEST(Termination, AStateOutsideTheWizardIsErr12) {
    for (int bad : {1, 5, 98, 100, -1}) {
        driver::reset_session("");
        driver::session.state = bad;
        const auto r = terminating([] { driver::run_wizard(); });
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, "Install error (err=12).\n" + t::TERMINATED) << bad;
    }
    driver::reset_session("");
}

TEST(Termination, TheCompleteStateEndsTheWizardNormally) {
    driver::reset_session("");
    driver::session.state = driver::STATE_COMPLETE;
    const auto r = run_in_child([] {
        driver::run_wizard();
        return 7;
    });
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.err, t::COMPLETE);
    driver::reset_session("");
}

}  // namespace
