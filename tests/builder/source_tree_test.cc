// The source tree scan: which files become entries, in which order and with which times, and everything
// it must refuse or skip.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "builder/pack/source_tree.h"
#include "builder/util/error.h"
#include "builder_test_util.h"

namespace {

using namespace builder_test;
using builder::scan_source_tree;

std::vector<std::string> names_of(const builder::source_tree& tree) {
    std::vector<std::string> names;
    for (const auto& e : tree.entries) names.push_back(e.name);
    return names;
}

void expect_refused(const std::string& source, const std::string& words) {
    try {
        scan_source_tree(source);
        ADD_FAILURE() << "scan accepted the tree";
    } catch (const builder::error& e) {
        EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
    }
}

TEST(SourceTreeScan, EntriesAreRegularFilesInByteOrderOfTheirWholeNames) {
    temp_dir dir;
    for (const char* name : {"z", "a0", "a/b", "a-c", "B", "a/\xc3\xa9", "a/Z/y"})
        write_file(dir / name, "x");
    std::filesystem::create_directories(dir / "empty/inner");
    const auto tree = scan_source_tree(dir.path());
    EXPECT_EQ(names_of(tree),
              (std::vector<std::string>{"B", "a-c", "a/Z/y", "a/b", "a/\xc3\xa9", "a0", "z"}));
    // Only "empty/inner" is reported: "empty" holds a directory, so it is not empty itself.
    EXPECT_EQ(tree.warnings,
              std::vector<std::string>{"skipping empty directory \"empty/inner\": an installer "
                                       "cannot hold a directory without files"});
}

TEST(SourceTreeScan, SizesAndTimesComeFromTheFiles) {
    temp_dir dir;
    write_timed_file(dir / "old", "12345", -2147483648LL);
    write_timed_file(dir / "epoch", "", 0);
    write_timed_file(dir / "late", "1", 2147483647LL);
    const auto tree = scan_source_tree(dir.path());
    ASSERT_EQ(tree.entries.size(), 3u);
    EXPECT_EQ(tree.entries[0].name, "epoch");
    EXPECT_EQ(tree.entries[0].mtime, 1) << "0 would tell the installer to set no time";
    EXPECT_EQ(tree.entries[1].mtime, 2147483647);
    EXPECT_EQ(tree.entries[2].mtime, -2147483647 - 1);
    EXPECT_EQ(tree.entries[2].size, 5u);
}

TEST(SourceTreeScan, LinksToFilesCountAsTheFile) {
    temp_dir dir;
    write_timed_file(dir / "real/data", "0123456789", TEST_TIME - 100);
    std::filesystem::create_directories(dir / "link");
    ASSERT_EQ(symlink("../real/data", (dir / "link/data").c_str()), 0);
    const auto tree = scan_source_tree(dir.path());
    ASSERT_EQ(names_of(tree), (std::vector<std::string>{"link/data", "real/data"}));
    EXPECT_EQ(tree.entries[0].size, 10u);
    EXPECT_EQ(tree.entries[0].mtime, TEST_TIME - 100);
}

TEST(SourceTreeScan, LinksToDirectoriesAndSpecialFilesAreSkippedWithAWarning) {
    temp_dir dir;
    write_file(dir / "sub/file", "x");
    ASSERT_EQ(symlink("sub", (dir / "dirlink").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink("pipe", (dir / "pipelink").c_str()), 0);
    const auto tree = scan_source_tree(dir.path());
    EXPECT_EQ(names_of(tree), (std::vector<std::string>{"sub/file"}));
    ASSERT_EQ(tree.warnings.size(), 3u);
    std::string all;
    for (const auto& w : tree.warnings) all += w + "\n";
    EXPECT_NE(all.find("\"dirlink\": symbolic link to a directory"), std::string::npos) << all;
    EXPECT_NE(all.find("\"pipe\": fifo"), std::string::npos) << all;
    EXPECT_NE(all.find("\"pipelink\": symbolic link to a fifo"), std::string::npos) << all;
}

TEST(SourceTreeScan, RefusesWhatThePayloadCannotCarry) {
    {
        temp_dir dir;
        ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
        expect_refused(dir.path(), "\"dangling\" is a dangling symbolic link");
    }
    {
        temp_dir dir;
        write_file(dir / "sub/win\\name", "x");
        expect_refused(dir.path(), "\"sub/win\\\\name\": names must not contain '\\'");
    }
    {
        temp_dir dir;
        write_timed_file(dir / "future", "x", 2147483648LL);
        expect_refused(dir.path(), "\"future\": modification time 2147483648 does not fit");
    }
    temp_dir dir;
    expect_refused(dir / "missing", "cannot open source directory");
    write_file(dir / "plain", "x");
    expect_refused(dir / "plain", "is not a directory");
}

// Control bytes would reach the terminal of whoever installs (the progress line shows every name): a file
// bearing one is refused, and a skipped one is named with its control bytes escaped.
TEST(SourceTreeScan, ControlBytesInNamesAreRefusedOrShownEscaped) {
    temp_dir dir;
    ASSERT_EQ(mkfifo((dir / "p\tq\\").c_str(), 0644), 0);
    write_file(dir / "sub/ok", "x");
    EXPECT_EQ(scan_source_tree(dir.path()).warnings,
              std::vector<std::string>{"skipping \"p\\tq\\\\\": fifo"});
    write_file(dir / "sub/bell\a\x01\x7f", "x");
    expect_refused(dir.path(), "\"sub/bell\\a\\x01\\x7f\": names must not contain control characters");
}

TEST(SourceTreeScan, RefusesTimesBefore1901) {
    temp_dir dir;
    write_timed_file(dir / "ancient", "x", -2147483649LL);
    struct stat st {};
    ASSERT_EQ(stat((dir / "ancient").c_str(), &st), 0);
    if (st.st_mtim.tv_sec != -2147483649LL) GTEST_SKIP() << "this file system cannot hold such a time";
    expect_refused(dir.path(), "\"ancient\": modification time -2147483649 does not fit");
}

// Sparse files: their sizes cost no disk space and the scan never reads them.
TEST(SourceTreeScan, FileSizesMustStayBelow4GiBAndTheirSumFit32Bits) {
    temp_dir dir;
    write_file(dir / "big", "");
    ASSERT_EQ(truncate((dir / "big").c_str(), 0xFFFFFFFFLL), 0);
    EXPECT_EQ(scan_source_tree(dir.path()).entries.at(0).size, 0xFFFFFFFFu);

    ASSERT_EQ(truncate((dir / "big").c_str(), 0x100000000LL), 0);
    expect_refused(dir.path(), "\"big\" is 4294967296 bytes long");

    ASSERT_EQ(truncate((dir / "big").c_str(), 0x80000000LL), 0);
    write_file(dir / "big2", "");
    ASSERT_EQ(truncate((dir / "big2").c_str(), 0x80000000LL), 0);
    expect_refused(dir.path(), "the files add up to 4294967296 bytes");
}

TEST(SourceTreeScan, NamesUpTo4090BytesFitARecord) {
    temp_dir dir;
    // temp_dir's own removal goes by path, which these depths exceed.
    struct deep_cleanup {
        std::string root;
        ~deep_cleanup() { remove_deep_tree(root); }
    } cleanup{dir.path()};
    std::filesystem::create_directories(dir / "ok");
    std::filesystem::create_directories(dir / "long");
    make_deep_file(dir / "ok", 4090);
    make_deep_file(dir / "long", 4091);
    const auto tree = scan_source_tree(dir / "ok");
    ASSERT_EQ(tree.entries.size(), 1u);
    EXPECT_EQ(tree.entries[0].name.size(), 4090u);
    expect_refused(dir / "long", "is 4091 bytes long; at most 4090 fit a record");
}

}  // namespace
