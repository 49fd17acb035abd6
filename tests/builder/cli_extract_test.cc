// mkinstaller extract run as a program: files come out with their bytes, times and modes; existing files
// are never overwritten without --force; delete entries are skipped; damaged or unsafe entries stop it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "builder_fixtures.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;
using testing_support::repeated_byte_entry;

using CliExtract = extract_fixture;

TEST_F(CliExtract, WritesEveryFileWithItsBytesTimeAndMode) {
    write_timed_file(dir / "src/bin/tool", junk_bytes(70000), 1600000000);
    write_timed_file(dir / "src/a b/notes.txt", "notes\n", 1500000000);
    write_timed_file(dir / "src/empty", "", 1400000000);
    build_installer({"--build-time", "1700000000", dir / "src", dir / "setup"});

    const auto r = run_mkinstaller({"extract", dir / "setup", out});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("extracted 3 files, 70006 bytes"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(out + "/bin/tool"), junk_bytes(70000));
    EXPECT_EQ(read_file(out + "/a b/notes.txt"), "notes\n");
    EXPECT_EQ(read_file(out + "/empty"), "");
    EXPECT_EQ(lstat_of(out + "/bin/tool").st_mtime, 1600000000);
    EXPECT_EQ(lstat_of(out + "/a b/notes.txt").st_mtime, 1500000000);
    EXPECT_EQ(mode_of(out + "/bin/tool"), mode_of(dir / "src/bin/tool"));
    EXPECT_EQ(mode_of(out + "/bin"), 0755u);
}

TEST_F(CliExtract, NeverOverwritesWithoutForce) {
    const std::string setup = installer_of({.entries = {{.name = "x.txt", .data = "new"}}});
    write_file(out + "/x.txt", "old");
    const auto refused = run_mkinstaller({"extract", setup, out});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("exists"), std::string::npos) << refused.err;
    EXPECT_EQ(read_file(out + "/x.txt"), "old");

    const auto forced = run_mkinstaller({"extract", "--force", setup, out});
    EXPECT_EQ(forced.exit_code, 0) << forced.err;
    EXPECT_EQ(read_file(out + "/x.txt"), "new");
}

TEST_F(CliExtract, NeverWritesThroughALinkAtTheFilesPlace) {
    const std::string setup = installer_of({.entries = {{.name = "x.txt", .data = "new"}}});
    write_file(dir / "elsewhere", "keep");
    std::filesystem::create_directories(out);
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (out + "/x.txt").c_str()), 0);
    EXPECT_EQ(run_mkinstaller({"extract", "--force", setup, out}).exit_code, 1);
    EXPECT_EQ(read_file(dir / "elsewhere"), "keep");
}

TEST_F(CliExtract, SkipsDeleteEntriesAndKeepsTimeZeroEntriesAsWritten) {
    const std::string setup =
        installer_of({.entries = {{.name = "gone.txt", .method = 2},
                                  {.name = "kept.txt", .data = "k", .mtime = 0, .mode = 0100600}}});
    const auto r = run_mkinstaller({"extract", setup, out});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(path_exists(out + "/gone.txt"));
    EXPECT_EQ(read_file(out + "/kept.txt"), "k");
    // Time 0: neither time nor mode is applied, as in the installer.
    EXPECT_NE(mode_of(out + "/kept.txt"), 0600u);
}

TEST_F(CliExtract, StopsAtDamagedOrUnsafeEntries) {
    int round = 0;
    for (const char* name : {"../escape.txt", "/abs.txt", "a/../../b.txt"}) {
        const std::string setup =
            installer_of({.entries = {{.name = "ok.txt", .data = "ok"}, {.name = name, .data = "x"}}});
        const auto r = run_mkinstaller({"extract", setup, dir / ("unsafe" + std::to_string(++round) + "/x")});
        EXPECT_EQ(r.exit_code, 1) << name;
        EXPECT_NE(r.err.find("Corrupted file(s) (err=6)."), std::string::npos) << r.err;
        // Only the safe entry before it came out, and nothing beside the target.
        EXPECT_EQ(dir_names(dir / ("unsafe" + std::to_string(round))), std::vector<std::string>{"x"});
        EXPECT_EQ(dir_names(dir / ("unsafe" + std::to_string(round) + "/x")),
                  std::vector<std::string>{"ok.txt"});
        EXPECT_FALSE(path_exists("/abs.txt"));
    }
    std::string image = read_file(installer_of({.entries = {{.name = "a.txt", .data = "abc"}}}));
    image[image.size() - 1] ^= 0x01;
    write_file(dir / "damaged", image);
    const auto r = run_mkinstaller({"extract", dir / "damaged", out});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Corrupted file(s) (err=4)."), std::string::npos) << r.err;
    EXPECT_FALSE(path_exists(out + "/a.txt"));
}

TEST_F(CliExtract, UsageErrors) {
    EXPECT_EQ(run_mkinstaller({"extract"}).exit_code, 2);
    EXPECT_EQ(run_mkinstaller({"extract", dir / "setup"}).exit_code, 2);
    EXPECT_EQ(run_mkinstaller({"extract", "--force=yes", dir / "setup", out}).exit_code, 2);
    EXPECT_EQ(run_mkinstaller({"extract", "a", "b", "c"}).exit_code, 2);
    const auto help = run_mkinstaller({"extract", "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("usage: mkinstaller extract [--force] [--keep-setid] INSTALLER DIR"),
              std::string::npos);
}

// Compressed entries are decoded as the installer decodes them, and their failures named alike.
TEST(CompressedEntries, VerifyAndExtractDecodeThem) {
    temp_dir dir;
    const std::string setup = testing_support::write_installer(
        dir / "setup",
        {.entries = {repeated_byte_entry("z.bin", 'z', 20000), {.name = "plain", .data = "p"}}});
    EXPECT_EQ(run_mkinstaller({"verify", setup}).exit_code, 0);
    const auto r = run_mkinstaller({"extract", setup, dir / "out"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(dir / "out/z.bin"), std::string(20000, 'z'));
}

TEST(CompressedEntries, WrongBytesAndBadTablesAreNamed) {
    temp_dir dir;
    // Decodes fine, but to other bytes than its data CRC describes.
    test_entry wrong = repeated_byte_entry("w.bin", 'w', 100);
    wrong.data = std::string(100, 'x');
    auto r = run_mkinstaller({"verify", testing_support::write_installer(dir / "a", {.entries = {wrong}})});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Corrupted file(s) (err=5)."), std::string::npos) << r.err;

    // A length-code set of one nonzero length: the decoder refuses the table.
    const test_entry bad{.name = "b.bin",
                         .data = "abc",
                         .method = 1,
                         .stored = std::string("\x00\x03\x09\x00\x00", 5),
                         .use_stored = true};
    r = run_mkinstaller({"verify", testing_support::write_installer(dir / "b", {.entries = {bad}})});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Decompression error (err=1)."), std::string::npos) << r.err;
}

// A payload that is not whole in its file is refused by extract as by the installer.
TEST(ExtractVolume, APayloadNotWholeInItsFileIsRefused) {
    testing_support::temp_dir dir;
    std::string image = testing_support::stub_with_payload(
        testing_support::payload_bytes({.entries = {{.name = "a.txt", .data = "a"}}}));
    const std::size_t header = image.size() - (1028 + 38 + 5 + 8 + 1);
    testing_support::put_u32(image, header + 276, 1);
    testing_support::reseal_header(image, header);
    testing_support::write_file(dir / "setup", image);
    const auto r = builder_test::run_mkinstaller({"extract", dir / "setup", dir / "out"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("header volume is 0x00000001"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Can't find attachments (err=2)."), std::string::npos) << r.err;
    EXPECT_FALSE(builder_test::path_exists(dir / "out/a.txt"));
}

}  // namespace
