// Usage texts, each with a short example, put together from the command table and the option table: the
// synopsis from a command's options and operands, the option lines in a column of their own, the lists
// of the vendor's settings from their table.
#include "builder/cli/usage.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "builder/cli/command_table.h"
#include "builder/cli/option_table.h"
#include "builder/format/profile_settings.h"
#include "builder/pack/build_settings.h"
#include "builder/pack/entry_pipeline.h"
#include "builder/pack/license_layout.h"
#include "builder/pack/vendor_profile.h"
#include "builder/util/word_list.h"
#include "encoder/encoder.h"
#include "payload/header_block.h"
#include "payload/license_region.h"
#include "payload/path_limit.h"
#include "payload/profile_region.h"
#include "payload/vendor_settings_table.h"

namespace builder {
namespace {

constexpr std::string_view USAGE_PROGRAM_NOTES =
    "Exit status: 0 success, 1 error, 2 usage error (diff: 0 same, 1 different, 2 error).\n"
    "\n"
    "examples:\n"
    "  mkinstaller build --product VORNA dist/vorna vorna-setup && mkinstaller verify vorna-setup\n"
    "  mkinstaller build --help\n";

// The lists of the vendor's settings that the prose names, from their table.
std::string setting_options() {
    std::vector<std::string_view> options;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) options.push_back(setting.option);
    return word_list(options, " and ");
}

std::string setting_json_keys() {
    std::vector<std::string> keys;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) keys.push_back(json_key(setting));
    return word_list(std::vector<std::string_view>(keys.begin(), keys.end()), ", ");
}

constexpr std::string_view NUMBER_WORDS[] = {"no",     "one",      "two",      "three",   "four",   "five",
                                             "six",    "seven",    "eight",    "nine",    "ten",    "eleven",
                                             "twelve", "thirteen", "fourteen", "fifteen", "sixteen"};
static_assert(payload::VENDOR_SETTING_COUNT < std::size(NUMBER_WORDS));

std::string setting_count() {
    return std::string(NUMBER_WORDS[payload::VENDOR_SETTING_COUNT]);
}

// A token in the prose stands for one of the lists, so that a new setting needs no edit of the prose;
// the line holding it (up to its line feed) is then filled anew to `width` columns, or left as it is
// for 0.
struct setting_token {
    std::string_view token;
    std::string (*text)();
    std::size_t width;
};

constexpr setting_token SETTING_TOKENS[] = {
    {"{setting options}", setting_options, 98},      // build's notes
    {"{setting count}", setting_count, 0},           // --profile's help
    {"{setting json keys}", setting_json_keys, 80},  // list --json's help
};

// A limit the prose states, as the constant that enforces it says it.
struct limit_token {
    std::string_view token;
    std::uint64_t value;
};

constexpr limit_token LIMIT_TOKENS[] = {
    {"{limit header text}", payload::HEADER_TEXT_SIZE - 1},
    {"{limit target path}", payload::TARGET_PATH_MAX},
    {"{limit roots}", payload::PROFILE_MAX_ROOTS},
    {"{limit base files}", payload::PROFILE_MAX_BASE_FILES},
    {"{limit profile columns}", PROFILE_TEXT_COLUMNS},
    {"{limit license columns}", LICENSE_WRAP_COLUMNS},
    {"{limit license region}", payload::LICENSE_REGION.capacity},
    {"{limit license file}", LICENSE_FILE_MAX_SIZE},
    {"{limit level min}", encoder::ENCODER_LEVEL_MIN},
    {"{limit level max}", encoder::ENCODER_LEVEL_MAX},
    {"{limit level default}", encoder::ENCODER_LEVEL_DEFAULT},
    {"{limit jobs}", SETTINGS_MAX_JOBS},
    {"{limit ahead MiB}", PIPELINE_AHEAD_SLACK >> 20},
};

// The words of `line` in lines of at most `width` columns, as many on each as fit.
std::string filled(std::string_view line, std::size_t width) {
    std::string text;
    std::size_t column = 0;
    while (!line.empty()) {
        const std::string_view word = line.substr(0, line.find(' '));
        line.remove_prefix(std::min(line.size(), word.size() + 1));
        if (column != 0 && column + 1 + word.size() > width) {
            text += '\n';
            column = 0;
        } else if (column != 0) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
    }
    return text;
}

// `prose` with each limit's number and each token's list put in. The limits go first: a line that a
// list fills anew is then filled with its final words.
std::string worded(std::string_view prose) {
    std::string text(prose);
    for (const limit_token& limit : LIMIT_TOKENS) {
        for (std::size_t at = text.find(limit.token); at != std::string::npos;
             at = text.find(limit.token, at))
            text.replace(at, limit.token.size(), std::to_string(limit.value));
    }
    for (const setting_token& token : SETTING_TOKENS) {
        const std::size_t at = text.find(token.token);
        if (at == std::string::npos) continue;
        text.replace(at, token.token.size(), token.text());
        if (token.width == 0) continue;
        const std::size_t line_feed = text.rfind('\n', at);
        const std::size_t start = line_feed == std::string::npos ? 0 : line_feed + 1;
        const std::size_t end = std::min(text.find('\n', at), text.size());
        text.replace(start, end - start,
                     filled(std::string_view(text).substr(start, end - start), token.width));
    }
    return text;
}

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
        for (const char c : worded(option->help)) {
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
    return text + worded(command->notes);
}

std::string_view version_text() {
    return "mkinstaller " MKINSTALLER_VERSION "\n";
}

}  // namespace builder
