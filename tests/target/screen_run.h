// Running the directory screen alone, in a child process, with a header, a default and a working
// directory of the test's choosing. The screen only ever sets `target_dir` there: nothing is installed.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "support/installer_texts.h"
#include "support/temp_dir.h"

namespace testing_support {

struct screen_setup {
    std::string offered{};    // `target_dir` on entry; empty: no default is offered
    std::string cwd{};        // the screen's working directory; empty: the test's own
    bool remove_cwd = false;  // remove `cwd` once inside it, so that the working directory cannot be had
    bool autonext = false;
    std::uint32_t required_space = 0;
    std::string product = "VORNA";
    std::string version = "1.0";
};

struct screen_result {
    int result = -1;     // what select_install_dir returned
    std::string err;     // everything written on standard error
    std::string target;  // `target_dir` afterwards
};

screen_result run_screen(const std::string& input, const screen_setup& setup = {});

// The screen's text up to its entry line: where no default is offered, and on every pass after the first.
inline const std::string ENTRY_PASS = texts::directory_header() + texts::ENTER_DIRECTORY;

// The screen's tests type paths beneath `dir`.
class screen_fixture : public ::testing::Test {
  protected:
    temp_dir dir;
};

}  // namespace testing_support
