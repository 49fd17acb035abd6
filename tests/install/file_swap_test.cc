// What the close of an installed file can bring. A file swapped for a link the moment it is closed: its
// time and mode must still land on the file the installer wrote, never on what the link leads to. A close
// that fails (a disk that takes the bytes only then): reported like a failed write, and the file removed.
// Both are made by this program's own close, which stands in for the C library's (this test program alone
// defines it): once armed, it replaces the file at the armed path by a link to a victim right after closing
// it, or reports the close of the file at the failing path as failed.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "install_harness.h"

namespace {

std::string swap_path;  // armed: the installed file to replace by a link to swap_victim
std::string swap_victim;
std::string failing_path;  // armed: the installed file whose close fails with EIO

// Whether `fd` is open on the file at `path` (compared by device and inode, so that links in the
// temporary directory's path do not matter).
bool is_open_on(int fd, const std::string& path) {
    struct stat open_file {};
    struct stat at_path {};
    return !path.empty() && fstat(fd, &open_file) == 0 && stat(path.c_str(), &at_path) == 0 &&
           open_file.st_dev == at_path.st_dev && open_file.st_ino == at_path.st_ino;
}

}  // namespace

extern "C" int close(int fd) {
    using close_function = int (*)(int);
    static const auto real_close = reinterpret_cast<close_function>(dlsym(RTLD_NEXT, "close"));
    const bool swap = is_open_on(fd, swap_path);
    const bool fail = is_open_on(fd, failing_path);
    const int result = real_close(fd);
    if (fail) {
        failing_path.clear();
        errno = EIO;
        return -1;
    }
    if (swap) {
        (void)rename(swap_path.c_str(), (swap_path + ".written").c_str());
        (void)symlink(swap_victim.c_str(), swap_path.c_str());
        swap_path.clear();
    }
    return result;
}

namespace {

using namespace testing_support;

TEST(FileSwap, TimeAndModeNeverFollowALinkPutInTheFilesPlace) {
    temp_dir dir;
    const std::string target = dir / "target";
    const std::string victim = dir / "victim";
    write_file(victim, "not the installer's");
    chmod(victim.c_str(), 0600);
    struct stat before {};
    ASSERT_EQ(stat(victim.c_str(), &before), 0);

    test_payload p;
    p.entries = {{.name = "a.txt", .data = "installed", .mtime = 1000000000, .mode = 0100751}};
    const auto r = run_in_child([&] {
        swap_path = target + "/a.txt";
        swap_victim = victim;
        return install_test::run_install(p, target).exit_code;
    });
    EXPECT_EQ(r.exit_code, 0) << r.err;

    struct stat after {};
    ASSERT_EQ(stat(victim.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    struct stat written {};
    ASSERT_EQ(stat((target + "/a.txt.written").c_str(), &written), 0) << "the swap did not happen";
    EXPECT_EQ(written.st_mode & 07777, 0751u);
    EXPECT_EQ(written.st_mtime, 1000000000);
    EXPECT_EQ(read_file(target + "/a.txt.written"), "installed");
}

TEST(FailedClose, IsErrorSavingDataAndRemovesTheFile) {
    temp_dir dir;
    const std::string target = dir / "target";
    test_payload p;
    p.entries = {{.name = "a.txt", .data = "first"}, {.name = "b.txt", .data = "second"}};
    failing_path = target + "/b.txt";
    const auto r = install_test::run_install(p, target);
    failing_path.clear();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_TRUE(r.err.ends_with(install_test::erasure(1) + "Error saving data - " + std::strerror(EIO) +
                                " (err=1).\n" + texts::TERMINATED))
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(target + "/b.txt"));
    EXPECT_EQ(read_file(target + "/a.txt"), "first");
}

}  // namespace
