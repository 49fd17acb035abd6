// The plain log of --log FILE: what was asked, what was chosen, every file written and the outcome, one
// line each, appended to the file. Every call does nothing while no log is open.
#pragma once

#include <string_view>

namespace process {

// Opens `path` for appending (created with mode 0644 when absent); false with errno when it cannot be.
bool open_run_log(const char* path);

// One line: `key`, ": ", then `value`, with every control character in it written as '?'.
void log_line(std::string_view key, std::string_view value);

// The outcome line, then the log is closed.
void close_run_log(std::string_view outcome);

}  // namespace process
