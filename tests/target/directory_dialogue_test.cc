// The directory screen inside the real installer: reached after the licence, ended by Cancel or by the
// end of input with exit status 0, its entry made absolute against the installer's working directory, and
// its figure taken from the payload's header block.
#include <gtest/gtest.h>

#include "payload/header_block.h"
#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class DirectoryDialogue : public dialogue_fixture {
  protected:
    static std::string first_pass(const std::string& mib = "0.000") {
        return t::directory_header("VORNA", "1.0", mib) + t::default_directory(t::DEFAULT_TARGET) +
               t::USE_DEFAULT + t::ENTER_DIRECTORY;
    }
};

TEST_F(DirectoryDialogue, ARejectedEntryIsFollowedByAnotherUntilOneIsInstalledInto) {
    write_file(dir / "plain", "x");
    const std::string fresh = dir / "fresh";
    const std::string input = TO_DIRECTORY_SCREEN + "n\n" + (dir / "plain") + "\no\n" + fresh + "\n" +
                              location_answers(fresh) + "n\n";
    EXPECT_EQ(dialogue(image, input), UP_TO_LICENSE_PROMPT + first_pass() + t::EXISTS_AS_FILE +
                                          t::SELECT_DIFFERENT_OK + t::directory_header() +
                                          t::ENTER_DIRECTORY + t::location_warnings(fresh) + t::INSTALLING +
                                          t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE);
}

TEST_F(DirectoryDialogue, CancelAtAnyQuestionOfTheScreenTerminates) {
    EXPECT_EQ(dialogue(image, TO_DIRECTORY_SCREEN + "c\n"), UP_TO_LICENSE_PROMPT + t::directory_header() +
                                                                t::default_directory(t::DEFAULT_TARGET) +
                                                                t::USE_DEFAULT + t::TERMINATED);
    EXPECT_EQ(dialogue(image, TO_DIRECTORY_SCREEN + "n\n\nc\n"),
              UP_TO_LICENSE_PROMPT + first_pass() + t::NO_DIRECTORY + t::SELECT_A_DIRECTORY + t::TERMINATED);
    EXPECT_EQ(dialogue(image, TO_DIRECTORY_SCREEN + "n\n/\nc\n"),
              UP_TO_LICENSE_PROMPT + first_pass() + t::ROOT + t::SELECT_DIFFERENT_ASK + t::TERMINATED);
}

TEST_F(DirectoryDialogue, EndOfInputInTheMiddleOfALineTerminates) {
    EXPECT_EQ(dialogue(image, TO_DIRECTORY_SCREEN + "n\n" + (dir / "half")),
              UP_TO_LICENSE_PROMPT + first_pass() + t::TERMINATED);
}

TEST_F(DirectoryDialogue, ARelativeEntryIsTakenFromTheInstallersWorkingDirectory) {
    // The existing-directory warning names the absolute path the screen made.
    write_file(dir / "sub/.keep", "");
    const auto r = run_installer(
        image, {}, TO_DIRECTORY_SCREEN + "n\nsub\n" + location_answers(dir / "sub") + "c\n", dir.path());
    expect_clean_exit(r);
    EXPECT_EQ(r.err, UP_TO_LICENSE_PROMPT + first_pass() + t::location_warnings(dir / "sub") +
                         t::dir_exists(dir / "sub") + t::BACK_NEXT_CANCEL + t::TERMINATED);

    // In the root a dot is the root itself.
    const auto root = run_installer(image, {}, TO_DIRECTORY_SCREEN + "n\n.\nc\n", "/");
    expect_clean_exit(root);
    EXPECT_EQ(root.err,
              UP_TO_LICENSE_PROMPT + first_pass() + t::ROOT + t::SELECT_DIFFERENT_ASK + t::TERMINATED);
}

TEST_F(DirectoryDialogue, TheFigureComesFromTheRequiredSpaceField) {
    std::string bytes = read_file(image);
    const std::size_t header = bytes.size() - payload::HEADER_SIZE;  // the payload has no entries
    put_u32(bytes, header + payload::HEADER_REQUIRED_SPACE, 1572864);
    reseal_header(bytes, header);
    write_file(dir / "big.bin", bytes);
    EXPECT_EQ(dialogue(dir / "big.bin", TO_DIRECTORY_SCREEN + "n\n"),
              UP_TO_LICENSE_PROMPT + first_pass("1.500") + t::TERMINATED);
}

}  // namespace
