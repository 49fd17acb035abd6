// A build ended by a signal must leave nothing beside OUTPUT: neither a partial installer nor a temporary
// file. The real program is held mid-build by a stub that is a fifo (it has made its output file and is
// waiting for stub bytes) and killed there; the named fallback, for file systems without unnamed files,
// is forced in a child process of the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "builder/output_file.h"
#include "builder_test_util.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

using namespace builder_test;
using testing_support::temp_dir;
using testing_support::write_file;

// Starts `build` with the fifo `stub`, waits until it reads the stub (its output file exists by then),
// gives it some stub bytes and kills it with `signal_number`. Returns the wait status.
int kill_build_mid_way(const std::string& source, const std::string& stub, const std::string& output,
                       int signal_number) {
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, signal_number);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    const char* argv[] = {"mkinstaller", "build",        "--quiet",      "--stub",
                          stub.c_str(),  source.c_str(), output.c_str(), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, MKINSTALLER_PATH, nullptr, &attr, const_cast<char**>(argv), environ);
    posix_spawnattr_destroy(&attr);
    if (spawned != 0) return -1;
    // No reader yet: opening for writing without blocking fails with ENXIO.
    int fifo = -1;
    for (int tries = 0; tries < 3000 && fifo < 0; ++tries) {
        fifo = open(stub.c_str(), O_WRONLY | O_NONBLOCK);
        if (fifo < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (fifo >= 0) {
        const std::string bytes = junk_bytes(4096);
        EXPECT_EQ(write(fifo, bytes.data(), bytes.size()), 4096);
    }
    kill(pid, signal_number);
    int status = 0;
    waitpid(pid, &status, 0);
    if (fifo >= 0) close(fifo);
    return status;
}

TEST(KilledBuild, LeavesNothingNewBesideOutput) {
    temp_dir dir;
    write_timed_file(dir / "src/bin/vorna", junk_bytes(5000));
    ASSERT_EQ(mkfifo((dir / "stub").c_str(), 0644), 0);
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

// In a child: an output file half written, then a signal. The child checks that the file had a name
// only in the fallback; the parent, that nothing is left.
TEST(KilledBuild, NamedFallbackIsRemovedBySignalAndUnnamedFileNeverHasAName) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named fallback");
        temp_dir dir;
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            builder::output_unnamed_first = unnamed;
            builder::output_file out(dir / "setup");
            out.write("partial", 7);
            const std::vector<std::string> names = dir_names(dir.path());
            const bool as_expected =
                unnamed ? names.empty() : names.size() == 1 && names[0].starts_with(".setup.");
            if (!as_expected || out.is_unnamed() != unnamed) _exit(3);
            raise(SIGTERM);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), SIGTERM);
        EXPECT_EQ(dir_names(dir.path()), std::vector<std::string>{});
    }
}

}  // namespace
