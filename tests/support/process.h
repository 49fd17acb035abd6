// Runs a program as a child process with scripted standard input and captures what it writes.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct process_result {
    int exit_code = -1;   // the status passed to exit, or -1 when killed by a signal
    int term_signal = 0;  // the signal that ended the child, or 0
    bool timed_out = false;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Members without a default say `{}` so that a designated initialiser may leave them out (-Wextra).
struct process_options {
    std::string cwd{};                   // empty: the current directory
    std::string input{};                 // bytes on standard input, then end of input
    bool close_stdin = false;            // no standard input at all
    bool close_stdout = false;           // no standard output at all (`out` stays empty)
    bool close_stderr = false;           // no standard error at all (`err` stays empty)
    std::string stderr_path{};           // standard error opened on this file instead of captured
    bool stderr_broken_pipe = false;     // standard error a pipe whose reader has gone
    std::vector<std::string> env_set{};  // NAME=VALUE added to (or replacing in) the environment
    std::vector<std::string> env_unset{};
    int timeout_seconds = 30;        // a hang is a failure, never a stuck test run
    long long file_size_limit = -1;  // RLIMIT_FSIZE of the child in bytes; negative: inherited
};

// argv[0] is passed to the child as given; `program` is the file executed.
process_result run_process(const std::string& program, const std::vector<std::string>& argv,
                           const process_options& options = {});

}  // namespace testing_support
