// mkinstaller build at a terminal: the progress bar redraws one line and is erased, the summary follows,
// and --quiet silences both. Standard error is a pseudo-terminal here; the other tests run with pipes and
// check that nothing of this reaches them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "builder_test_util.h"

namespace {

using namespace builder_test;

struct terminal_run {
    int exit_code = -1;
    std::string screen;  // what reached the terminal: standard error only
};

// Runs mkinstaller with standard error on a pseudo-terminal and standard output on /dev/null.
terminal_run run_at_terminal(const std::vector<std::string>& args) {
    int controller = -1, device = -1;
    if (openpty(&controller, &device, nullptr, nullptr, nullptr) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(device, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>("mkinstaller")};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        unsetenv("SOURCE_DATE_EPOCH");
        execv(MKINSTALLER_PATH, argv.data());
        _exit(127);
    }
    close(device);
    terminal_run run;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(controller, chunk, sizeof chunk);
        if (got <= 0) break;  // EIO once the child has closed its side
        run.screen.append(chunk, static_cast<std::size_t>(got));
    }
    close(controller);
    int status = 0;
    waitpid(child, &status, 0);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CliTerminal, ProgressBarIsDrawnThenErasedAndTheSummaryFollows) {
    temp_dir dir;
    write_tree(dir / "src", {{"a", std::string(3000, 'a')}, {"b", junk_bytes(1000)}});
    const auto run = run_at_terminal({"build", dir / "src", dir / "setup"});
    ASSERT_EQ(run.exit_code, 0) << run.screen;
    // The terminal turns each "\n" into "\r\n".
    const std::size_t last_line = run.screen.rfind("\r\n", run.screen.size() - 3);
    const std::string summary = run.screen.substr(last_line == std::string::npos ? 0 : last_line + 2);
    EXPECT_NE(run.screen.find("\r[....................]  0/2 entries  0 B/3.9 KiB  ratio -"),
              std::string::npos)
        << run.screen;
    EXPECT_NE(run.screen.find("]  2/2 entries  3.9 KiB/3.9 KiB  ratio "), std::string::npos) << run.screen;
    // Erased: blanks over the bar, back to the line's start, then the summary.
    EXPECT_NE(run.screen.find("  \rpacked 2 entries: 3.9 KiB in, "), std::string::npos) << run.screen;
    EXPECT_TRUE(summary.find("packed 2 entries") != std::string::npos && summary.ends_with(" s\r\n"))
        << summary;
}

TEST(CliTerminal, QuietDrawsNothing) {
    temp_dir dir;
    write_timed_file(dir / "src/a", "a");
    const auto run = run_at_terminal({"build", "--quiet", dir / "src", dir / "setup"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.screen, "");
}

}  // namespace
