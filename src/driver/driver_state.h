// The driver state: the process-wide variables that live for the whole run. The driver writes them at
// start-up; the screens read them, and the directory screen alone replaces `target_dir`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>

#include "payload/header_block.h"

namespace driver {

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
constexpr const char* DEFAULT_TARGET_DIR = "/usr/local/vorna";

extern int autonext;             // "-autonext" given: prompts with an auto result answer themselves
extern int install_new_release;  // "-InstallNewRelease" given: recorded, read by nothing
extern int state;
extern int back_state;
extern int next_state;
extern std::FILE* self_file;  // the installer's own executable, open for reading until the end
extern payload::header_block header;
extern std::array<char, TARGET_DIR_SIZE> target_dir;  // NUL-terminated

}  // namespace driver
