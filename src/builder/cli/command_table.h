// The commands of mkinstaller, one row each: what the parser, the usage texts and main need to know of a
// command. Its options are rows of option_table.h that name it.
#pragma once

#include <array>
#include <cstddef>
#include <ostream>
#include <span>
#include <string_view>

#include "builder/cli/cli_options.h"

namespace builder {

constexpr std::size_t COMMAND_MAX_OPERANDS = 2;

// Exit statuses.
constexpr int STATUS_SUCCESS = 0;
constexpr int STATUS_ERROR = 1;      // a command failed
constexpr int STATUS_USAGE = 2;      // a malformed command line
constexpr int STATUS_DIFFERENT = 1;  // diff, as diff(1): the trees differ
constexpr int STATUS_TROUBLE = 2;    // diff, as diff(1): it failed

struct command_spec {
    std::string_view name;
    // In the order they are given; the unused ones empty. The usage's synopsis and the "missing ..."
    // messages name them.
    std::array<std::string_view, COMMAND_MAX_OPERANDS> operands;
    // The usage text around the option lines: what the command does, then further notes and examples.
    std::string_view about;
    std::string_view notes;
    // Runs the parsed command line and returns the exit status; throws error on failure.
    int (*run)(const command_line& line, std::ostream& out, std::ostream& warnings);
    int failure_status;        // the exit status when it throws
    std::string_view summary;  // its line in the program's usage
};

// In the order the program's usage lists them.
std::span<const command_spec> command_table();

// The command called `name`, or null.
const command_spec* command_named(std::string_view name);

std::size_t operand_count(const command_spec& command);

}  // namespace builder
