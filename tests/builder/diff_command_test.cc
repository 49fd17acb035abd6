// diff compares the trees two installers leave, not their payloads: installers that differ only in what
// same-name removal discards are equal, and every file added, removed or changed in bytes, time or mode
// is named once. Exit status as diff(1) gives it: 0 equal, 1 different, 2 trouble.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder_test_util.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

TEST(Diff, InstallersThatLeaveTheSameTreeAreEqual) {
    temp_dir dir;
    write_tree(dir / "one", {{"a/x.h", "removed by b/x.h at installation"}, {"b/x.h", "kept"}});
    write_tree(dir / "two", {{"a/x.h", "other bytes, removed as well"}, {"b/x.h", "kept"}});
    const auto same = run_mkinstaller(
        {"diff", build_whole_tree({dir / "one", dir / "1"}), build_whole_tree({dir / "two", dir / "2"})});
    EXPECT_EQ(same.exit_code, 0) << same.err;
    EXPECT_EQ(same.out, "");
    // Without a/x.h nothing makes the directory a, which the others leave empty.
    write_timed_file(dir / "three/b/x.h", "kept");
    const auto r = run_mkinstaller({"diff", dir / "1", build_whole_tree({dir / "three", dir / "3"})});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "removed  a/\n");
}

TEST(Diff, NamesEveryAddedRemovedAndChangedPathAsTextAndJson) {
    temp_dir dir;
    write_tree(dir / "old", {{"same", "s"}, {"bytes", "1"}, {"time", "t"}, {"mode", "m"}, {"gone/f", "g"}});
    write_tree(dir / "new", {{"same", "s"}, {"bytes", "2"}, {"mode", "m"}, {"gone", "now a file"}});
    write_timed_file(dir / "new/time", "t", TEST_TIME + 1);
    std::filesystem::permissions(dir / "new/mode", std::filesystem::perms::owner_all);
    const auto r = run_mkinstaller(
        {"diff", build_whole_tree({dir / "old", dir / "o"}), build_whole_tree({dir / "new", dir / "n"})});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_EQ(r.out,
              "changed  bytes (bytes)\n"
              "added    gone\n"
              "removed  gone/\n"
              "removed  gone/f\n"
              "changed  mode (mode)\n"
              "changed  time (time)\n");
    const auto json = run_mkinstaller({"diff", "--json", dir / "o", dir / "n"});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_NE(json.out.find("\"equal\": false"), std::string::npos);
    EXPECT_NE(
        json.out.find("{\"change\": \"changed\", \"path\": \"mode\", \"bytes\": false, \"time\": false, "
                      "\"mode\": true}"),
        std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("{\"change\": \"removed\", \"path\": \"gone/\"}"), std::string::npos);
}

TEST(Diff, ATimeOfZeroSetsNeitherTimeNorMode) {
    temp_dir dir;
    using testing_support::write_installer;
    write_installer(dir / "unset", {.entries = {{.name = "f", .data = "1", .mtime = 0, .mode = 0100755}}});
    write_installer(dir / "unset-too",
                    {.entries = {{.name = "f", .data = "1", .mtime = 0, .mode = 0100600}}});
    write_installer(dir / "set",
                    {.entries = {{.name = "f", .data = "1", .mtime = TEST_TIME, .mode = 0100755}}});
    EXPECT_EQ(run_mkinstaller({"diff", dir / "unset", dir / "unset-too"}).exit_code, 0);
    EXPECT_EQ(run_mkinstaller({"diff", dir / "unset", dir / "set"}).out, "changed  f (time, mode)\n");
}

TEST(Diff, DamagedOrMissingInstallersAreTroubleNotDifferences) {
    temp_dir dir;
    write_timed_file(dir / "src/file", "content");
    const std::string good = build_whole_tree({dir / "src", dir / "good"});
    std::string image = testing_support::read_file(good);
    image.back() ^= 1;  // the last stored byte: its CRC fails
    testing_support::write_file(dir / "bad", image);
    const auto bad = run_mkinstaller({"diff", good, dir / "bad"});
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_NE(bad.err.find("diff: \"" + dir / "bad" + "\": entry 1 \"file\": stored bytes fail their CRC"),
              std::string::npos)
        << bad.err;
    EXPECT_EQ(run_mkinstaller({"diff", dir / "missing", good}).exit_code, 2);
    EXPECT_EQ(run_mkinstaller({"diff", good}).exit_code, 2);
}

}  // namespace
