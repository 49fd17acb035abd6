// The two ways a mkinstaller command fails: a usage error (exit 2, the usage text follows) and any other
// error (exit 1). Both carry the message shown after "mkinstaller: ".
#pragma once

#include <stdexcept>
#include <string>

#include "builder/cli_options.h"

namespace builder {

class error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class usage_error : public std::runtime_error {
  public:
    usage_error(const std::string& message, command_kind command)
        : std::runtime_error(message), command_(command) {}
    // Whose usage text to show.
    command_kind command() const { return command_; }

  private:
    command_kind command_;
};

// Throws an error reading "`what`: <the text of errno>".
[[noreturn]] void fail_errno(const std::string& what);

// `text` in double quotes, as names and values appear in messages.
std::string in_quotes(const std::string& text);

}  // namespace builder
