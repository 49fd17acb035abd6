// Relative entries are made absolute against the working directory, and only that: no component is
// resolved or removed, and the working directory's own blanks are not held against the user.
#include <gtest/gtest.h>

#include "driver/result.h"
#include "screen_run.h"
#include "support/installer_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

const std::string FIRST_PASS = t::directory_header() + t::ENTER_DIRECTORY;

class RelativeEntry : public ::testing::Test {
  protected:
    temp_dir dir;

    screen_result in(const std::string& cwd, const std::string& input) {
        screen_setup setup;
        setup.cwd = cwd;
        return run_screen(input, setup);
    }
};

TEST_F(RelativeEntry, IsJoinedToTheWorkingDirectoryAsTyped) {
    for (const std::string entry : {"sub", "./a/../b", "a//b/", ".hidden", "-autonext"}) {
        const std::string joined = dir / entry;
        const auto r = in(dir.path(), entry + "\nn\n");
        EXPECT_EQ(r.result, driver::RESULT_NEXT) << entry;
        EXPECT_EQ(r.err, FIRST_PASS + t::location_warnings(joined)) << entry;
        EXPECT_EQ(r.target, joined);
    }
}

TEST_F(RelativeEntry, InTheRootNoSlashIsDoubledAndADotIsTheRoot) {
    // Only the target string is set in the child; nothing is created.
    auto r = in("/", "x\nn\n");
    EXPECT_EQ(r.err, FIRST_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK);
    EXPECT_EQ(r.target, "/x");
    for (const std::string entry : {".", ".."}) {
        r = in("/", entry + "\nc\n");
        EXPECT_EQ(r.result, driver::RESULT_CANCEL);
        EXPECT_EQ(r.err, FIRST_PASS + t::ROOT + t::SELECT_DIFFERENT_ASK) << entry;
    }
}

TEST_F(RelativeEntry, BlanksInTheWorkingDirectoryAreNotReported) {
    write_file(dir / "with blank/.keep", "");
    const auto r = in(dir / "with blank", "x\nn\n");
    EXPECT_EQ(r.result, driver::RESULT_NEXT);
    EXPECT_EQ(r.err, FIRST_PASS + t::location_warnings(dir / "with blank/x"));
    EXPECT_EQ(r.target, dir / "with blank/x");
}

TEST_F(RelativeEntry, StaysRelativeWhenTheWorkingDirectoryIsGone) {
    write_file(dir / "gone/.keep", "");
    std::remove((dir / "gone/.keep").c_str());
    screen_setup setup;
    setup.cwd = dir / "gone";
    setup.remove_cwd = true;
    const auto r = run_screen("x\nn\n", setup);
    EXPECT_EQ(r.result, driver::RESULT_NEXT);
    EXPECT_EQ(r.err, FIRST_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK);
    EXPECT_EQ(r.target, "x");
}

}  // namespace
