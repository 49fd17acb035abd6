// Lengths at the edge: a typed line keeps 4094 characters and marks the rest, and a relative entry may
// grow with the working directory to no more than 4094. An accepted path must fit the installation's
// 4096-byte buffer together with its own separator.
#include <gtest/gtest.h>

#include "process/result.h"
#include "screen_run.h"
#include "support/installer_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class EntryLength : public screen_fixture {
  protected:
    // An absolute path beneath the temporary directory of exactly `length` characters.
    std::string path_of_length(std::size_t length) const {
        const std::string base = dir / "";
        return base + std::string(length - base.size(), 'x');
    }
};

TEST_F(EntryLength, ATypedPathOf4094IsKeptWhole) {
    const std::string path = path_of_length(4094);
    const auto r = run_screen(path + "\nn\n");
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, ENTRY_PASS + t::location_warnings(path));
    EXPECT_EQ(r.target, path);
}

TEST_F(EntryLength, OneCharacterMoreIsTooLong) {
    for (std::size_t length : {4095u, 4096u, 100000u}) {
        const auto r = run_screen(path_of_length(length) + "\nc\n");
        EXPECT_EQ(r.result, process::RESULT_CANCEL) << length;
        EXPECT_EQ(r.err, ENTRY_PASS + t::TOO_LONG + t::SELECT_DIFFERENT_OK) << length;
    }
}

TEST_F(EntryLength, TheRestOfATooLongLineIsReadAndDropped) {
    // Were the tail left unread, it would answer the question or become the next entry.
    const std::string next = dir / "next";
    const auto r = run_screen(path_of_length(4094) + std::string(3000, 'c') + "\nok\n" + next + "\nn\n");
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err,
              ENTRY_PASS + t::TOO_LONG + t::SELECT_DIFFERENT_OK + ENTRY_PASS + t::location_warnings(next));
    EXPECT_EQ(r.target, next);
}

TEST_F(EntryLength, BlanksCountOnlyWithinTheKeptCharacters) {
    auto r = run_screen(path_of_length(4093) + " tail\nc\n");
    EXPECT_EQ(r.err, ENTRY_PASS + t::BLANKS + t::SELECT_DIFFERENT_OK);
    r = run_screen(path_of_length(4094) + " tail\nc\n");
    EXPECT_EQ(r.err, ENTRY_PASS + t::TOO_LONG + t::SELECT_DIFFERENT_OK);
}

TEST_F(EntryLength, ARelativeEntryMayGrowTo4094WithTheWorkingDirectory) {
    const screen_setup setup{.cwd = dir.path()};
    const std::size_t room = 4093 - dir.path().size();  // the added '/' makes the whole 4094

    const std::string fits(room, 'y');
    auto r = run_screen(fits + "\nn\n", setup);
    EXPECT_EQ(r.result, process::RESULT_NEXT);
    EXPECT_EQ(r.err, ENTRY_PASS + t::location_warnings(dir / fits));
    EXPECT_EQ(r.target, dir / fits);
    EXPECT_EQ(r.target.size(), 4094u);

    r = run_screen(fits + "y\nc\n", setup);
    EXPECT_EQ(r.result, process::RESULT_CANCEL);
    EXPECT_EQ(r.err, ENTRY_PASS + t::TOO_LONG + t::SELECT_DIFFERENT_OK);
    EXPECT_EQ(r.target, "");
}

}  // namespace
