// The fuzz harnesses run the installer's code in the fuzzer's own process, so that coverage and sanitizer
// reports reach the fuzzer directly. The installer ends every failure and cancel through process::error,
// error_errno and exit_installer, which call exit(0); contained_exit.cc defines those three for the fuzz
// programs (the linker then never takes termination.cc from installer_process) so that they throw instead.
#pragma once

#include <string>

namespace fuzz_support {

// Thrown where the installer would exit with status 0; `message` is what it would have written before
// "Installation terminated." (empty for a cancel).
struct installer_exit {
    std::string message;
};

// True when `message` has the shape of the installer's numbered fatal messages, "... (err=N)." or
// "... (N).", possibly with the system's text before the tag.
bool is_numbered_message(const std::string& message);

// Standard error for the code under test: /dev/null, so that screens and progress lines cost no terminal
// time. Descriptor 2 stays as it was, so sanitizer and fuzzer reports still reach it.
void silence_installer_output();

// Stops the fuzzer with a report when `ok` is false: a broken promise of the code under test.
void require(bool ok, const char* what);

}  // namespace fuzz_support
