// The licence agreement screen in the real installer: the first display, the slow display and what it
// consumes, the answers that bring back the question or only the prompt, and how the screen ends.
// Printing is tested in license_print_test, where the printer can be a temporary file.
#include <gtest/gtest.h>

#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

const std::string SLOW_DISPLAY = t::license_slow_display(driver::license_text);

// One typed line per agreement line, each holding letters that would answer the prompt if they leaked.
std::string enter_presses(std::size_t count) {
    std::string s;
    for (std::size_t i = 0; i < count; ++i) s += i % 2 == 0 ? "acd\n" : "\n";
    return s;
}

using LicenseScreen = dialogue_fixture;

TEST_F(LicenseScreen, EnteringShowsTheWholeAgreementTheQuestionAndThePrompt) {
    EXPECT_EQ(run("n\nc\n"), UP_TO_LICENSE_PROMPT + t::TERMINATED);
    EXPECT_EQ(run("n\nd\nD\nc\n"), UP_TO_LICENSE_PROMPT + LICENSE_DISPLAY + LICENSE_ASK + LICENSE_DISPLAY +
                                       LICENSE_ASK + t::TERMINATED);
}

TEST_F(LicenseScreen, AcceptLeadsToTheDirectoryScreen) {
    EXPECT_EQ(run("n\nAccept\nc\n"), UP_TO_LICENSE_PROMPT + t::directory_header() +
                                         t::default_directory(t::DEFAULT_TARGET) + t::USE_DEFAULT +
                                         t::TERMINATED);
}

TEST_F(LicenseScreen, SlowDisplayWaitsForOneEnterPerLineEmptyLinesToo) {
    // Exactly 114 presses: one fewer and "c" would be eaten, one more and the prompt would come twice.
    EXPECT_EQ(run("n\ns\n" + enter_presses(t::LICENSE_LINES) + "c\n"),
              UP_TO_LICENSE_PROMPT + SLOW_DISPLAY + LICENSE_ASK + t::TERMINATED);
    EXPECT_EQ(run("n\ns\n" + enter_presses(t::LICENSE_LINES) + "\nc\n"),
              UP_TO_LICENSE_PROMPT + SLOW_DISPLAY + LICENSE_ASK + t::LICENSE_PROMPT + t::TERMINATED);
}

TEST_F(LicenseScreen, ANulEndsAWaitLikeEnter) {
    std::string presses(t::LICENSE_LINES, '\0');
    EXPECT_EQ(run("n\ns\n" + presses + "c\n"),
              UP_TO_LICENSE_PROMPT + SLOW_DISPLAY + LICENSE_ASK + t::TERMINATED);
}

TEST_F(LicenseScreen, SlowHoldsForOneDisplayOnly) {
    EXPECT_EQ(
        run("n\ns\n" + enter_presses(t::LICENSE_LINES) + "d\nc\n"),
        UP_TO_LICENSE_PROMPT + SLOW_DISPLAY + LICENSE_ASK + LICENSE_DISPLAY + LICENSE_ASK + t::TERMINATED);
}

TEST_F(LicenseScreen, TheFirstKeyLetterOnTheLineDecides) {
    // "yes": y and e are no keys, s is Slowdisplay.
    EXPECT_EQ(run("n\nyes\n" + enter_presses(t::LICENSE_LINES) + "c\n"),
              UP_TO_LICENSE_PROMPT + SLOW_DISPLAY + LICENSE_ASK + t::TERMINATED);
    // "no" holds no key: the prompt comes back without the question.
    EXPECT_EQ(run("n\nno\n\nc\n"),
              UP_TO_LICENSE_PROMPT + t::LICENSE_PROMPT + t::LICENSE_PROMPT + t::TERMINATED);
    EXPECT_EQ(run("n\nxcancel\n"), UP_TO_LICENSE_PROMPT + t::TERMINATED);
}

TEST_F(LicenseScreen, EndOfInputCancelsAtThePromptAndDuringASlowDisplay) {
    EXPECT_EQ(run("n\n"), UP_TO_LICENSE_PROMPT + t::TERMINATED);
    EXPECT_EQ(run("n\nno"), UP_TO_LICENSE_PROMPT + t::TERMINATED);
    EXPECT_EQ(run(std::string("n\n\0a\n", 5)), UP_TO_LICENSE_PROMPT + t::TERMINATED);
    // Input ends at the last wait: the whole agreement has been written, the question never comes.
    EXPECT_EQ(run("n\ns\n" + enter_presses(t::LICENSE_LINES - 1)),
              UP_TO_LICENSE_PROMPT + SLOW_DISPLAY + t::TERMINATED);
    // Input ends at the first wait.
    EXPECT_EQ(run("n\ns\n"), UP_TO_LICENSE_PROMPT + "\n\n" + driver::license_text[1] + t::TERMINATED);
}

TEST_F(LicenseScreen, AutonextStillWaitsForTheUser) {
    EXPECT_EQ(run("c\n", {"-autonext"}), t::WELCOME + LICENSE_DISPLAY + LICENSE_ASK + t::TERMINATED);
    EXPECT_EQ(run("", {"-autonext"}), t::WELCOME + LICENSE_DISPLAY + LICENSE_ASK + t::TERMINATED);
    EXPECT_EQ(run("s\n" + enter_presses(t::LICENSE_LINES) + "c\n", {"-autonext"}),
              t::WELCOME + LICENSE_DISPLAY + LICENSE_ASK + SLOW_DISPLAY + LICENSE_ASK + t::TERMINATED);
}

}  // namespace
