// How a mkinstaller command fails (exit 1; a malformed command line is cli/usage_error.h) and warns, and
// the helpers that word its messages. An error's message is shown after "mkinstaller: ".
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace builder {

class error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws an error reading "`what`: <the text of errno>".
[[noreturn]] void fail_errno(const std::string& what);

// Writes `text` to `out` as a warning: "mkinstaller: warning: `text`" and a line feed, its control
// characters escaped (terminal_text).
void warn(std::ostream& out, std::string_view text);

}  // namespace builder
