// An installed file swapped for a link the moment it is closed: its time and mode must still land on the
// file the installer wrote, never on what the link leads to. The swap is made by this program's own
// fclose, which stands in for the C library's (this test program alone defines it) and, once armed,
// replaces the file at the armed path by a link to a victim right after closing it.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "install_harness.h"

namespace {

std::string swap_path;  // armed: the installed file to replace by a link to swap_victim
std::string swap_victim;

// Whether `stream` is open on the file at the armed path (compared by device and inode, so that links in
// the temporary directory's path do not matter).
bool is_armed_file(std::FILE* stream) {
    struct stat open_file {};
    struct stat at_path {};
    return !swap_path.empty() && fstat(fileno(stream), &open_file) == 0 &&
           stat(swap_path.c_str(), &at_path) == 0 && open_file.st_dev == at_path.st_dev &&
           open_file.st_ino == at_path.st_ino;
}

}  // namespace

extern "C" int fclose(std::FILE* stream) {
    using fclose_function = int (*)(std::FILE*);
    static const auto real_fclose = reinterpret_cast<fclose_function>(dlsym(RTLD_NEXT, "fclose"));
    const bool swap = is_armed_file(stream);
    const int result = real_fclose(stream);
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

}  // namespace
