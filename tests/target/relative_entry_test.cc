// Relative entries are made absolute against the working directory, and only that: no component is
// resolved or removed, and the working directory's own blanks are not held against the user.
#include <gtest/gtest.h>

#include "process/result.h"
#include "screen_run.h"
#include "support/installer_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

using RelativeEntry = screen_fixture;

TEST_F(RelativeEntry, IsJoinedToTheWorkingDirectoryAsTyped) {
    for (const std::string entry : {"sub", "./a/../b", "a//b/", ".hidden", "-autonext"}) {
        const std::string joined = dir / entry;
        const auto r = run_screen(entry + "\nn\n", {.cwd = dir.path()});
        EXPECT_EQ(r.result, process::RESULT_NEXT) << entry;
        EXPECT_EQ(r.err, ENTRY_PASS + t::location_warnings(joined)) << entry;
        EXPECT_EQ(r.target, joined);
    }
}

TEST_F(RelativeEntry, InTheRootNoSlashIsDoubledAndADotIsTheRoot) {
    // Only the target string is set in the child; nothing is created.
    auto r = run_screen("x\nn\n", {.cwd = "/"});
    EXPECT_EQ(r.err, ENTRY_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK);
    EXPECT_EQ(r.target, "/x");
    for (const std::string entry : {".", ".."}) {
        r = run_screen(entry + "\nc\n", {.cwd = "/"});
        EXPECT_EQ(r.result, process::RESULT_CANCEL);
        EXPECT_EQ(r.err, ENTRY_PASS + t::ROOT + t::SELECT_DIFFERENT_ASK) << entry;
    }
}

TEST_F(RelativeEntry, BlanksInTheWorkingDirectoryAreNotReported) {
    write_file(dir / "with blank/.keep", "");
    const auto r = run_screen("x\nn\n", {.cwd = dir / "with blank"});
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, ENTRY_PASS + t::location_warnings(dir / "with blank/x"));
    EXPECT_EQ(r.target, dir / "with blank/x");
}

TEST_F(RelativeEntry, StaysRelativeWhenTheWorkingDirectoryIsGone) {
    write_file(dir / "gone/.keep", "");
    std::remove((dir / "gone/.keep").c_str());
    const auto r = run_screen("x\nn\n", {.cwd = dir / "gone", .remove_cwd = true});
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, ENTRY_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK);
    EXPECT_EQ(r.target, "x");
}

}  // namespace
