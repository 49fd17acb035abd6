// A malformed command line: exit 2, the message after "mkinstaller: ", then the usage of the command it
// concerns.
#pragma once

#include <stdexcept>
#include <string>

#include "builder/cli/cli_options.h"

namespace builder {

class usage_error : public std::runtime_error {
  public:
    usage_error(const std::string& message, const command_spec* command)
        : std::runtime_error(message), command_(command) {}
    // Whose usage text to show; null: the program's.
    const command_spec* command() const { return command_; }

  private:
    const command_spec* command_;
};

}  // namespace builder
