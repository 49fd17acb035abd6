// The termination routines, called directly in a child process: exact texts and exit status 0.
#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>

#include "driver/wizard.h"
#include "process/session.h"
#include "process/termination.h"
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
    auto r = terminating([] { process::error("Can't find attachments (3)."); });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "Can't find attachments (3).\n" + t::TERMINATED);
    r = terminating([] { process::error(nullptr); });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, t::TERMINATED);
}

TEST(Termination, ErrorErrnoJoinsMessageSystemTextAndTag) {
    struct errno_case {
        void (*body)();
        const char* line;
    };
    const errno_case cases[] = {
        {[] { process::error_errno("Can't create directory", "(err=4).", EACCES); },
         "Can't create directory - Permission denied (err=4).\n"},
        {[] { process::error_errno("Can't create file", "(err=5).", EISDIR); },
         "Can't create file - Is a directory (err=5).\n"},
        {[] { process::error_errno("Error saving data", "(err=1).", 0); }, "Error saving data (err=1).\n"},
        {[] { process::error_errno("Error saving data", nullptr, ENOSPC); },
         "Error saving data - No space left on device\n"},
        {[] { process::error_errno(nullptr, "(err=1).", 0); }, " (err=1).\n"},
        {[] { process::error_errno(nullptr, nullptr, 0); }, "\n"},
    };
    for (const auto& c : cases) {
        const auto r = terminating(c.body);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, c.line + t::TERMINATED);
    }
}

TEST(Termination, ExitInstallerClosesItsOwnFileAndWritesNothing) {
    const auto r = terminating([] {
        process::reset_session("");
        process::session.self_file = std::fopen("/dev/null", "rb");
        process::exit_installer();
    });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
}

TEST(Termination, AStateOutsideTheWizardIsErr12) {
    for (int bad : {1, 5, 98, 100, -1}) {
        process::reset_session("");
        process::session.state = bad;
        const auto r = terminating([] { driver::run_wizard(); });
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, "Install error (err=12).\n" + t::TERMINATED) << bad;
    }
    process::reset_session("");
}

TEST(Termination, TheCompleteStateEndsTheWizardNormally) {
    process::reset_session("");
    process::session.state = process::STATE_COMPLETE;
    const auto r = run_in_child([] {
        driver::run_wizard();
        return 7;
    });
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.err, t::COMPLETE);
    process::reset_session("");
}

}  // namespace
