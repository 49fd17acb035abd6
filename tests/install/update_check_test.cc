// An update's base check passes a file holding the release's bytes or the update's, whatever its time,
// and nothing else: an edited file, a missing one, a directory, link or pipe in its place, an absent
// target. Its message names the file and what stands there, says to install the full release instead,
// and keeps within the terminal's width. Records that do not read are profile damage.
#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <filesystem>
#include <ranges>

#include <gtest/gtest.h>

#include "install/update_check.h"
#include "payload/installer_messages.h"
#include "process/vendor_settings.h"
#include "support/dialogue_fixture.h"
#include "support/stub_regions.h"

namespace {

using namespace testing_support;

const profile_setting RELEASE{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x03") + "1.0"};
// A release whose name alone fills most of a line: the messages below break into several.
const std::string PRODUCT = "VORNA D\xC3\xA9veloppement " + std::string(38, 'P');
const std::string README = "read me";  // left in place by the update
const std::string HEADER_OLD = "header 1.0";
const std::string HEADER_NEW = "header 1.1!";

// Puts `what` at `path`: bytes (a time the release never gave them), or a directory, a link to a file of
// the release's bytes, a pipe; nothing for "".
void place(const std::string& path, const std::string& what) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (what == "<dir>") {
        std::filesystem::create_directory(path);
    } else if (what == "<link>") {
        write_file(path + ".real", README);
        std::filesystem::create_symlink(path + ".real", path);
    } else if (what == "<pipe>") {
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    } else if (!what.empty()) {
        write_file(path, what);
        const timeval times[2] = {{12345, 0}, {12345, 0}};
        ASSERT_EQ(utimes(path.c_str(), times), 0);
    }
}

// Every line of `text` within `width` columns of UTF-8 characters.
bool lines_within(const std::string& text, std::size_t width) {
    return std::ranges::all_of(text | std::views::split('\n'), [width](const auto& line) {
        return std::ranges::count_if(line, [](char c) { return (c & 0xC0) != 0x80; }) <=
               static_cast<std::ptrdiff_t>(width);
    });
}

// The stub's own settings for the test's length.
class BaseCheck : public ::testing::Test {
  protected:
    temp_dir dir;

    void use(const std::vector<profile_setting>& settings) {
        write_region(process::profile_region.data(), profile_content(settings));
        process::load_vendor_settings();
    }
    void TearDown() override {
        process::profile_region = payload::empty_profile_region();
        process::load_vendor_settings();
    }
    // The message with its lines joined, each checked for its width.
    std::string problem(const std::string& target) {
        const char* found = install::update_base_problem(target.c_str());
        std::string text = found == nullptr ? "passes" : found;
        EXPECT_TRUE(lines_within(text, payload::MESSAGE_NOT_BASE_WIDTH)) << text;
        std::ranges::replace(text, '\n', ' ');
        return text;
    }
};

std::string refusal(const std::string& what) {
    return "Not an installation of " + PRODUCT + " 1.0 to update: " + what +
           " Install the full release instead (err=15).";
}

TEST_F(BaseCheck, AFilePassesWithEitherStatesBytesWhateverItsTime) {
    use({{payload::PROFILE_UPDATE_OF, char(PRODUCT.size()) + PRODUCT + "\x03" + "1.0"},
         {payload::PROFILE_BASE_CONTENT, base_content_value("doc/readme.txt", README, README)},
         {payload::PROFILE_BASE_CONTENT, base_content_value("inc/vorna.h", HEADER_OLD, HEADER_NEW)}});
    const struct {
        std::string readme;
        std::string header;
        std::string expected;
    } cases[] = {
        {README, HEADER_OLD, "passes"},  // touched, or left by another installer of the release
        {README, HEADER_NEW, "passes"},  // an update stopped half way
        {README, "", "passes"},          // stopped inside the file it rewrites
        {"edited!", HEADER_OLD, refusal("doc/readme.txt holds other bytes.")},
        {README, "header 9.9", refusal("inc/vorna.h holds other bytes.")},  // the size of the release's
        {"", HEADER_OLD, refusal("doc/readme.txt is missing.")},
        {"", "", refusal("doc/readme.txt is missing.")},
        {"<dir>", HEADER_OLD, refusal("doc/readme.txt is a directory, not a file.")},
        {"<link>", HEADER_OLD, refusal("doc/readme.txt is a symbolic link, not a file.")},
        {"<pipe>", HEADER_OLD, refusal("doc/readme.txt is not a regular file.")},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string target = dir / std::to_string(i);
        place(target + "/doc/readme.txt", cases[i].readme);
        place(target + "/inc/vorna.h", cases[i].header);
        EXPECT_EQ(problem(target), cases[i].expected) << "case " << i;
    }
    EXPECT_EQ(problem(dir / "absent"), refusal("the target directory does not exist."));
    write_file(dir / "a-file", README);
    EXPECT_EQ(problem(dir / "a-file"), refusal("the target is not a directory."));
    // The vendor's full installer is named as what to run instead.
    use({{payload::PROFILE_UPDATE_OF, char(PRODUCT.size()) + PRODUCT + "\x03" + "1.0"},
         {payload::PROFILE_FULL_INSTALLER, "vorna-1.1-setup"}});
    EXPECT_EQ(problem(dir / "absent"), "Not an installation of " + PRODUCT +
                                           " 1.0 to update: the target directory does not exist. Install the "
                                           "full release instead: vorna-1.1-setup (err=15).");
    char wrapped[16];  // a word that would pass the width starts the next line
    payload::wrap_text("aa bb cc\ndefgh", 4, wrapped, sizeof wrapped);
    EXPECT_STREQ(wrapped, "aa\nbb\ncc\ndefg\nh");
}

// Sizes and times, all 0, in front of a base file's path.
const std::string NO_STATES(payload::PROFILE_BASE_FILE_HEAD, '\0');

TEST(UpdateCheck, MalformedUpdateRecordsAreDamage) {
    const profile_setting file{payload::PROFILE_BASE_FILE, NO_STATES + "a/b"};
    const std::vector<std::vector<profile_setting>> damaged = {
        {file},                                                                // a file of no release
        {{payload::PROFILE_BASE_CONTENT, base_content_value("a", "1", "2")}},  // the same, by content
        {{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x04") + "1.0"}},  // a text cut short
        {{payload::PROFILE_UPDATE_OF, std::string("\x00\x03", 2) + "1.0"}},    // an empty product
        {RELEASE, {payload::PROFILE_BASE_FILE, NO_STATES + "../etc/passwd"}},
        {RELEASE, {payload::PROFILE_BASE_CONTENT, base_content_value("a\nb", "1", "2")}},
        {RELEASE, {payload::PROFILE_BASE_CONTENT, std::string(payload::PROFILE_BASE_CONTENT_HEAD, '\0')}},
        {RELEASE, file, file, file, file, file, file, file, file, file},  // nine of the older kind
    };
    for (const auto& settings : damaged) {
        payload::profile_region_bytes region = payload::empty_profile_region();
        write_region(region.data(), profile_content(settings));
        payload::vendor_profile profile;
        EXPECT_NE(payload::read_profile_region(region.data(), region.size(), profile),
                  payload::profile_check::written)
            << profile_content(settings);
    }
    // The installer refuses such a region before its welcome screen, as any damaged one.
    temp_dir dir;
    const auto r = run_itself(write_installer_with_stub(dir / "setup", profiled_stub(damaged[0]), {}), "n\n");
    EXPECT_EQ(r.err, std::string(payload::MESSAGE_PROFILE_CORRUPTED) + "\n" + texts::TERMINATED);
    EXPECT_EQ(r.exit_code, payload::EXIT_STATUS_FAILED);
}

}  // namespace
