// Usage texts, each with a short example, put together from the command table and the option table: the
// synopsis from a command's options and operands, the option lines in a column of their own.
#include "builder/cli/usage.h"

#include <algorithm>
#include <vector>

#include "builder/cli/command_table.h"
#include "builder/cli/option_table.h"

namespace builder {
namespace {

constexpr std::string_view USAGE_PROGRAM_NOTES =
    "Exit status: 0 success, 1 error, 2 usage error (diff: 0 same, 1 different, 2 error).\n"
    "\n"
    "examples:\n"
    "  mkinstaller build --product VORNA dist/vorna vorna-setup && mkinstaller verify vorna-setup\n"
    "  mkinstaller build --help\n";

std::vector<const option_spec*> options_of(const command_spec& command) {
    std::vector<const option_spec*> options;
    for (const option_spec& option : option_table()) {
        if (option.command == command.name) options.push_back(&option);
    }
    return options;
}

// "-j, --jobs N"
std::string option_label(const option_spec& option) {
    std::string label;
    if (!option.short_name.empty()) label.append(option.short_name).append(", ");
    label.append(option.name);
    if (!option.value_name.empty()) label.append(" ").append(option.value_name);
    return label;
}

// "build [OPTIONS] SOURCE_DIR OUTPUT": a command whose options are all switches lists them.
std::string synopsis(const command_spec& command) {
    const std::vector<const option_spec*> options = options_of(command);
    std::string text(command.name);
    if (std::ranges::any_of(options, [](const option_spec* o) { return takes_value(o->target); })) {
        text += " [OPTIONS]";
    } else {
        for (const option_spec* option : options) text.append(" [").append(option->name).append("]");
    }
    for (std::size_t i = 0; i < operand_count(command); ++i) text.append(" ").append(command.operands[i]);
    return text;
}

// The start of a line of a two-column list: two blanks, `label`, and blanks to two past `width`, the
// longest label of the list.
std::string column_start(std::string_view label, std::size_t width) {
    std::string text = "  ";
    return text.append(label).append(width - label.size() + 2, ' ');
}

// Each option and its help, the help's further lines under its first.
std::string option_lines(const command_spec& command) {
    const std::vector<const option_spec*> options = options_of(command);
    std::size_t width = 0;
    for (const option_spec* option : options) width = std::max(width, option_label(*option).size());
    const std::string indent(column_start("", width).size(), ' ');
    std::string text;
    for (const option_spec* option : options) {
        text += column_start(option_label(*option), width);
        for (const char c : option->help) {
            text += c;
            if (c == '\n') text += indent;
        }
        text += '\n';
    }
    return text;
}

std::string program_usage() {
    std::string text;
    std::size_t width = 0;
    for (const command_spec& command : command_table()) {
        text += text.empty() ? "usage: " : "       ";
        text += "mkinstaller " + synopsis(command) + "\n";
        width = std::max(width, command.name.size());
    }
    text +=
        "       mkinstaller [COMMAND] --help\n"
        "       mkinstaller --version\n"
        "\n";
    for (const command_spec& command : command_table()) {
        text += column_start(command.name, width) + std::string(command.summary) + "\n";
    }
    return text + "\n" + std::string(USAGE_PROGRAM_NOTES);
}

}  // namespace

std::string usage_text(const command_spec* command) {
    if (command == nullptr) return program_usage();
    std::string text =
        "usage: mkinstaller " + synopsis(*command) + "\n\n" + std::string(command->about) + "\n";
    const std::string options = option_lines(*command);
    if (!options.empty()) text += options + "\n";
    return text + std::string(command->notes);
}

std::string_view version_text() {
    return "mkinstaller " MKINSTALLER_VERSION "\n";
}

}  // namespace builder
