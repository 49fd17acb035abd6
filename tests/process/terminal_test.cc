// The installer on a real terminal, as a person uses it: started in the background it installs to the end
// instead of being stopped by its own progress line, and keys typed while the files are installed do not
// answer the question that follows. Each runs the real installer in a session of its own on a
// pseudo-terminal that the test holds.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "payload/profile_region.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"
#include "support/pseudo_terminal.h"
#include "support/stub_regions.h"

namespace {

using namespace testing_support;

// A small file, then one decoded in chunks, each drawn and waited for.
test_payload two_files() {
    test_payload p;
    p.entries = {{.name = "small.txt", .data = "small"}, repeated_byte_entry("big.bin", 'b', 60000)};
    return p;
}

constexpr int JOB_STOPPED = 121;

TEST(Terminal, InTheBackgroundTheInstallationRunsToItsEnd) {
    // `./setup -autonext 2>/dev/tty &`: a job in a process group of its own, not the terminal's
    // foreground one, the terminal on standard error and only the licence's answer on standard input.
    temp_dir dir;
    const std::string target = dir / "target";
    const std::string image = write_installer_with_stub(
        dir / "setup", profiled_stub({{payload::PROFILE_DEFAULT_DIR, target}}), two_files());
    write_file(dir / "answers", "a\nn\nn\n");  // Accept; No to any warning about the directory
    pseudo_terminal terminal;
    const pid_t shell = terminal.start_session([&](int slave) {
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            const int answers = open((dir / "answers").c_str(), O_RDONLY);
            dup2(answers, 0);
            dup2(slave, 2);
            execl(image.c_str(), image.c_str(), "-autonext", static_cast<char*>(nullptr));
            _exit(127);
        }
        setpgid(job, job);
        close(slave);
        int status = 0;
        waitpid(job, &status, WUNTRACED);
        if (WIFSTOPPED(status)) {
            kill(job, SIGKILL);
            waitpid(job, &status, 0);
            _exit(JOB_STOPPED);
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 122);
    });
    ASSERT_GE(shell, 0);
    std::string seen;
    const bool ended = terminal.read_until("", seen);
    if (!ended) kill(shell, SIGKILL);
    int status = 0;
    waitpid(shell, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << seen;
    EXPECT_NE(WEXITSTATUS(status), JOB_STOPPED) << "the installer was stopped";
    EXPECT_EQ(WEXITSTATUS(status), 0) << seen;
    EXPECT_NE(seen.find("Installation complete."), std::string::npos) << seen;
    EXPECT_EQ(read_file(target + "/big.bin"), std::string(60000, 'b'));
}

TEST(Terminal, KeysTypedDuringTheInstallationDoNotAnswerTheQuestionAfterIt) {
    // The last answer before the installation and "abc" typed behind it: the terminal keeps "abc" (no
    // line yet) through the installation. Read then with the "n" typed after "Files installed!", it
    // would answer Back ('b' is the first menu letter on "abcn") and the question would come again.
    temp_dir dir;
    const std::string target = dir / "target";
    const std::string image = write_installer(dir / "setup.bin", two_files());
    pseudo_terminal terminal;
    const pid_t installer = terminal.start_session([&](int slave) {
        dup2(slave, 0);
        dup2(slave, 2);
        close(slave);
        execl(INSTALLER_PATH, image.c_str(), static_cast<char*>(nullptr));
    });
    ASSERT_GE(installer, 0);
    std::string seen;
    terminal.type(answers_to_install(target) + "abc");
    const bool asked =
        terminal.read_until("Files installed!", seen) && terminal.read_until("[Back? Next? Cancel?]: ", seen);
    if (asked) terminal.type("n\n");
    const bool completed = asked && terminal.read_until("Installation complete.", seen);
    if (!completed) kill(installer, SIGKILL);
    int status = 0;
    waitpid(installer, &status, 0);
    EXPECT_TRUE(completed) << seen;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(seen.find("Files installed!"), seen.rfind("Files installed!")) << "asked twice";
    EXPECT_EQ(read_file(target + "/small.txt"), "small");
}

}  // namespace
