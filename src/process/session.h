// The driver state: the process-wide variables that live for the whole run, in one record. The driver
// writes them at start-up; the screens read them, and the directory screen alone replaces `target_dir`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

#include "payload/header_block.h"

namespace process {

// Wizard states; the values are fixed and not consecutive. They name screens rather than count them: the
// wizard looks each one up by value, so the gaps cost nothing and leave room for a screen between two.
constexpr int STATE_WELCOME = 0;
constexpr int STATE_LICENSE = 3;
constexpr int STATE_DIRECTORY = 4;
constexpr int STATE_DIR_EXISTS = 10;
constexpr int STATE_INSTALL = 15;
constexpr int STATE_INSTALLED = 20;
constexpr int STATE_COMPLETE = 99;

constexpr std::size_t TARGET_DIR_SIZE = 65536;

struct driver_state {
    int autonext = 0;             // "-autonext" given: prompts with an auto result answer themselves
    int install_new_release = 0;  // "-InstallNewRelease" given: recorded, read by nothing
    int state = STATE_WELCOME;
    int back_state = 0;
    int next_state = 0;
    std::FILE* self_file = nullptr;  // the installer's own executable, open for reading until the end
    payload::header_block header{};
    std::array<char, TARGET_DIR_SIZE> target_dir{};  // NUL-terminated
};

// The one run of the installer (or of a harness standing in for it).
extern driver_state session;

// Puts every field back to its start-up value: no options, the welcome state, no file, a zeroed header
// and `target` as the target directory (set_target_dir). The installer calls it first; every test and
// fuzz harness calls it before it runs a screen, so that nothing is left over from an earlier run. It
// closes nothing: whoever opened `self_file` closes it.
void reset_session(std::string_view target);

// Makes `target` the target directory, or leaves it empty when it does not fit: a cut path would be
// another directory.
void set_target_dir(std::string_view target);

}  // namespace process
