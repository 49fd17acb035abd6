// What the close of an installed file can bring. A link planted at the file's path the moment its bytes
// are closed: the file must still take the path whole, with its time and mode, and what the link leads to
// must stay untouched. A close that fails (a disk that takes the bytes only then): reported like a failed
// write, and nothing left of the file. Both are made by this program's own close, which stands in for the
// C library's (this test program alone defines it): it finds the file in progress by the temporary name
// its descriptor shows beneath the armed directory.
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
#include "support/tree_snapshot.h"

namespace {

std::string armed_dir;    // the target whose files in progress the hook looks for
std::string swap_victim;  // set: a link to it is planted at the file's path before it is placed
int closes_to_fail = 0;   // set: the close of the n-th file in progress fails with EIO

// Whether `fd` is open on a file in progress of the armed directory.
bool is_file_in_progress(int fd) {
    char shown[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), shown, sizeof shown - 1);
    const std::string prefix = armed_dir + "/.installing.";
    return !armed_dir.empty() && n > 0 && std::string(shown, static_cast<std::size_t>(n)).starts_with(prefix);
}

}  // namespace

extern "C" int close(int fd) {
    using close_function = int (*)(int);
    static const auto real_close = reinterpret_cast<close_function>(dlsym(RTLD_NEXT, "close"));
    const bool in_progress = is_file_in_progress(fd);
    const int result = real_close(fd);
    if (in_progress && closes_to_fail > 0 && --closes_to_fail == 0) {
        errno = EIO;
        return -1;
    }
    if (in_progress && !swap_victim.empty())
        (void)symlink(swap_victim.c_str(), (armed_dir + "/a.txt").c_str());
    return result;
}

namespace {

using namespace testing_support;

TEST(FileSwap, ALinkPlantedAtThePathIsReplacedAndWhatItLeadsToKept) {
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
        armed_dir = std::filesystem::weakly_canonical(target);
        swap_victim = victim;
        return install_test::run_install(p, target).exit_code;
    });
    EXPECT_EQ(r.exit_code, 0) << r.err;

    struct stat after {};
    ASSERT_EQ(stat(victim.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    EXPECT_EQ(read_file(victim), "not the installer's");
    EXPECT_EQ(tree_snapshot(target, snapshot_detail::with_modes_and_times),
              (std::map<std::string, std::string>{{"a.txt", "file 0751 1000000000 installed"}}));
}

TEST(FailedClose, IsErrorSavingDataAndLeavesNothingOfTheFile) {
    temp_dir dir;
    const std::string target = dir / "target";
    test_payload p;
    p.entries = {{.name = "a.txt", .data = "first"}, {.name = "b.txt", .data = "second"}};
    armed_dir = std::filesystem::weakly_canonical(target);
    closes_to_fail = 2;
    const auto r = install_test::run_install(p, target);
    armed_dir.clear();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_TRUE(r.err.ends_with(install_test::erasure(1) + "Error saving data - " + std::strerror(EIO) +
                                " (err=1).\n" + texts::TERMINATED))
        << r.err;
    EXPECT_EQ(tree_snapshot(target), (std::map<std::string, std::string>{{"a.txt", "file first"}}));
}

}  // namespace
