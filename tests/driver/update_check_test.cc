// An update's base check passes a file as the release left it or as the update leaves it, and nothing
// else: an empty target, another product, another release, a link or a directory in a file's place. The
// records it reads are profile damage when malformed, as every other setting's are.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "driver/update_check.h"
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
    const payload::base_file file{"inc/vorna.h", 3, OLD_TIME, 5, NEW_TIME};
    const auto problem = [&] {
        const char* text = driver::base_file_problem(dir.path(), file);
        return std::string(text == nullptr ? "" : text);
    };
    EXPECT_EQ(problem(), payload::MESSAGE_NOT_BASE_MISSING);
    write_timed(dir / "inc/vorna.h", "old", OLD_TIME);
    EXPECT_EQ(problem(), "");
    write_timed(dir / "inc/vorna.h", "newer", NEW_TIME);  // an interrupted update wrote it already
    EXPECT_EQ(problem(), "");
    write_timed(dir / "inc/vorna.h", "newer", OLD_TIME);  // the new size with the old time
    EXPECT_EQ(problem(), payload::MESSAGE_NOT_BASE_DIFFERS);
    write_timed(dir / "inc/vorna.h", "ol", OLD_TIME);
    EXPECT_EQ(problem(), payload::MESSAGE_NOT_BASE_DIFFERS);

    // A time of 0 is not compared; the size still is.
    const payload::base_file untimed{"inc/vorna.h", 2, 0, 2, 0};
    EXPECT_EQ(driver::base_file_problem(dir.path(), untimed), nullptr);

    // A link to a matching file and a directory stand where the release left a file.
    write_timed(dir / "real.h", "old", OLD_TIME);
    ASSERT_EQ(unlink((dir / "inc/vorna.h").c_str()), 0);
    ASSERT_EQ(symlink((dir / "real.h").c_str(), (dir / "inc/vorna.h").c_str()), 0);
    EXPECT_EQ(problem(), payload::MESSAGE_NOT_BASE_DIFFERS);
    ASSERT_EQ(unlink((dir / "inc/vorna.h").c_str()), 0);
    ASSERT_EQ(mkdir((dir / "inc/vorna.h").c_str(), 0755), 0);
    EXPECT_EQ(problem(), payload::MESSAGE_NOT_BASE_DIFFERS);
    // A file where the release had a directory on the path: nothing reachable.
    write_timed(dir / "inc2", "x", OLD_TIME);
    EXPECT_STREQ(driver::base_file_problem(dir.path(), {"inc2/vorna.h", 3, OLD_TIME, 5, NEW_TIME}),
                 payload::MESSAGE_NOT_BASE_MISSING);
}

std::string base_value(std::uint32_t size, std::int32_t mtime, const std::string& path) {
    std::string value;
    for (const std::uint32_t word :
         {size, static_cast<std::uint32_t>(mtime), size, static_cast<std::uint32_t>(mtime)})
        for (int shift = 0; shift < 32; shift += 8) value.push_back(static_cast<char>(word >> shift));
    return value + path;
}

TEST(UpdateCheck, MalformedUpdateRecordsAreDamage) {
    const profile_setting release{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x03") + "1.0"};
    const profile_setting file{payload::PROFILE_BASE_FILE, base_value(1, OLD_TIME, "a/b")};
    const std::vector<std::vector<profile_setting>> damaged = {
        {file},                                                                // a file of no release
        {{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x04") + "1.0"}},  // a text cut short
        {{payload::PROFILE_UPDATE_OF, std::string("\x00\x03", 2) + "1.0"}},    // an empty product
        {release, {payload::PROFILE_BASE_FILE, base_value(1, OLD_TIME, "../etc/passwd")}},
        {release, {payload::PROFILE_BASE_FILE, base_value(1, OLD_TIME, "a\nb")}},
        {release, {payload::PROFILE_BASE_FILE, base_value(1, OLD_TIME, "")}},
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
    // Sound records read back as written.
    payload::profile_region_bytes region = payload::empty_profile_region();
    write_region(region.data(), profile_content({release, file}));
    payload::vendor_profile profile;
    ASSERT_EQ(payload::read_profile_region(region.data(), region.size(), profile),
              payload::profile_check::written);
    EXPECT_EQ(profile.update_of->product, "VORNA");
    EXPECT_EQ(profile.update_of->version, "1.0");
    ASSERT_EQ(profile.base_count, 1u);
    EXPECT_EQ(profile.base_files[0].path, "a/b");
    EXPECT_EQ(profile.base_files[0].old_mtime, OLD_TIME);
}

}  // namespace
