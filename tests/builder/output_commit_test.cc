// OUTPUT and OUTPUT.sha256 are committed as one: a checksum that cannot be placed leaves both earlier
// files as they were (with an unnamed file and with the named fallback), and builds racing to one OUTPUT
// always leave an OUTPUT and a checksum of the same build.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "builder/util/error.h"
#include "builder/util/output_file.h"
#include "builder/util/sha256.h"
#include "builder_fixtures.h"

extern char** environ;

namespace {

using namespace builder_test;

void write_and_commit(const std::string& path, const std::string& bytes) {
    builder::output_file out(path);
    builder::output_file sum(path + ".sha256");
    out.write(bytes.data(), bytes.size());
    sum.write("sum\n", 4);
    out.finish(0755);
    sum.finish(0644);
    builder::commit_outputs(out, &sum);
}

TEST(OutputCommit, ChecksumThatCannotBePlacedLeavesTheEarlierFiles) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named fallback");
        builder::output_unnamed_first = unnamed;
        temp_dir dir;
        // A directory where the checksum goes: its rename fails once OUTPUT's has succeeded.
        write_file(dir / "setup.sha256/kept", "earlier checksum");
        EXPECT_THROW(write_and_commit(dir / "setup", "new installer"), builder::error);
        EXPECT_EQ(dir_names(dir.path()), std::vector<std::string>{"setup.sha256"});
        write_file(dir / "setup", "earlier installer");
        EXPECT_THROW(write_and_commit(dir / "setup", "new installer"), builder::error);
        EXPECT_EQ(dir_names(dir.path()), (std::vector<std::string>{"setup", "setup.sha256"}));
        EXPECT_EQ(read_file(dir / "setup"), "earlier installer");
        EXPECT_EQ(read_file(dir / "setup.sha256/kept"), "earlier checksum");
    }
    builder::output_unnamed_first = true;
}

pid_t spawn_build(const std::string& stub, const std::string& source, const std::string& output) {
    const char* argv[] = {"mkinstaller", "build",        "--quiet",      "--checksum", "--stub",
                          stub.c_str(),  source.c_str(), output.c_str(), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, MKINSTALLER_PATH, nullptr, nullptr, const_cast<char**>(argv), environ) == 0 ? pid
                                                                                                         : -1;
}

TEST(OutputCommit, ConcurrentBuildsLeaveAPairOfOneBuild) {
    temp_dir dir;
    write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
    write_tree(dir / "one", {{"one.txt", "the first tree"}});
    write_tree(dir / "two", {{"two.txt", "the second tree, which differs"}});
    const std::string output = dir / "out/setup";
    std::filesystem::create_directories(dir / "out");
    for (int round = 0; round < 32; ++round) {
        SCOPED_TRACE(round);
        const pid_t builds[] = {spawn_build(dir / "stub", dir / "one", output),
                                spawn_build(dir / "stub", dir / "two", output)};
        for (const pid_t pid : builds) {
            int status = -1;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        const std::string installer = read_file(output);
        builder::sha256_state state;
        builder::sha256_init(state);
        builder::sha256_update(state, installer.data(), installer.size());
        ASSERT_EQ(read_file(output + ".sha256"),
                  builder::sha256_hex(builder::sha256_final(state)) + "  setup\n");
    }
    EXPECT_EQ(dir_names(dir / "out"), (std::vector<std::string>{"setup", "setup.sha256"}));
}

// Anyone who can read OUTPUT's directory can lock it: the build waits the bound it was given, says for
// what, and fails without writing.
TEST(OutputCommit, ALockHeldElsewhereIsWaitedForAtMostTheBound) {
    temp_dir dir;
    write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
    write_tree(dir / "tree", {{"a.txt", "a"}});
    std::filesystem::create_directories(dir / "out");
    const int held = open((dir / "out").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const auto r = testing_support::run_process(
        MKINSTALLER_PATH,
        {"mkinstaller", "build", "--quiet", "--stub", dir / "stub", dir / "tree", dir / "out/setup"},
        {.env_set = {"MKINSTALLER_LOCK_WAIT=1"}});
    close(held);
    EXPECT_EQ(r.exit_code, 1);
    const std::string out_dir = "\"" + (dir / "out") + "\"";
    EXPECT_EQ(r.err, "mkinstaller: warning: waiting for another process's lock on " + out_dir +
                         " (at most 1 seconds)\nmkinstaller: another process has held the lock on " +
                         out_dir + " for 1 seconds; \"" + (dir / "out/setup") + "\" was not written\n");
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{});
}

}  // namespace
