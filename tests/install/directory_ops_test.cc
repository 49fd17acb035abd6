// Directory creation along a path, same-name removal beneath a tree (never following links beneath it),
// and string joining.
#include "install/directory_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "install/concat_strings.h"
#include "support/target_fixture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using install::make_dir_path;
using install::remove_named_entries;
using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::write_file;

int make(std::string path) {
    return make_dir_path(path.data());
}

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

TEST(MakeDirPath, CreatesEveryMissingDirectoryWithMode0755) {
    temp_dir dir;
    const mode_t old_mask = umask(022);
    EXPECT_EQ(make(dir / "a/b/c"), 1);
    umask(old_mask);
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    struct stat info {};
    stat((dir / "a/b").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_EQ(make(dir / "a/b/c"), 1);  // all there already
}

TEST(MakeDirPath, DoubledAndTrailingSlashesAndBackslashes) {
    temp_dir dir;
    EXPECT_EQ(make(dir / "a//b/"), 1);
    EXPECT_TRUE(fs::is_directory(dir / "a/b"));
    EXPECT_EQ(make(dir / "x\\y"), 1);  // one directory whose name holds a backslash
    EXPECT_TRUE(fs::is_directory(dir / "x\\y"));
    EXPECT_FALSE(exists(dir / "x"));
    EXPECT_EQ(make("/"), 1);
    EXPECT_EQ(make(""), 1);
    EXPECT_EQ(make_dir_path(nullptr), 1);
}

// A prefix that is a file fails with EEXIST and keeps the file; beyond a known prefix the outcome and errno
// are the same as for the whole path.
TEST(MakeDirPath, APrefixThatIsAFileFailsWithEexistAlsoBeyondAKnownPrefix) {
    temp_dir dir;
    fs::create_directories(dir / "d/existing");
    write_file(dir / "d/file", "x");
    const std::size_t known = (dir / "d").size();
    for (const bool beyond : {false, true}) {
        SCOPED_TRACE(beyond ? "beyond the known prefix" : "the whole path");
        const auto made = [&](std::string path) {
            return beyond ? install::make_dir_path_beyond(path.data(), known) : make(path);
        };
        const std::string fresh = dir / (beyond ? "d/new-beyond/deeper" : "d/new/deeper");
        EXPECT_EQ(made(fresh), 1);
        EXPECT_TRUE(fs::is_directory(fresh));
        EXPECT_EQ(made(dir / "d/existing/x"), 1);
        errno = 0;
        EXPECT_EQ(made(dir / "d/file/x"), 0);
        EXPECT_EQ(errno, EEXIST);
        EXPECT_EQ(read_file(dir / "d/file"), "x");
    }
}

TEST(MakeDirPath, PutsEverySeparatorBack) {
    temp_dir dir;
    std::string path = dir / "p/q/r";
    const std::string before = path;
    make_dir_path(path.data());
    EXPECT_EQ(path, before);
}

using RemoveNamed = testing_support::target_fixture;

TEST_F(RemoveNamed, RemovesTheNameAtEveryDepthAndNothingElse) {
    for (const char* p : {"readme.txt", "a/readme.txt", "a/b/c/readme.txt", "a/README.TXT",
                          "a/readme.txt.bak", ".hidden/readme.txt", "a/b/other"}) {
        write_file(target + "/" + p, "x");
    }
    remove_named_entries(target.c_str(), "readme.txt");
    for (const char* gone : {"readme.txt", "a/readme.txt", "a/b/c/readme.txt", ".hidden/readme.txt"}) {
        EXPECT_FALSE(exists(target + "/" + gone)) << gone;
    }
    for (const char* kept : {"a/README.TXT", "a/readme.txt.bak", "a/b/other"}) {
        EXPECT_TRUE(exists(target + "/" + kept)) << kept;
    }
}

TEST_F(RemoveNamed, AnEmptyDirectoryGoesANonEmptyOneStaysUnentered) {
    fs::create_directories(target + "/x/name");
    write_file(target + "/y/name/name", "inside");
    remove_named_entries(target.c_str(), "name");
    EXPECT_FALSE(exists(target + "/x/name"));
    EXPECT_EQ(read_file(target + "/y/name/name"), "inside");
}

TEST_F(RemoveNamed, LinksBeneathTheTreeAreRemovedByNameButNeverFollowed) {
    write_file(dir / "outside/victim.h", "keep");
    write_file(dir / "outside/sub/victim.h", "keep");
    fs::create_directories(target);
    symlink((dir / "outside").c_str(), (target + "/link-to-outside").c_str());
    symlink((dir / "outside/victim.h").c_str(), (target + "/victim.h").c_str());
    symlink(target.c_str(), (target + "/loop").c_str());  // a cycle, were links followed
    remove_named_entries(target.c_str(), "victim.h");
    EXPECT_FALSE(exists(target + "/victim.h"));  // the link itself goes
    EXPECT_EQ(read_file(dir / "outside/victim.h"), "keep");
    EXPECT_EQ(read_file(dir / "outside/sub/victim.h"), "keep");
    EXPECT_TRUE(exists(target + "/link-to-outside"));
}

TEST_F(RemoveNamed, TheTreeItselfMayBeALink) {
    write_file(dir / "real/deep/n.txt", "x");
    symlink((dir / "real").c_str(), target.c_str());
    remove_named_entries(target.c_str(), "n.txt");
    EXPECT_FALSE(exists(dir / "real/deep/n.txt"));
}

TEST_F(RemoveNamed, AMissingEmptyOrFileTreeChangesNothing) {
    write_file(dir / "file", "x");
    remove_named_entries((dir / "file").c_str(), "file");
    remove_named_entries("", "file");
    remove_named_entries((dir / "absent").c_str(), "file");
    remove_named_entries(nullptr, "file");
    remove_named_entries(dir.path().c_str(), nullptr);
    EXPECT_EQ(read_file(dir / "file"), "x");
}

TEST(ConcatStrings, JoinsTheNonNullStrings) {
    auto check = [](std::initializer_list<const char*> parts, const char* expected) {
        char* joined = install::concat_strings(parts);
        ASSERT_NE(joined, nullptr);
        EXPECT_STREQ(joined, expected);
        std::free(joined);
    };
    check({"/x/", "/", "y"}, "/x//y");
    check({"a", nullptr, "b"}, "ab");
    check({nullptr, nullptr}, "");
    check({}, "");
}

}  // namespace
