// The options of mkinstaller's commands, one row each: the command it belongs to, its names, the name of
// its value, where the parser puts it, its keyword in the CMake function mkinstaller_add_installer and its
// help in the usage. The parser, the usage texts and the CMake package (through cmake_keywords_main.cc)
// all read it; a new option is a new row, and a vendor setting's is made from its row of
// payload/vendor_settings_table.h.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "builder/cli/cli_options.h"

namespace builder {

// A vendor setting's option (payload/vendor_settings_table.h): its values go to
// build_arguments::settings[number].
struct setting_target {
    std::uint8_t number = 0;
};

// Where an option's value goes; the member's type says what value it takes.
using option_target = std::variant<std::optional<std::string> build_arguments::*,  // a text; the last counts
                                   std::vector<std::string> build_arguments::*,    // repeatable, in order
                                   unsigned build_arguments::*,  // a thread count, 1 to SETTINGS_MAX_JOBS
                                   bool build_arguments::*,      // a switch of build
                                   bool command_line::*,         // a switch of another command
                                   std::optional<std::string> command_line::*,  // a text of another
                                   setting_target>;

constexpr bool takes_value(const option_target& target) {
    return !std::holds_alternative<bool build_arguments::*>(target) &&
           !std::holds_alternative<bool command_line::*>(target);
}

// mkinstaller_add_installer's keyword for a build option, where it has one; its OPTIONS argument passes
// any option as it is.
struct cmake_keyword {
    std::string_view name;  // "PRODUCT"; empty: none
    // Where the function passes the option among those of its kind (it passes the kinds in the order
    // value, path, list, switch): a new keyword takes the next number, so that the command lines and
    // settings files of existing targets stay as they are.
    int place = 0;
    bool path = false;  // a file: taken from the current source directory, and a dependency of the target
};

struct option_spec {
    std::string_view command;
    std::string_view short_name;  // "-j", or empty; "-jN" is taken as "-j N"
    std::string_view name;        // "--jobs"
    std::string_view value_name;  // "N"; empty for a switch
    option_target target;
    cmake_keyword cmake;
    std::string_view help;  // its lines in the usage, without their indent
};

enum class option_relation { excludes, needs };

// Options that cannot be given together, or the first not without the other.
struct option_rule {
    std::string_view command;
    std::string_view option;
    option_relation relation;
    std::string_view other;
    std::string_view message;
};

// In the order each command's usage lists them.
std::span<const option_spec> option_table();
std::span<const option_rule> option_rules();

}  // namespace builder
