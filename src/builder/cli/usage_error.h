// A malformed command line: exit 2, the message after "mkinstaller: ", then the usage of the command it
// concerns.
#pragma once

#include <stdexcept>
#include <string>

#include "builder/cli/cli_options.h"

namespace builder {

class usage_error : public std::runtime_error {
  public:
    usage_error(const std::string& message, command_kind command)
        : std::runtime_error(message), command_(command) {}
    // Whose usage text to show.
    command_kind command() const { return command_; }

  private:
    command_kind command_;
};

}  // namespace builder
