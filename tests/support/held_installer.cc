#include "support/held_installer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/temp_dir.h"

namespace testing_support {
namespace {

constexpr int PIPE_ROOM = 4096;

}  // namespace

signalled_run signal_inside(const std::string& image, const std::string& input,
                            const std::string& drawing_end, int sig) {
    temp_dir io;
    write_file(io / "stdin", input);
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("pipe failed");
    if (fcntl(ends[1], F_SETPIPE_SZ, PIPE_ROOM) != PIPE_ROOM) throw std::runtime_error("pipe size refused");
    const pid_t installer = fork();
    if (installer < 0) throw std::runtime_error("fork failed");
    if (installer == 0) {
        const int answers = open((io / "stdin").c_str(), O_RDONLY);
        dup2(answers, 0);
        dup2(ends[1], 2);
        close(ends[0]);
        // Whatever the test runner ignores or holds, the installer must meet the signal as a user's shell
        // leaves it.
        signal(sig, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // A limit of one byte: no core file, and no core handed to a collector program either.
        const rlimit no_core{1, 1};
        (void)setrlimit(RLIMIT_CORE, &no_core);
        execl(image.c_str(), image.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    // In pieces no larger than the pipe: what is read with the drawing and what then fills the pipe behind
    // it stay well short of the file's drawings still to come.
    signalled_run run;
    char piece[PIPE_ROOM];
    for (ssize_t n;
         run.err.find(drawing_end) == std::string::npos && (n = read(ends[0], piece, sizeof piece)) > 0;)
        run.err.append(piece, static_cast<std::size_t>(n));
    run.held = run.err.find(drawing_end) != std::string::npos;
    kill(installer, run.held ? sig : SIGKILL);
    waitpid(installer, &run.status, 0);
    close(ends[0]);
    return run;
}

}  // namespace testing_support
