// A build or an extract ended by a signal must leave nothing behind: neither a partial installer nor a
// temporary file beside OUTPUT, nor a hidden part of an entry beneath the extract's directory. The real
// program is killed once it holds its output file open, while it compresses a large file; the named
// fallback, for file systems without unnamed files, is forced in a child process of the test, and so is
// an extract stopped in the middle of an entry's bytes.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "builder/commands/commands.h"
#include "builder/util/output_file.h"
#include "builder_test_util.h"

extern char** environ;

namespace {

using namespace builder_test;

// True once process `pid` has a descriptor open on a file in `dir` (named or not: an unnamed file shows
// as "DIR/#inode (deleted)").
bool holds_file_in(pid_t pid, const std::string& dir) {
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator(fds, ec)) {
        const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
        if (!ec && target.starts_with(dir + "/")) return true;
    }
    return false;
}

// Starts `build` at level 9 on `source`, waits until it holds a file beside `output` open, and kills it
// with `signal_number` while it still compresses. Returns the wait status.
int kill_build_mid_way(const std::string& source, const std::string& stub, const std::string& output,
                       int signal_number) {
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, signal_number);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    const char* argv[] = {"mkinstaller", "build",      "--quiet",      "--level",      "9",
                          "--stub",      stub.c_str(), source.c_str(), output.c_str(), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, MKINSTALLER_PATH, nullptr, &attr, const_cast<char**>(argv), environ);
    posix_spawnattr_destroy(&attr);
    if (spawned != 0) return -1;
    const std::string out_dir = std::filesystem::path(output).parent_path();
    for (int tries = 0; tries < 30000 && !holds_file_in(pid, out_dir); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, signal_number);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(KilledBuild, LeavesNothingNewBesideOutput) {
    temp_dir dir;
    // Random bytes at level 9: seconds of work after the output file is made.
    write_timed_file(dir / "src/bin/vorna", junk_bytes(16 << 20));
    write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
    write_file(dir / "out/previous", "an earlier installer");
    for (const int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal_number);
        const int status = kill_build_mid_way(dir / "src", dir / "stub", dir / "out/previous", signal_number);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signal_number);
        EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{"previous"});
        EXPECT_EQ(testing_support::read_file(dir / "out/previous"), "an earlier installer");
    }
}

// A child ended by `signal_number` dumps no core into the test's directory.
void without_core_dumps() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

// In a child: an output file half written, then a signal. The child checks that the file had a name
// only in the fallback; the parent, that nothing is left.
TEST(KilledBuild, NamedFallbackIsRemovedBySignalAndUnnamedFileNeverHasAName) {
    for (const int signal_number : {SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) {
        for (const bool unnamed : {true, false}) {
            SCOPED_TRACE(std::string(unnamed ? "unnamed, signal " : "named fallback, signal ") +
                         std::to_string(signal_number));
            temp_dir dir;
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                without_core_dumps();
                builder::output_unnamed_first = unnamed;
                builder::output_file out(dir / "setup");
                out.write("partial", 7);
                const std::vector<std::string> names = dir_names(dir.path());
                const bool as_expected =
                    unnamed ? names.empty() : names.size() == 1 && names[0].starts_with(".setup.");
                if (!as_expected || out.is_unnamed() != unnamed) _exit(3);
                raise(signal_number);
                _exit(4);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status)) << "child exit status " << WEXITSTATUS(status);
            EXPECT_EQ(WTERMSIG(status), signal_number);
            EXPECT_EQ(dir_names(dir.path()), std::vector<std::string>{});
        }
    }
}

int stand_in_signal = 0;
extern "C" void raise_stand_in(int) {
    raise(stand_in_signal);
}

// In a child whose files may grow to 1 MiB, extract writes an entry of 4 MiB: the kernel stops it with
// SIGXFSZ in the middle of the entry's bytes, at a point no timing decides. For every other signal the
// child's own SIGXFSZ handler raises that one instead; SIGKILL, which no handler sees, only where the
// file has no name.
TEST(KilledExtract, LeavesNoPartOfTheEntry) {
    temp_dir dir;
    write_timed_file(dir / "src/data/big", junk_bytes(4 << 20));
    write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
    const std::string setup =
        build_installer({"--quiet", "--level", "1", "--stub", dir / "stub", dir / "src", dir / "setup"});
    for (const bool unnamed : {true, false}) {
        for (const int signal_number : {SIGXFSZ, SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGKILL}) {
            if (signal_number == SIGKILL && !unnamed) continue;
            SCOPED_TRACE(std::string(unnamed ? "unnamed, signal " : "named fallback, signal ") +
                         std::to_string(signal_number));
            const std::string target = dir / ("out" + std::to_string(signal_number) + (unnamed ? "u" : "n"));
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                without_core_dumps();
                builder::output_unnamed_first = unnamed;
                if (signal_number != SIGXFSZ) {
                    stand_in_signal = signal_number;
                    struct sigaction action {};
                    action.sa_handler = raise_stand_in;
                    sigaction(SIGXFSZ, &action, nullptr);
                }
                const rlimit small{1 << 20, 1 << 20};
                setrlimit(RLIMIT_FSIZE, &small);
                std::ostringstream report;
                try {
                    builder::run_extract(setup, target, false, false, report);
                } catch (...) {
                    _exit(3);
                }
                _exit(4);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status)) << "child exit status " << WEXITSTATUS(status);
            EXPECT_EQ(WTERMSIG(status), signal_number);
            EXPECT_EQ(dir_names(target), std::vector<std::string>{"data"});
            EXPECT_EQ(dir_names(target + "/data"), std::vector<std::string>{});
        }
    }
}

}  // namespace
