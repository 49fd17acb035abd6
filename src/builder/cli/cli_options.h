// The command line of mkinstaller: which command, its options and its operands. Only the shape is checked
// here; values (numbers, lengths, paths) are judged by the command that uses them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/pack/build_settings.h"

namespace builder {

enum class command_kind { none, build, list, verify, extract, info, license, diff };

struct command_line {
    command_kind command = command_kind::none;
    bool help = false;     // --help: show the usage of `command` (none: of the whole program)
    bool version = false;  // --version: show mkinstaller's version
    build_arguments build;
    std::string installer;      // the operand of list, verify, info, license and extract; diff's OLD
    std::string new_installer;  // diff's NEW
    std::string extract_dir;    // where extract writes
    bool force = false;         // extract: overwrite existing files
    bool keep_setid = false;    // extract: keep set-user-ID, set-group-ID and sticky bits
    bool json = false;          // list, diff: one JSON document instead of the table
};

// `args` excludes the program name. Throws usage_error.
command_line parse_command_line(const std::vector<std::string_view>& args);

}  // namespace builder
