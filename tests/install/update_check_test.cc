// An update's base check passes a file holding the release's bytes or the update's, whatever its time,
// and nothing else: an edited file, a missing one, a directory, link or pipe in its place, an absent
// target. Its message names the file and what stands there, says to install the full release instead,
// and keeps within the terminal's width. Records that do not read are profile damage.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ranges>

#include <gtest/gtest.h>

#include "install/update_check.h"
#include "payload/installer_messages.h"
#include "payload/le_bytes.h"
#include "process/vendor_settings.h"
#include "support/dialogue_fixture.h"
#include "support/stub_regions.h"

namespace {

using namespace testing_support;

const profile_setting RELEASE{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x03") + "1.0"};
const std::string README = "read me";  // left in place by the update
const std::string HEADER_OLD = "header 1.0";
const std::string HEADER_NEW = "header 1.1!";

// What stands at a base file's path.
enum class found { nothing, old_bytes, new_bytes, touched, edited, directory, link, pipe };

void place(const std::string& path, found what, const std::string& old_bytes, const std::string& new_bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    switch (what) {
        case found::nothing:
            return;
        case found::old_bytes:
            return write_file(path, old_bytes);
        case found::new_bytes:
            return write_file(path, new_bytes);
        case found::touched: {
            write_file(path, old_bytes);
            const timeval times[2] = {{12345, 0}, {12345, 0}};
            ASSERT_EQ(utimes(path.c_str(), times), 0);
            return;
        }
        case found::edited:  // the size of the release's, other bytes
            return write_file(path, std::string(old_bytes.size(), 'x'));
        case found::directory:
            std::filesystem::create_directory(path);
            return;
        case found::link:  // to a file of the release's bytes
            write_file(path + ".real", old_bytes);
            ASSERT_EQ(symlink((path + ".real").c_str(), path.c_str()), 0);
            return;
        case found::pipe:
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
            return;
    }
}

// Every line of `text` within `width` columns of UTF-8 characters.
bool lines_within(const std::string& text, std::size_t width) {
    return std::ranges::all_of(text | std::views::split('\n'), [width](const auto& line) {
        return std::ranges::count_if(line, [](char c) { return (c & 0xC0) != 0x80; }) <=
               static_cast<std::ptrdiff_t>(width);
    });
}

std::string unwrapped(std::string text) {
    std::ranges::replace(text, '\n', ' ');
    return text;
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
    std::string problem(const std::string& target) {
        const char* text = install::update_base_problem(target.c_str());
        if (text == nullptr) return "passes";
        EXPECT_TRUE(lines_within(text, payload::MESSAGE_NOT_BASE_WIDTH)) << text;
        return unwrapped(text);
    }
};

std::string refusal(const std::string& what) {
    return "Not an installation of VORNA 1.0 to update: " + what +
           " Install the full release instead (err=15).";
}

TEST_F(BaseCheck, AFilePassesWithEitherStatesBytesWhateverItsTime) {
    use({RELEASE,
         {payload::PROFILE_BASE_CONTENT, base_content_value("doc/readme.txt", README, README)},
         {payload::PROFILE_BASE_CONTENT, base_content_value("inc/vorna.h", HEADER_OLD, HEADER_NEW)}});
    const struct {
        found readme;
        found header;
        std::string expected;
    } cases[] = {
        {found::touched, found::touched, "passes"},      // a customer's touch, another installer's times
        {found::old_bytes, found::new_bytes, "passes"},  // an update stopped half way
        {found::old_bytes, found::nothing, "passes"},    // stopped inside the file it rewrites
        {found::edited, found::old_bytes, refusal("doc/readme.txt holds other bytes.")},
        {found::old_bytes, found::edited, refusal("inc/vorna.h holds other bytes.")},
        {found::nothing, found::old_bytes, refusal("doc/readme.txt is missing.")},
        {found::nothing, found::nothing, refusal("doc/readme.txt is missing.")},
        {found::directory, found::old_bytes, refusal("doc/readme.txt is a directory, not a file.")},
        {found::link, found::old_bytes, refusal("doc/readme.txt is a symbolic link, not a file.")},
        {found::pipe, found::old_bytes, refusal("doc/readme.txt is not a regular file.")},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string target = dir / std::to_string(i);
        std::filesystem::create_directories(target);
        place(target + "/doc/readme.txt", cases[i].readme, README, README);
        place(target + "/inc/vorna.h", cases[i].header, HEADER_OLD, HEADER_NEW);
        EXPECT_EQ(problem(target), cases[i].expected) << "case " << i;
    }
    EXPECT_EQ(problem(dir / "absent"), refusal("the target directory does not exist."));
    write_file(dir / "a-file", README);
    EXPECT_EQ(problem(dir / "a-file"), refusal("the target is not a directory."));
}

TEST_F(BaseCheck, AnOlderUpdatesRecordsAreCheckedBySizeAndTime) {
    std::string value(payload::PROFILE_BASE_FILE_HEAD, '\0');
    payload::store_u32(reinterpret_cast<unsigned char*>(value.data()), 7);
    payload::store_u32(reinterpret_cast<unsigned char*>(value.data() + 4), 12345);
    payload::store_u32(reinterpret_cast<unsigned char*>(value.data() + 8), 7);
    payload::store_u32(reinterpret_cast<unsigned char*>(value.data() + 12), 12345);
    use({RELEASE, {payload::PROFILE_BASE_FILE, value + "doc/readme.txt"}});
    place(dir / "doc/readme.txt", found::touched, README, README);
    EXPECT_EQ(problem(dir.path()), "passes");
    write_file(dir / "doc/readme.txt", README);
    EXPECT_EQ(problem(dir.path()), refusal("doc/readme.txt has another size or time."));
}

TEST_F(BaseCheck, LongNamesAreBrokenIntoLinesThatFitAndLoseNothing) {
    const std::string product(payload::PROFILE_MAX_RELEASE_TEXT, 'P');
    const std::string version = "1.0 " + std::string(50, 'v');
    const std::string path = "d\xC3\xA9j\xC3\xA0/" + std::string(200, 'n') + "/f.h";
    use({{payload::PROFILE_UPDATE_OF, char(product.size()) + product + char(version.size()) + version},
         {payload::PROFILE_BASE_CONTENT, base_content_value(path, README, README)}});
    const char* text = install::update_base_problem(dir.path().c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(lines_within(text, payload::MESSAGE_NOT_BASE_WIDTH)) << text;
    const auto words = [](std::string s) {
        std::erase_if(s, [](char c) { return c == ' ' || c == '\n'; });
        return s;
    };
    EXPECT_EQ(words(text), words("Not an installation of " + product + " " + version + " to update: " + path +
                                 " is missing. Install the full release instead (err=15)."));
    EXPECT_TRUE(std::string_view(text).ends_with(" (err=15)."));

    // Short words go onto one line; a word that would pass the width starts the next.
    char wrapped[64];
    install::wrap_text("aa bb cc\ndd", 5, wrapped, sizeof wrapped);
    EXPECT_STREQ(wrapped, "aa bb\ncc\ndd");
    install::wrap_text("abcdefg h", 3, wrapped, sizeof wrapped);
    EXPECT_STREQ(wrapped, "abc\ndef\ng h");
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
