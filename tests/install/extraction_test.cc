// The extraction loop on hand-made payloads: what lands beneath the target, what the same-name removal
// takes away, delete entries, times and modes, the progress line, and every numbered failure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "install_harness.h"
#include "support/installer_texts.h"
#include "support/target_fixture.h"
#include "support/tree_snapshot.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace install_test;

class Extraction : public target_fixture {
  protected:
    std::string install(const test_payload& payload) {
        const process_result r = run_install(payload, target);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_FALSE(r.timed_out);
        return r.err;
    }
    bool exists(const std::string& relative) const {
        struct stat info {};
        return lstat((target + "/" + relative).c_str(), &info) == 0;
    }
    struct stat stat_of(const std::string& relative) const {
        struct stat info {};
        EXPECT_EQ(stat((target + "/" + relative).c_str(), &info), 0) << relative;
        return info;
    }
    static std::string failed(const std::string& line) { return line + "\n" + texts::TERMINATED; }
};

TEST_F(Extraction, WritesFilesWithTheirBytesTimesAndModesAndDrawsProgress) {
    test_payload p;
    p.entries = {{.name = "inc/a.h", .data = "#define A 1\n", .mtime = 1500000000, .mode = 0100644},
                 {.name = "bin/tool", .data = std::string(300, '\x7f'), .mtime = 1600000000},
                 repeated_byte_entry("zeros.bin", 0, 1000)};
    const std::string err = install(p);
    EXPECT_EQ(read_file(target + "/inc/a.h"), "#define A 1\n");
    EXPECT_EQ(read_file(target + "/bin/tool"), std::string(300, '\x7f'));
    EXPECT_EQ(read_file(target + "/zeros.bin"), std::string(1000, '\0'));
    EXPECT_EQ(stat_of("inc/a.h").st_mtime, 1500000000);
    EXPECT_EQ(stat_of("inc/a.h").st_mode & 07777, 0644u);
    EXPECT_EQ(stat_of("bin/tool").st_mode & 07777, 0755u);
    EXPECT_EQ(stat_of("inc").st_mode & 07777, 0755u);
    // Total 1312 bytes: 12 (0%), 312 (23%), 1312 (100%); files before each: 0%, 33%, 66%.
    EXPECT_EQ(err, BANNER + drawing(0, 0, "inc/a.h") + erasure(19) + drawing(33, 23, "bin/tool") +
                       erasure(20) + drawing(66, 100, "zeros.bin") + erasure(21));
}

TEST_F(Extraction, AnEmptyPayloadWritesTheBannerOnly) {
    EXPECT_EQ(install(test_payload{}), BANNER);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(Extraction, TheLastOfFourFilesShows75) {
    test_payload p;
    for (const char* name : {"1", "2", "3", "4"}) p.entries.push_back({.name = name, .data = "x"});
    const std::string err = install(p);
    EXPECT_NE(err.find(drawing(75, 100, "4")), std::string::npos) << err;
}

TEST_F(Extraction, ACompressedFileDrawsAfterEveryChunkButTheLast) {
    test_payload p;
    p.entries = {repeated_byte_entry("big.bin", 'z', 20000)};
    // Chunks end at 8192 (40%) and 16384 (81%); the last chunk draws nothing, the finished file 100%.
    EXPECT_EQ(install(p), BANNER + drawing(0, 40, "big.bin") + std::string(19, '\b') +
                              drawing(0, 81, "big.bin") + std::string(19, '\b') + drawing(0, 100, "big.bin") +
                              erasure(19));
    EXPECT_EQ(read_file(target + "/big.bin"), std::string(20000, 'z'));
}

TEST_F(Extraction, ALaterEntryRemovesEarlierFilesOfItsLastName) {
    write_file(target + "/old/deep/x.h", "stale");
    write_file(target + "/keep/x.h/inside", "a non-empty directory of that name stays");
    test_payload p;
    p.entries = {{.name = "a/x.h", .data = "first"}, {.name = "b/x.h", .data = "second"}};
    install(p);
    EXPECT_FALSE(exists("a/x.h"));
    EXPECT_FALSE(exists("old/deep/x.h"));
    EXPECT_EQ(read_file(target + "/b/x.h"), "second");
    EXPECT_EQ(read_file(target + "/keep/x.h/inside"), "a non-empty directory of that name stays");
}

TEST_F(Extraction, TheRemovalNeverEntersALinkToAnOutsideDirectory) {
    write_file(dir / "outside/x.h", "not ours");
    fs::create_directories(target);
    symlink((dir / "outside").c_str(), (target + "/elsewhere").c_str());
    test_payload p;
    p.entries = {{.name = "x.h", .data = "ours"}};
    install(p);
    EXPECT_EQ(read_file(dir / "outside/x.h"), "not ours");
    EXPECT_EQ(read_file(target + "/x.h"), "ours");
}

// A link to a directory that stood in the target before the installation is a way in, as an
// administrator's link to another disk must be; files reach the directory it names.
TEST_F(Extraction, ALinkThatStoodBeforeTheInstallationIsFollowed) {
    fs::create_directories(dir / "disk");
    fs::create_directories(target);
    symlink((dir / "disk").c_str(), (target + "/lib").c_str());
    test_payload p;
    p.entries = {{.name = "lib/libx.so", .data = "x"}};
    install(p);
    EXPECT_EQ(read_file(dir / "disk/libx.so"), "x");
}

TEST_F(Extraction, DeleteEntriesRemoveFilesAndEmptyDirectoriesOnly) {
    write_file(target + "/gone.txt", "x");
    fs::create_directories(target + "/empty");
    write_file(target + "/full/file", "x");
    test_payload p;
    p.entries = {{.name = "gone.txt", .method = 2},
                 {.name = "empty", .method = 2},
                 {.name = "full", .method = 2},
                 {.name = "never/was", .method = 2},
                 {.name = "after.txt", .data = "a"}};
    const std::string err = install(p);
    EXPECT_FALSE(exists("gone.txt"));
    EXPECT_FALSE(exists("empty"));
    EXPECT_EQ(read_file(target + "/full/file"), "x");
    EXPECT_FALSE(exists("never"));
    // No progress for delete entries; the file percentage still counts them.
    EXPECT_EQ(err, BANNER + drawing(80, 100, "after.txt") + erasure(21));
}

// The directory the last file went into, emptied by a delete and removed by the next entry's same-name
// removal, is made again: a file written into the removed directory would be lost.
TEST_F(Extraction, ADirectoryRemovedUnderTheLastFileIsMadeAgain) {
    test_payload p;
    p.entries = {{.name = "b/c", .data = "c"}, {.name = "b/c", .method = 2}, {.name = "b/b", .data = "b"}};
    (void)install(p);
    EXPECT_EQ(tree_snapshot(target), (std::map<std::string, std::string>{{"b", "dir"}, {"b/b", "file b"}}));
}

TEST_F(Extraction, TimeZeroSetsNeitherTimeNorMode) {
    test_payload p;
    p.entries = {{.name = "t.txt", .data = "t", .mtime = 0, .mode = 0100600}};
    const mode_t old_mask = umask(022);
    install(p);
    umask(old_mask);
    EXPECT_EQ(stat_of("t.txt").st_mode & 07777, 0644u);
    EXPECT_GT(stat_of("t.txt").st_mtime, 1700000000);
}

TEST_F(Extraction, ATargetWithATrailingSlashGetsNoDoubledSlash) {
    test_payload p;
    p.entries = {{.name = "inc/a.h", .data = "a"}};
    const process_result r = run_install(p, target + "/");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(read_file(target + "/inc/a.h"), "a");
}

TEST_F(Extraction, ATargetEndingInABackslashGetsItsSlashInBothPaths) {
    test_payload p;
    p.entries = {{.name = "inc/a.h", .data = "a"}};
    const process_result r = run_install(p, target + "\\");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(target + "\\/inc/a.h"), "a");
}

TEST_F(Extraction, EmptyNamesAndNamesEndingInASlashCannotBeFiles) {
    for (const char* name : {"", "dir/"}) {
        test_payload p;
        p.entries = {{.name = "first.txt", .data = "1"}, {.name = name, .data = ""}};
        EXPECT_EQ(install(p), BANNER + drawing(0, 100, "first.txt") + erasure(21) +
                                  failed("Can't create file - Is a directory (err=5)."))
            << name;
        EXPECT_EQ(read_file(target + "/first.txt"), "1");
    }
}

TEST_F(Extraction, APathPrefixThatIsAFileCannotBeADirectory) {
    write_file(target + "/a", "file");
    test_payload p;
    p.entries = {{.name = "a/b/c.h", .data = "c"}};
    EXPECT_EQ(install(p), BANNER + failed("Can't create directory - File exists (err=4)."));
}

TEST_F(Extraction, ACrcFailureLeavesNothingOfItsFileAndTheEarlierEntries) {
    test_payload p;
    p.entries = {{.name = "ok.txt", .data = "fine"}, {.name = "bad.txt", .data = "original"}};
    std::string image = stub_with_payload(payload_bytes(p));
    image[image.size() - 1] ^= 0x01;  // the last stored byte
    const process_result r = run_install_image(image, target);
    EXPECT_EQ(r.err, BANNER + drawing(0, 33, "ok.txt") + erasure(18) + failed("Corrupted file(s) (err=4)."));
    EXPECT_EQ(tree_snapshot(target), (std::map<std::string, std::string>{{"ok.txt", "file fine"}}));
}

TEST_F(Extraction, ADecoderFailureIsDecompressionError) {
    test_payload p;
    // A length-code count of 1 with one length: a set of one nonzero length is refused.
    p.entries = {{.name = "bad.bin",
                  .data = "xyz",
                  .method = 1,
                  .stored = std::string("\x00\x03\x09\x00\x00", 5),
                  .use_stored = true}};
    EXPECT_EQ(install(p), BANNER + failed("Decompression error (err=1)."));
    EXPECT_TRUE(tree_snapshot(target).empty());
}

TEST_F(Extraction, AFailureAfterChunkDrawingsFollowsThemWhole) {
    test_payload p;
    // The stream holds 10000 of the 20000 bytes: the bytes fail their CRC behind two chunk drawings and
    // before the finished file's drawing and its erase.
    p.entries = {{.name = "cut.bin",
                  .data = std::string(20000, 'c'),
                  .method = 1,
                  .stored = single_byte_stream('c', 10000),
                  .use_stored = true}};
    EXPECT_EQ(install(p), BANNER + drawing(0, 40, "cut.bin") + std::string(19, '\b') +
                              drawing(0, 81, "cut.bin") + failed("Corrupted file(s) (err=5)."));
}

TEST_F(Extraction, ACompressedEmptyFileNeedsNoDecoder) {
    test_payload p;
    p.entries = {{.name = "empty.bin", .data = "", .method = 1, .stored = "junk", .use_stored = true}};
    install(p);
    EXPECT_EQ(read_file(target + "/empty.bin"), "");
}

}  // namespace
