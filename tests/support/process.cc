#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/temp_dir.h"

namespace testing_support {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

process_result run_process(const std::string& program, const std::vector<std::string>& argv,
                           const process_options& options) {
    // Files rather than pipes: no deadlock whatever the child writes, and input may hold any byte.
    temp_dir io;
    const std::string in_path = io.path() + "/stdin";
    const std::string out_path = io.path() + "/stdout";
    const std::string err_path = io.path() + "/stderr";
    {
        std::ofstream in(in_path, std::ios::binary);
        in << options.input;
    }

    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (options.close_stdin) {
            close(0);
        } else {
            const int in = open(in_path.c_str(), O_RDONLY);
            dup2(in, 0);
            close(in);
        }
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(options.stderr_path.empty() ? err_path.c_str() : options.stderr_path.c_str(),
                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (options.stderr_broken_pipe) {
            // The default disposition, whatever the test runner's: the program must cope by itself.
            signal(SIGPIPE, SIG_DFL);
            int ends[2];
            if (pipe(ends) != 0) _exit(126);
            close(ends[0]);
            close(err);
            err = ends[1];
        }
        dup2(out, 1);
        dup2(err, 2);
        close(out);
        close(err);
        if (options.close_stdout) close(1);
        if (options.close_stderr) close(2);
        for (const auto& name : options.env_unset) unsetenv(name.c_str());
        for (const auto& kv : options.env_set) putenv(strdup(kv.c_str()));
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
        if (options.file_size_limit >= 0) {
            const rlim_t bytes = static_cast<rlim_t>(options.file_size_limit);
            const rlimit limit{bytes, bytes};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        execv(program.c_str(), args.data());
        _exit(127);
    }

    process_result result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout_seconds);
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.term_signal = WTERMSIG(status);
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    return result;
}

}  // namespace testing_support
