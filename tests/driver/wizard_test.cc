// The wizard's road: which screen follows which answer, the directory-exists warning, the closing texts,
// and "-autonext" taking every prompt that has an auto answer.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "driver/screens.h"
#include "driver/wizard.h"
#include "process/payload_stream.h"
#include "process/result.h"
#include "process/session.h"
#include "support/dialogue_fixture.h"
#include "support/install_in_child.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class Wizard : public dialogue_fixture {
  protected:
    std::string fresh = dir / "fresh";  // does not exist
    std::string existing = dir.path();  // an existing directory
    static std::string install_to_end() {
        return t::INSTALLING + t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE;
    }
};

TEST_F(Wizard, ANewDirectoryGoesStraightToTheInstallation) {
    EXPECT_EQ(run(answers_to_install(fresh) + "n\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(fresh) + install_to_end());
}

TEST_F(Wizard, AnExistingDirectoryIsWarnedAboutThenInstalledInto) {
    EXPECT_EQ(run(answers_to_install(existing) + "n\nn\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(existing) + t::dir_exists(existing) +
                  t::BACK_NEXT_CANCEL + install_to_end());
}

TEST_F(Wizard, BackAtTheWarningReturnsToTheDirectoryScreenOfferingThePathAcceptedLast) {
    // Declining the offered path: the road goes on with a typed one.
    EXPECT_EQ(run(answers_to_install(existing) + "b\n" + directory_answers(fresh) + "n\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(existing) + t::dir_exists(existing) +
                  t::BACK_NEXT_CANCEL + t::directory_screen_to(fresh, existing) + install_to_end());

    // Taking it: it is vetted again, warned about again, and cancelled at the warning.
    EXPECT_EQ(run(answers_to_install(existing) + "b\ny\nn\nc\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(existing) + t::dir_exists(existing) +
                  t::BACK_NEXT_CANCEL + t::directory_header() + t::default_directory(existing) +
                  t::USE_DEFAULT + t::location_warnings(existing) + t::dir_exists(existing) +
                  t::BACK_NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Wizard, CancelAtTheWarningEndsBeforeInstalling) {
    EXPECT_EQ(run(answers_to_install(existing) + "c\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(existing) + t::dir_exists(existing) +
                  t::BACK_NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Wizard, APathThatIsAFileOrALinkToOneNeverGetsPastTheDirectoryScreen) {
    write_file(dir / "plain", "x");
    symlink((dir / "plain").c_str(), (dir / "link").c_str());
    for (const std::string& path : {dir / "plain", dir / "link"}) {
        EXPECT_EQ(run(TO_DIRECTORY_SCREEN + "n\n" + path + "\nc\n"),
                  UP_TO_LICENSE_PROMPT + t::directory_header() + t::default_directory(t::DEFAULT_TARGET) +
                      t::USE_DEFAULT + t::ENTER_DIRECTORY + t::EXISTS_AS_FILE + t::SELECT_DIFFERENT_OK +
                      t::TERMINATED)
            << path;
    }
}

TEST_F(Wizard, TheWarningStateIsSilentForAnythingButADirectory) {
    // The directory screen refuses files, so only the state itself can show that it stays silent for one.
    write_file(dir / "plain", "x");
    for (const std::string& path : {dir / "plain", fresh}) {
        process::reset_session(path.c_str());
        const auto r = run_in_child([] { return driver::dir_exists_screen(); }, "c\n");
        EXPECT_EQ(r.exit_code, process::RESULT_NEXT) << path;
        EXPECT_EQ(r.err, "") << path;
    }
    process::reset_session("");
}

TEST_F(Wizard, ALinkToADirectoryIsWarnedAbout) {
    const std::string link = dir / "dirlink";
    symlink(existing.c_str(), link.c_str());
    EXPECT_EQ(run(answers_to_install(link) + "c\n"), UP_TO_LICENSE_PROMPT + t::directory_screen_to(link) +
                                                         t::dir_exists(link) + t::BACK_NEXT_CANCEL +
                                                         t::TERMINATED);
}

TEST_F(Wizard, BackAtFilesInstalledShowsItAgainAndCancelThereStillTerminates) {
    EXPECT_EQ(run(answers_to_install(fresh) + "b\nb\nc\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(fresh) + t::INSTALLING + t::FILES_INSTALLED +
                  t::BACK_NEXT_CANCEL + t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::FILES_INSTALLED +
                  t::BACK_NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Wizard, AutonextAnswersEveryPromptThatHasAnAutoResult) {
    // Run in a child with a temporary directory as the default: the real default is a system path, which
    // "-autonext" would accept and install into. The licence prompt and the location warning have no
    // auto result and wait; the default question, the existing-directory warning and the closing prompt
    // answer themselves.
    const std::string own_file = image;
    const std::string target = existing;
    const auto r = run_in_child(
        [&own_file, &target] {
            set_up_install(std::fopen(own_file.c_str(), "rb"), target);
            process::session.autonext = 1;
            driver::run_wizard();
            return 0;
        },
        "a\nn\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, t::WELCOME + LICENSE_DISPLAY + LICENSE_ASK + t::directory_header() +
                         t::default_directory(existing) + t::location_warnings(existing) +
                         t::dir_exists(existing) + t::INSTALLING + t::FILES_INSTALLED + t::COMPLETE);
}

TEST(DriverState, AResetLeavesNothingOfAnEarlierRunAndNeverCutsTheTarget) {
    process::session.autonext = 1;
    process::session.state = process::STATE_COMPLETE;
    process::session.self_file = stdin;
    process::session.header[payload::HEADER_FILE_COUNT] = 7;
    process::reset_session("/tmp/elsewhere");
    EXPECT_EQ(process::session.autonext, 0);
    EXPECT_EQ(process::session.state, process::STATE_WELCOME);
    EXPECT_EQ(process::session.self_file, nullptr);
    EXPECT_EQ(process::session.header, payload::header_block{});
    EXPECT_STREQ(process::session.target_dir.data(), "/tmp/elsewhere");

    const std::string longest(process::TARGET_DIR_SIZE - 1, 'x');
    process::reset_session(longest.c_str());
    EXPECT_EQ(process::session.target_dir.data(), longest);
    process::reset_session((longest + "y").c_str());
    EXPECT_STREQ(process::session.target_dir.data(), "") << "a cut path would name another directory";
}

TEST(WizardSteps, TheWizardFollowsTheTableItIsGiven) {
    // A harness's table: its rows decide the screens and where Back and Next lead.
    static constexpr driver::wizard_step steps[] = {
        {process::STATE_WELCOME, process::STATE_WELCOME, process::STATE_INSTALL,
         [] {
             std::fputs("[first]", stderr);
             return process::RESULT_NEXT;
         }},
        {process::STATE_INSTALL, process::STATE_WELCOME, process::STATE_COMPLETE,
         [] {
             std::fputs("[swapped]", stderr);
             return std::getchar() == 'b' ? process::RESULT_BACK : process::RESULT_NEXT;
         }},
    };
    const auto r = run_in_child(
        [] {
            process::reset_session("");
            driver::run_wizard(steps);
            return 0;
        },
        "bn");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "[first][swapped][first][swapped]" + t::COMPLETE);
}

TEST_F(Wizard, AnEmptyPayloadStillRunsToTheEnd) {
    // file_count 0: the banner and nothing else.
    EXPECT_EQ(run(answers_to_install(fresh) + "n\n"),
              UP_TO_LICENSE_PROMPT + t::directory_screen_to(fresh) + install_to_end());
    struct stat info {};
    EXPECT_NE(stat(fresh.c_str(), &info), 0) << "nothing may be created";
}

}  // namespace
