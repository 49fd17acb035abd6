// How a mkinstaller command fails (exit 1; a malformed command line is cli/usage_error.h), and the helpers
// that word its messages. The message is shown after "mkinstaller: ".
#pragma once

#include <stdexcept>
#include <string>

namespace builder {

class error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws an error reading "`what`: <the text of errno>".
[[noreturn]] void fail_errno(const std::string& what);

// `text` in double quotes, as names and values appear in messages.
std::string in_quotes(const std::string& text);

}  // namespace builder
