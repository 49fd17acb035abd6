// The wizard's road: which screen follows which answer, the directory-exists warning, the closing texts,
// and "-autonext" taking every prompt that has an auto answer.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class Wizard : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string image = write_installer(dir / "setup.bin", test_payload{});
    std::string fresh = dir / "fresh";  // does not exist
    std::string existing = dir.path();  // an existing directory

    std::string run(const std::string& input, const std::vector<std::string>& args = {}) {
        return dialogue(image, input, args);
    }

    static std::string up_to_directory() {
        return t::WELCOME + t::NEXT_CANCEL + t::LICENSE_QUESTION + t::LICENSE_PROMPT + t::ENTER_DIRECTORY;
    }
    static std::string install_to_end() {
        return t::INSTALLING + t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE;
    }
};

TEST_F(Wizard, ANewDirectoryGoesStraightToTheInstallation) {
    EXPECT_EQ(run("n\na\n" + fresh + "\nn\n"), up_to_directory() + install_to_end());
}

TEST_F(Wizard, AnExistingDirectoryIsWarnedAboutThenInstalledInto) {
    EXPECT_EQ(run("n\na\n" + existing + "\nn\nn\n"),
              up_to_directory() + t::dir_exists(existing) + t::BACK_NEXT_CANCEL + install_to_end());
}

TEST_F(Wizard, BackAtTheWarningReturnsToTheDirectoryScreen) {
    EXPECT_EQ(run("n\na\n" + existing + "\nb\n" + fresh + "\nn\n"),
              up_to_directory() + t::dir_exists(existing) + t::BACK_NEXT_CANCEL + t::ENTER_DIRECTORY +
                  install_to_end());
}

TEST_F(Wizard, CancelAtTheWarningEndsBeforeInstalling) {
    EXPECT_EQ(run("n\na\n" + existing + "\nc\n"),
              up_to_directory() + t::dir_exists(existing) + t::BACK_NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Wizard, APathThatIsAFileOrALinkToOneDrawsNoWarning) {
    write_file(dir / "plain", "x");
    symlink((dir / "plain").c_str(), (dir / "link").c_str());
    for (const std::string& path : {dir / "plain", dir / "link"}) {
        EXPECT_EQ(run("n\na\n" + path + "\nn\n"), up_to_directory() + install_to_end()) << path;
    }
}

TEST_F(Wizard, ALinkToADirectoryIsWarnedAbout) {
    symlink(existing.c_str(), (dir / "dirlink").c_str());
    EXPECT_EQ(run("n\na\n" + (dir / "dirlink") + "\nc\n"),
              up_to_directory() + t::dir_exists(dir / "dirlink") + t::BACK_NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Wizard, BackAtFilesInstalledShowsItAgainAndCancelThereStillTerminates) {
    EXPECT_EQ(run("n\na\n" + fresh + "\nb\nb\nc\n"), up_to_directory() + t::INSTALLING + t::FILES_INSTALLED +
                                                         t::BACK_NEXT_CANCEL + t::FILES_INSTALLED +
                                                         t::BACK_NEXT_CANCEL + t::FILES_INSTALLED +
                                                         t::BACK_NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Wizard, AutonextAnswersEveryPromptThatHasAnAutoResult) {
    // The licence prompt has none and still waits; the warning and closing texts are written without prompts.
    EXPECT_EQ(run("a\n" + existing + "\n", {"-autonext"}),
              t::WELCOME + t::LICENSE_QUESTION + t::LICENSE_PROMPT + t::ENTER_DIRECTORY +
                  t::dir_exists(existing) + t::INSTALLING + t::FILES_INSTALLED + t::COMPLETE);
}

TEST_F(Wizard, AnEmptyPayloadStillRunsToTheEnd) {
    // file_count 0: the banner and nothing else.
    EXPECT_EQ(run("n\na\n" + fresh + "\nn\n"), up_to_directory() + install_to_end());
    struct stat info {};
    EXPECT_NE(stat(fresh.c_str(), &info), 0) << "nothing may be created";
}

}  // namespace
