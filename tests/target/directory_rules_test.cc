// The rules a typed directory is vetted against: each one's message and question, what each answer does,
// and the order that decides which rule speaks first.
#include <unistd.h>

#include <gtest/gtest.h>

#include "process/result.h"
#include "screen_run.h"
#include "support/installer_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

// No default is offered here (see default_directory_test), so the screen starts at its entry line.
using DirectoryRules = screen_fixture;

TEST_F(DirectoryRules, AnEmptyLineOrALeadingNulAsksForADirectory) {
    for (const std::string& line : {std::string(), std::string("\0/x", 3)}) {
        auto r = run_screen(line + "\no\n");  // Ok: the screen starts over, then the input ends
        EXPECT_EQ(r.result, process::RESULT_CANCEL);
        EXPECT_EQ(r.err, ENTRY_PASS + t::NO_DIRECTORY + t::SELECT_A_DIRECTORY + ENTRY_PASS);
        r = run_screen(line + "\ncancel\n");
        EXPECT_EQ(r.result, process::RESULT_CANCEL);
        EXPECT_EQ(r.err, ENTRY_PASS + t::NO_DIRECTORY + t::SELECT_A_DIRECTORY);
    }
}

TEST_F(DirectoryRules, RejectionsOfferOnlyAnotherDirectoryOrCancel) {
    write_file(dir / "plain", "x");
    symlink((dir / "plain").c_str(), (dir / "link").c_str());
    struct rejection {
        std::string path;
        std::string message;
    };
    const rejection cases[] = {
        {dir / "with blank", t::BLANKS},    {dir / "with\ttab", t::BLANKS},    {" " + (dir / "x"), t::BLANKS},
        {dir / "plain", t::EXISTS_AS_FILE}, {dir / "link", t::EXISTS_AS_FILE},  // links are followed
    };
    const std::string next = dir / "next";
    for (const auto& c : cases) {
        // Ok: the screen starts over without the default and takes the next line.
        auto r = run_screen(c.path + "\nok\n" + next + "\n" + "n\n");
        EXPECT_EQ(r.result, process::RESULT_NEXT) << c.path;
        EXPECT_EQ(r.err,
                  ENTRY_PASS + c.message + t::SELECT_DIFFERENT_OK + ENTRY_PASS + t::location_warnings(next))
            << c.path;
        EXPECT_EQ(r.target, next);

        r = run_screen(c.path + "\nc\n");
        EXPECT_EQ(r.result, process::RESULT_CANCEL) << c.path;
        EXPECT_EQ(r.err, ENTRY_PASS + c.message + t::SELECT_DIFFERENT_OK) << c.path;
        EXPECT_EQ(r.target, "");
    }
}

TEST_F(DirectoryRules, TheRootWarningIsForExactlyThreeSpellings) {
    for (const std::string root : {"/", "/.", "/.."}) {
        auto r = run_screen(root + "\ny\n");  // Yes: pick a different one
        EXPECT_EQ(r.result, process::RESULT_CANCEL);
        EXPECT_EQ(r.err, ENTRY_PASS + t::ROOT + t::SELECT_DIFFERENT_ASK + ENTRY_PASS) << root;
        // No: on to the next rules; the root is outside /usr and /home, and Cancel ends it there.
        r = run_screen(root + "\nn\nc\n");
        EXPECT_EQ(r.result, process::RESULT_CANCEL);
        EXPECT_EQ(r.err,
                  ENTRY_PASS + t::ROOT + t::SELECT_DIFFERENT_ASK + t::OUTSIDE + t::SELECT_DIFFERENT_ASK)
            << root;
        EXPECT_EQ(r.target, "");
    }
    for (const std::string other : {"//", "/./", "/x/..", "/..."}) {
        const auto r = run_screen(other + "\nc\n");
        EXPECT_EQ(r.err, ENTRY_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK) << other;
    }
}

TEST_F(DirectoryRules, BinWarnsOnlyForTheComponentFollowedByASlash) {
    // Yes starts over, No goes on to the location rule, Cancel ends.
    const std::string in_bin = dir / "bin/x";
    auto r = run_screen(in_bin + "\nn\nn\n");
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, ENTRY_PASS + t::BIN + t::SELECT_DIFFERENT_ASK + t::location_warnings(dir / "x"));
    EXPECT_EQ(r.target, in_bin);
    r = run_screen(in_bin + "\ny\n");
    EXPECT_EQ(r.err, ENTRY_PASS + t::BIN + t::SELECT_DIFFERENT_ASK + ENTRY_PASS);
    r = run_screen(in_bin + "\nc\n");
    EXPECT_EQ(r.result, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, ENTRY_PASS + t::BIN + t::SELECT_DIFFERENT_ASK);

    const std::string ends_in_bin = dir / "bin";
    r = run_screen(ends_in_bin + "\nn\n");
    EXPECT_EQ(r.err, ENTRY_PASS + t::location_warnings(ends_in_bin));
    EXPECT_EQ(r.target, ends_in_bin);
    r = run_screen(dir / "BIN/x\nn\n");  // case-sensitive
    EXPECT_EQ(r.err, ENTRY_PASS + t::location_warnings(dir / "x"));
}

// The screen writes nothing and the child ends at once, so system-looking paths are safe here: none is
// ever created, and most do not exist.
TEST_F(DirectoryRules, OnlyPathsUnderUsrOrHomeAreAcceptedWithoutALocationWarning) {
    for (const std::string quiet :
         {"/usr/", "/home/", "/usr/vorna-test-absent", "/home/vorna-test-absent/x"}) {
        const auto r = run_screen(quiet + "\n");
        EXPECT_EQ(r.result, process::RESULT_NEXT) << quiet;
        EXPECT_EQ(r.err, ENTRY_PASS) << quiet;
        EXPECT_EQ(r.target, quiet);
    }
    // After No at the bin warning a path under /usr/ draws nothing more.
    auto r = run_screen("/usr/vorna-test-absent/bin/x\nn\n");
    EXPECT_EQ(r.err, ENTRY_PASS + t::BIN + t::SELECT_DIFFERENT_ASK);
    EXPECT_EQ(r.target, "/usr/vorna-test-absent/bin/x");

    for (const std::string& loud : {std::string("/usr"), std::string("/home"), std::string("/USR/x"),
                                    std::string("/Home/x"), std::string("/usrx/y"), dir / "x"}) {
        r = run_screen(loud + "\nno\n");  // No keeps the path
        EXPECT_EQ(r.result, process::RESULT_NEXT) << loud;
        EXPECT_EQ(r.err, ENTRY_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK) << loud;
        EXPECT_EQ(r.target, loud);
        r = run_screen(loud + "\nyes\n");  // Yes asks again, without the default
        EXPECT_EQ(r.err, ENTRY_PASS + t::OUTSIDE + t::SELECT_DIFFERENT_ASK + ENTRY_PASS) << loud;
        EXPECT_EQ(r.target, "");
        r = run_screen(loud + "\nC\n");
        EXPECT_EQ(r.result, process::RESULT_CANCEL) << loud;
        EXPECT_EQ(r.target, "");
    }
}

TEST_F(DirectoryRules, TheFirstBrokenRuleSpeaksAndTheLaterOnesAreNotAsked) {
    write_file(dir / "bin/file", "x");
    struct order_case {
        std::string path;
        std::string first_words;
    };
    const order_case cases[] = {
        {"/ ", t::BLANKS + t::SELECT_DIFFERENT_OK},                          // blanks before root
        {dir / "bin/file", t::EXISTS_AS_FILE + t::SELECT_DIFFERENT_OK},      // a file before 'bin'
        {" " + std::string(5000, '/'), t::BLANKS + t::SELECT_DIFFERENT_OK},  // blanks before length
    };
    for (const auto& c : cases) {
        const auto r = run_screen(c.path + "\nc\n");
        EXPECT_EQ(r.result, process::RESULT_CANCEL);
        EXPECT_EQ(r.err, ENTRY_PASS + c.first_words) << c.path.substr(0, 40);
    }
}

TEST_F(DirectoryRules, NothingIsCreatedOnDisk) {
    const std::string deep = dir / "a/b/c";
    const auto r = run_screen(deep + "\nn\n");
    EXPECT_EQ(r.target, deep);
    EXPECT_FALSE(access((dir / "a").c_str(), F_OK) == 0);
}

}  // namespace
