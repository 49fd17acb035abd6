#include "support/installer_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <stdexcept>

#include "support/installer_texts.h"

namespace testing_support {

std::string stub_with_payload(const std::string& payload) {
    const std::string stub = read_file(INSTALLER_PATH);
    return installer_image(stub, payload, (stub.size() + 1023) / 1024 * 1024);
}

std::string write_installer(const std::string& path, const test_payload& payload) {
    write_file(path, stub_with_payload(payload_bytes(payload)));
    chmod(path.c_str(), 0755);
    return path;
}

process_result run_installer(const std::string& image, const std::vector<std::string>& args,
                             const std::string& input, const std::string& cwd) {
    std::vector<std::string> argv{image};
    argv.insert(argv.end(), args.begin(), args.end());
    process_options options;
    options.input = input;
    options.cwd = cwd;
    return run_process(INSTALLER_PATH, argv, options);
}

std::string mkinstaller_build(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"mkinstaller", "build"};
    argv.insert(argv.end(), args.begin(), args.end());
    const process_result r = run_process(MKINSTALLER_PATH, argv);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return args.back();
}

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

void expect_clean_exit(const process_result& r) {
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.term_signal, 0);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
}

std::string dialogue(const std::string& image, const std::string& input,
                     const std::vector<std::string>& args) {
    const process_result r = run_installer(image, args, input);
    expect_clean_exit(r);
    return r.err;
}

std::string answers_to_install(const std::string& target) {
    return TO_DIRECTORY_SCREEN + directory_answers(target);
}

std::string directory_answers(const std::string& target) {
    return "n\n" + target + "\n" + location_answers(target);
}

std::string location_answers(const std::string& target) {
    std::string answers;
    const std::string warnings = texts::location_warnings(target);
    for (std::size_t at = warnings.find(texts::SELECT_DIFFERENT_ASK); at != std::string::npos;
         at = warnings.find(texts::SELECT_DIFFERENT_ASK, at + 1)) {
        answers += "n\n";
    }
    return answers;
}

std::string after_directory_screen(const std::string& err, const std::string& target) {
    const std::string welcome = texts::WELCOME + texts::NEXT_CANCEL + "\n\n";
    EXPECT_TRUE(err.starts_with(welcome)) << err;
    std::size_t at = welcome.size();
    for (std::size_t line = 0; line < texts::LICENSE_LINES && at < err.size(); ++line) {
        const std::size_t end = err.find('\n', at);
        if (end == std::string::npos) break;
        EXPECT_LE(end - at, texts::LICENSE_WIDTH) << "licence line " << line + 1;
        at = end + 1;
    }
    const std::string rest_of_dialogue =
        texts::LICENSE_QUESTION + texts::LICENSE_PROMPT + texts::directory_screen_to(target);
    EXPECT_EQ(err.substr(std::min(at, err.size()), rest_of_dialogue.size()), rest_of_dialogue);
    return err.substr(std::min(at + rest_of_dialogue.size(), err.size()));
}

process_result run_in_child(const std::function<int()>& body, const std::string& input) {
    return run_in_child(body, child_options{.input = input});
}

process_result run_in_child(const std::function<int()>& body, const child_options& options) {
    temp_dir io;
    write_file(io / "stdin", options.input);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (options.timeout_seconds != 0) alarm(options.timeout_seconds);
        // Registered last, this exit handler runs first.
        if (options.quick_exit) std::atexit([] { _exit(0); });
        if (std::freopen((io / "stdin").c_str(), "rb", stdin) == nullptr) _exit(126);
        const int err = open((io / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, 2);
        close(err);
        const int status = body();
        std::fflush(nullptr);
        _exit(status);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    process_result result;
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.term_signal = WTERMSIG(status);
    result.err = read_file(io / "stderr");
    return result;
}

}  // namespace testing_support
