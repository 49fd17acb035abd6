// An update's base check passes a file as the release left it or as the update leaves it, and nothing
// else: an empty target, another product, another release, a link or a directory in a file's place. The
// records it reads are profile damage when malformed, as every other setting's are.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "install/update_check.h"
#include "payload/installer_messages.h"
#include "support/dialogue_fixture.h"
#include "support/stub_regions.h"

namespace {

using namespace testing_support;

constexpr std::int32_t OLD_TIME = 1700000000;
constexpr std::int32_t NEW_TIME = 1700000500;

void write_timed(const std::string& path, const std::string& bytes, std::int32_t mtime) {
    write_file(path, bytes);
    const timeval times[2] = {{mtime, 0}, {mtime, 0}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
}

TEST(UpdateCheck, AFilePassesInTheReleasesStateOrInTheUpdatesAndInNoOther) {
    temp_dir dir;
    const auto problem = [&](const payload::base_file& file) {
        const char* words = install::base_state_words(install::base_file_state(dir.path(), file));
        return std::string(words == nullptr ? "passes" : words);
    };
    const payload::base_file file{"inc/vorna.h", 3, OLD_TIME, 5, NEW_TIME};
    const struct {
        std::string bytes;
        std::int32_t mtime;
        std::string expected;
    } states[] = {{"old", OLD_TIME, "passes"},
                  {"newer", NEW_TIME, "passes"},   // an interrupted update wrote it already
                  {"newer", OLD_TIME, "differs"},  // the new size with the old time
                  {"ol", OLD_TIME, "differs"}};
    EXPECT_EQ(problem(file), "is missing");
    for (const auto& state : states) {
        write_timed(dir / "inc/vorna.h", state.bytes, state.mtime);
        EXPECT_EQ(problem(file), state.expected) << state.bytes << " " << state.mtime;
    }
    EXPECT_EQ(problem({"inc/vorna.h", 2, 0, 2, 0}), "passes");        // a time of 0 is not compared
    EXPECT_EQ(problem({"inc/vorna.h/x", 2, 0, 2, 0}), "is missing");  // nothing reachable
    // A link to a matching file, and a directory, stand where the release left a file.
    ASSERT_EQ(rename((dir / "inc/vorna.h").c_str(), (dir / "real.h").c_str()), 0);
    ASSERT_EQ(symlink((dir / "real.h").c_str(), (dir / "inc/vorna.h").c_str()), 0);
    EXPECT_EQ(problem({"inc/vorna.h", 2, 0, 2, 0}), "differs");
    ASSERT_EQ(unlink((dir / "inc/vorna.h").c_str()), 0);
    ASSERT_EQ(mkdir((dir / "inc/vorna.h").c_str(), 0755), 0);
    EXPECT_EQ(problem(file), "differs");
}

// Sizes and times, all 0, in front of a base file's path.
const std::string NO_STATES(payload::PROFILE_BASE_FILE_HEAD, '\0');

TEST(UpdateCheck, MalformedUpdateRecordsAreDamage) {
    const profile_setting release{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x03") + "1.0"};
    const profile_setting file{payload::PROFILE_BASE_FILE, NO_STATES + "a/b"};
    const std::vector<std::vector<profile_setting>> damaged = {
        {file},                                                                // a file of no release
        {{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x04") + "1.0"}},  // a text cut short
        {{payload::PROFILE_UPDATE_OF, std::string("\x00\x03", 2) + "1.0"}},    // an empty product
        {release, {payload::PROFILE_BASE_FILE, NO_STATES + "../etc/passwd"}},
        {release, {payload::PROFILE_BASE_FILE, NO_STATES + "a\nb"}},
        {release, {payload::PROFILE_BASE_FILE, NO_STATES}},
        {release, file, file, file, file, file, file, file, file, file},  // nine files
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
