// Running the real installer in tests. The installer reads its payload from the file named by argv[0],
// so the built stub is executed with argv[0] naming the installer file under test: a damaged or
// hand-made image needs neither an exec bit nor a program in front of its payload.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/payload_image.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace testing_support {

// The built stub's bytes followed by `payload` at the next multiple of 1024.
std::string stub_with_payload(const std::string& payload);

// Writes stub_with_payload(payload_bytes(payload)) to `path` with mode 0755; returns `path`.
std::string write_installer(const std::string& path, const test_payload& payload);

// Runs the installer with argv[0] = `image` and the further `args`, `input` on standard input.
process_result run_installer(const std::string& image, const std::vector<std::string>& args,
                             const std::string& input, const std::string& cwd = "");

// Runs `mkinstaller build` with `args` (options, sources and output last) and returns the output's path;
// a failed build fails the test.
std::string mkinstaller_build(const std::vector<std::string>& args);

// The removal rules an installer is built with: the built-in one removes every file of an entry's last
// name beneath the target before the entry is written, the vendor's `path` leaves the path to the rename.
struct removal_rule {
    const char* name;
    std::vector<std::string> options;  // for mkinstaller build
    bool removes_first;                // the old file at the entry's path goes before the new one is written
};
inline const removal_rule REMOVAL_RULES[] = {{"anywhere", {}, true},
                                             {"path", {"--same-name-removal", "path"}, false}};

// `first` followed by `then`.
std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& then);

// Checks that a run ended as every run of the installer must: by itself, with exit status 0 and nothing
// on standard output.
void expect_clean_exit(const process_result& r);

// run_installer, then expect_clean_exit; returns what was written on standard error.
std::string dialogue(const std::string& image, const std::string& input,
                     const std::vector<std::string>& args = {});

// Answers from the welcome screen to the installation into `target`, an absolute path without blanks that
// is not the root and names no file: Next, Accept (TO_DIRECTORY_SCREEN), then directory_answers(target).
// Tests always type their target: the default directory is a real system path.
std::string answers_to_install(const std::string& target);

// Next at the welcome screen, Accept at the licence prompt.
inline const std::string TO_DIRECTORY_SCREEN = "n\na\n";

// The directory screen's part of answers_to_install: No to the default, `target`, then location_answers.
std::string directory_answers(const std::string& target);

// No to each location warning `target` draws (texts::location_warnings).
std::string location_answers(const std::string& target);

// For a run given answers_to_install(target) on an image of the default product: checks that standard
// error begins with the welcome screen, a licence display of the usual shape (its wording is pinned by
// the licence tests, which can see license_text), the licence question and texts::directory_screen_to
// (target); returns what follows.
std::string after_directory_screen(const std::string& err, const std::string& target);

// How run_in_child runs its child. Members without a default say `{}` (-Wextra).
struct child_options {
    std::string input{};  // bytes on standard input, then end of input
    // Seconds before SIGALRM ends the child (term_signal SIGALRM: a hang); 0, none.
    unsigned timeout_seconds = 0;
    // The child ends at its first exit handler, sparing it the leak checker's scan: for the thousands of
    // children of a sweep whose code under test ends by exit and leaks by design there.
    bool quick_exit = false;
};

// Runs `body` in a forked child with `input` as standard input and captures its standard error; the
// child's exit status is what `body` returns (or what it exits with).
process_result run_in_child(const std::function<int()>& body, const child_options& options);
process_result run_in_child(const std::function<int()>& body, const std::string& input = "");

}  // namespace testing_support
