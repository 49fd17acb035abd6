// extract never writes outside DIR, whatever DIR already holds: a link planted at a directory's place is
// refused, not followed; --force replaces a file as a name, so a hard link to a file outside keeps its
// bytes and mode; set-id bits are dropped unless asked for; and an entry that fails leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "builder_fixtures.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

using ExtractContainment = extract_fixture;

TEST_F(ExtractContainment, ALinkInTheMiddleOfAPathIsNeverFollowed) {
    const std::string setup = installer_of({.entries = {{.name = "src/vorna.c", .data = "int main;"}}});
    // As anyone may plant in a shared directory; the link leads to a directory of the test's own.
    std::filesystem::create_directories(dir / "elsewhere");
    std::filesystem::create_directories(out);
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (out + "/src").c_str()), 0);
    for (const bool force : {false, true}) {
        std::vector<std::string> args{"extract", setup, out};
        if (force) args.insert(args.begin() + 1, "--force");
        const auto r = run_mkinstaller(args);
        EXPECT_EQ(r.exit_code, 1) << force;
        EXPECT_NE(r.err.find("\"src\" is a symbolic link"), std::string::npos) << r.err;
        EXPECT_TRUE(dir_names(dir / "elsewhere").empty());
    }
}

TEST_F(ExtractContainment, ForceReplacesAHardLinkWithoutWritingThroughIt) {
    const std::string setup = installer_of({.entries = {{.name = "x.txt", .data = "new", .mode = 0100755}}});
    write_file(dir / "outside.txt", "keep");
    ASSERT_EQ(chmod((dir / "outside.txt").c_str(), 0600), 0);
    std::filesystem::create_directories(out);
    ASSERT_EQ(link((dir / "outside.txt").c_str(), (out + "/x.txt").c_str()), 0);

    const auto r = run_mkinstaller({"extract", "--force", setup, out});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(out + "/x.txt"), "new");
    EXPECT_EQ(mode_of(out + "/x.txt"), 0755u);
    EXPECT_EQ(read_file(dir / "outside.txt"), "keep");
    EXPECT_EQ(mode_of(dir / "outside.txt"), 0600u);
}

TEST_F(ExtractContainment, SetIdAndStickyBitsAreDroppedUnlessKept) {
    const std::string setup =
        installer_of({.entries = {{.name = "tool", .data = "#!/bin/sh\n", .mode = 0107755}}});
    ASSERT_EQ(run_mkinstaller({"extract", setup, out}).exit_code, 0);
    EXPECT_EQ(mode_of(out + "/tool"), 0755u);

    const auto kept = run_mkinstaller({"extract", "--keep-setid", setup, dir / "kept"});
    ASSERT_EQ(kept.exit_code, 0) << kept.err;
    EXPECT_EQ(mode_of(dir / "kept/tool"), 07755u);
}

TEST_F(ExtractContainment, AFailingEntryLeavesNothingOfItselfBehind) {
    // Decodes to 20000 bytes, but not to those its data CRC describes: the failure shows only at the end.
    testing_support::test_entry wrong = testing_support::repeated_byte_entry("new/deep/z.bin", 'z', 20000);
    wrong.data = std::string(20000, 'y');
    const std::string setup = installer_of({.entries = {{.name = "a.txt", .data = "a"}, wrong}});
    write_file(out + "/new/old.txt", "old");

    const auto r = run_mkinstaller({"extract", setup, out});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Corrupted file(s) (err=5).\") (1 files written before it)"), std::string::npos)
        << r.err;
    EXPECT_EQ(dir_names(out), (std::vector<std::string>{"a.txt", "new"}));
    EXPECT_EQ(dir_names(out + "/new"), std::vector<std::string>{"old.txt"});

    // With --force, a file already at the damaged entry's place keeps its bytes.
    write_file(out + "/new/deep/z.bin", "before");
    EXPECT_EQ(run_mkinstaller({"extract", "--force", setup, out}).exit_code, 1);
    EXPECT_EQ(read_file(out + "/new/deep/z.bin"), "before");
    EXPECT_EQ(dir_names(out + "/new/deep"), std::vector<std::string>{"z.bin"});
}

}  // namespace
