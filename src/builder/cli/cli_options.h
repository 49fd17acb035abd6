// The command line of mkinstaller: which command, its options and its operands. Only the shape is checked
// here; values (numbers, lengths, paths) are judged by the command that uses them. What the commands and
// options are comes from command_table.h and option_table.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/pack/build_settings.h"

namespace builder {

struct command_spec;

struct command_line {
    const command_spec* command = nullptr;  // null: no command (--help or --version of the program)
    bool help = false;                      // --help: show the usage of `command`
    bool version = false;                   // --version: show mkinstaller's version
    build_arguments build;                  // build's options; its operands are in `operands`
    std::vector<std::string> operands;      // as many as the command names, in order
    bool force = false;                     // extract: overwrite existing files
    bool keep_setid = false;                // extract: keep set-user-ID, set-group-ID and sticky bits
    bool json = false;                      // list, diff: one JSON document instead of the table
    bool any_stub = false;                  // verify: whatever program stands in front of the payload
    std::optional<std::string> update_of;   // diff --update OLD: the first operand is an update of OLD
};

// `args` excludes the program name. Throws usage_error.
command_line parse_command_line(const std::vector<std::string_view>& args);

}  // namespace builder
