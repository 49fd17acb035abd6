// Choice prompts as a person meets them: which letter answers, what is swallowed, what brings the prompt
// back, and how a NUL or the end of input cancels; then the prompt variants called directly in a child
// process: their titles, menus, results and the auto answers of "-autonext".
#include <gtest/gtest.h>

#include <tuple>

#include "driver/license_screen.h"
#include "process/dialogue.h"
#include "process/result.h"
#include "process/session.h"
#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class Prompt : public dialogue_fixture {
  protected:
    // Welcome answered Next, then the licence question; whatever follows is the licence prompt's.
    static std::string after_next(const std::string& rest) { return UP_TO_LICENSE_PROMPT + rest; }
    static std::string cancelled_at_welcome(int prompts) {
        std::string s = t::WELCOME;
        for (int i = 0; i < prompts; ++i) s += t::NEXT_CANCEL;
        return s + t::TERMINATED;
    }
};

TEST_F(Prompt, TheFirstMenuLetterOnTheLineAnswersInEitherCase) {
    EXPECT_EQ(run("n\nc\n"), after_next(t::TERMINATED));
    EXPECT_EQ(run("N\nc\n"), after_next(t::TERMINATED));
    EXPECT_EQ(run("  \tn\nc\n"), after_next(t::TERMINATED));  // blanks before the letter are dropped
    EXPECT_EQ(run("xyzN!\nc\n"), after_next(t::TERMINATED));  // so is anything that is not a key
    EXPECT_EQ(run("c\n"), cancelled_at_welcome(1));
    EXPECT_EQ(run("Cancel\n"), cancelled_at_welcome(1));
    EXPECT_EQ(run("abc\n"), cancelled_at_welcome(1));
    EXPECT_EQ(run("quit now\n"), after_next(t::TERMINATED));  // the n of "now" is the first key
}

TEST_F(Prompt, ALineWithoutAKeyBringsThePromptBack) {
    EXPECT_EQ(run("\n\nc\n"), cancelled_at_welcome(3));
    // "yes" holds no key of "Next? Cancel?"; then the input ends.
    EXPECT_EQ(run("yes\n"), cancelled_at_welcome(2));
}

TEST_F(Prompt, TheRestOfTheAnsweringLineIsSwallowed) {
    // The c after n would cancel the licence prompt if it were left for it.
    const std::string target = dir / "t";
    EXPECT_EQ(run("nc\na\n" + directory_answers(target) + "c\n"),
              after_next(t::directory_screen_to(target) + t::INSTALLING + t::FILES_INSTALLED +
                         t::BACK_NEXT_CANCEL + t::TERMINATED));
    const std::string long_rest(100000, 'c');
    EXPECT_EQ(run("n" + long_rest + "\nc\n"), after_next(t::TERMINATED));
}

TEST_F(Prompt, ANulCancelsAtOnce) {
    EXPECT_EQ(run(std::string("\0n\n", 3)), cancelled_at_welcome(1));
    EXPECT_EQ(run(std::string("xy\0n\n", 5)), cancelled_at_welcome(1));
    EXPECT_EQ(run(std::string("n\n\0", 3)), after_next(t::TERMINATED));
}

TEST_F(Prompt, ANulEndsTheSwallowedRestOfALine) {
    // After "n" the NUL ends the line; "c" is then the licence prompt's answer.
    EXPECT_EQ(run(std::string("nxx\0c\n", 6)), after_next(t::TERMINATED));
}

TEST_F(Prompt, EndOfInputCancelsButAnAnswerAlreadyGivenStands) {
    EXPECT_EQ(run(""), cancelled_at_welcome(1));
    EXPECT_EQ(run("xx"), cancelled_at_welcome(1));
    EXPECT_EQ(run("\n"), cancelled_at_welcome(2));
    // "n" with no line feed still answers Next; the licence prompt then meets the end of input.
    EXPECT_EQ(run("n"), after_next(t::TERMINATED));
    EXPECT_EQ(run("nnnn"), after_next(t::TERMINATED));
}

TEST_F(Prompt, ClosedStandardInputCancels) {
    const auto r = run_process(INSTALLER_PATH, {image}, {.close_stdin = true});
    expect_clean_exit(r);
    EXPECT_EQ(r.err, cancelled_at_welcome(1));
}

TEST_F(Prompt, BackNextCancelTakesBNAndC) {
    const std::string target = dir / "t";
    const std::string to_installed = answers_to_install(target);
    const std::string installed =
        after_next(t::directory_screen_to(target) + t::INSTALLING + t::FILES_INSTALLED);
    // "accept": a is no key here, c is.
    EXPECT_EQ(run(to_installed + "accept\n"), installed + t::BACK_NEXT_CANCEL + t::TERMINATED);
    EXPECT_EQ(run(to_installed + "yes\nNEXT\n"),
              installed + t::BACK_NEXT_CANCEL + t::BACK_NEXT_CANCEL + t::COMPLETE);
    EXPECT_EQ(run(to_installed + "Back\nn\n"),
              installed + t::BACK_NEXT_CANCEL + t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE);
}

TEST_F(Prompt, AnArrowKeyAtTheLicenceQuestionAsksAgain) {
    EXPECT_EQ(run("n\n\x1b[A\na\nc\n"),
              after_next(t::LICENSE_PROMPT + t::directory_header() + t::default_directory(t::DEFAULT_TARGET) +
                         t::USE_DEFAULT + t::TERMINATED));
}

TEST(PromptEscapes, ArrowAndFunctionKeysAnswerNothing) {
    using process::RESULT_CANCEL, process::RESULT_NEXT;
    constexpr int AGAIN = -1;  // asked again, then cancelled by the "c" on the next line
    // What the line leaves the licence screen (Accept: Next) and Back? Next? Cancel? with.
    const std::tuple<std::string, int, int> cases[] = {
        {"\x1b[A", AGAIN, AGAIN},
        {"\x1b[C", AGAIN, AGAIN},
        {"\x1b[1;5D", AGAIN, AGAIN},
        {"\x1bOA", AGAIN, AGAIN},
        {"\x1b[Aa", RESULT_NEXT, AGAIN},
        {"\x1b[An", AGAIN, RESULT_NEXT},
        {"\x1b[", AGAIN, AGAIN},  // cut by the line feed
        {std::string("\x1b[1\0", 4), RESULT_CANCEL, RESULT_CANCEL},
    };
    for (const auto& [line, license, back_next] : cases) {
        SCOPED_TRACE(::testing::PrintToString(line));
        const auto l = run_in_child([] { return driver::license_screen(); }, line + "\nc\n");
        EXPECT_EQ(l.exit_code, license == AGAIN ? RESULT_CANCEL : license);
        const std::string again = license == AGAIN ? t::LICENSE_PROMPT : "";
        EXPECT_TRUE(l.err.ends_with(t::LICENSE_QUESTION + again + t::LICENSE_PROMPT));
        const auto b = run_in_child([] { return process::ask_back_next_cancel(); }, line + "\nc\n");
        EXPECT_EQ(b.exit_code, back_next == AGAIN ? RESULT_CANCEL : back_next);
        EXPECT_EQ(b.err,
                  back_next == AGAIN ? t::BACK_NEXT_CANCEL + t::BACK_NEXT_CANCEL : t::BACK_NEXT_CANCEL);
    }
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
        {0, [] { return process::ask_no_yes_cancel("Use the default directory?", process::RESULT_YES); },
         "Yes\n", process::RESULT_YES, "\nUse the default directory? [No? Yes? Cancel?]: "},
        {0, [] { return process::ask_no_yes_cancel("Select a different directory?", 0); }, "NO\n",
         process::RESULT_NO, "\nSelect a different directory? [No? Yes? Cancel?]: "},
        {0, [] { return process::ask_no_yes_cancel(nullptr, 0); }, "x\ncan\n", process::RESULT_CANCEL,
         "\n[No? Yes? Cancel?]: \n[No? Yes? Cancel?]: "},
        {0, [] { return process::ask_ok_cancel("Select a directory?"); }, "  ok\n", process::RESULT_OK,
         "\nSelect a directory? [Ok? Cancel?]: "},
        {0, [] { return process::ask_back_next_cancel(); }, "b\n", process::RESULT_BACK,
         "\n[Back? Next? Cancel?]: "},
        // With -autonext an auto result answers without a word; a prompt without one still asks.
        {1, [] { return process::ask_no_yes_cancel("Use the default directory?", process::RESULT_YES); },
         "n\n", process::RESULT_YES, ""},
        {1, [] { return process::ask_no_yes_cancel("Select a different directory?", 0); }, "n\n",
         process::RESULT_NO, "\nSelect a different directory? [No? Yes? Cancel?]: "},
        {1, [] { return process::ask_ok_cancel("Select a different directory!"); }, "o\n", process::RESULT_OK,
         "\nSelect a different directory! [Ok? Cancel?]: "},
        {1, [] { return process::ask_back_next_cancel(); }, "c\n", process::RESULT_NEXT, ""},
    };
    for (const auto& c : cases) {
        process::reset_session("");
        process::session.autonext = c.autonext;
        const auto r = run_in_child(c.ask, c.input);
        EXPECT_EQ(r.exit_code, c.result) << c.written;
        EXPECT_EQ(r.err, c.written);
    }
    process::reset_session("");
}

TEST(PromptVariants, AnEmptyMenuReadsUntilTheLineOrInputEnds) {
    const auto r = run_in_child(
        [] {
            const int none[1] = {0};
            return process::choice_prompt("Title", "Nothing?", none, none, 0, 0);
        },
        "abc\nxyz");
    EXPECT_EQ(r.exit_code, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, "\nTitle [Nothing?]: \nTitle [Nothing?]: ");
}

}  // namespace
