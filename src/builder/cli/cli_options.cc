// Command-line parsing: options may come before or after the operands, as "--opt VALUE" or "--opt=VALUE";
// "--" ends the options. Which options a command takes and where they go is the option table's.
#include "builder/cli/cli_options.h"

#include <charconv>

#include "builder/cli/command_table.h"
#include "builder/cli/option_table.h"
#include "builder/cli/usage_error.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {
namespace {

template <class... Handlers>
struct handlers : Handlers... {
    using Handlers::operator()...;
};
// clang 14 deduces no template arguments for an aggregate without a guide.
template <typename... Handlers>
handlers(Handlers...) -> handlers<Handlers...>;

bool is_help(std::string_view arg) {
    return arg == "-h" || arg == "--help";
}

// `name` is "-j" or "--jobs" as given.
const option_spec* option_named(const command_spec& command, std::string_view name) {
    for (const option_spec& option : option_table()) {
        if (option.command == command.name && (option.name == name || option.short_name == name))
            return &option;
    }
    return nullptr;
}

// -j's value: a thread count from 1 to SETTINGS_MAX_JOBS.
unsigned parse_jobs(std::string_view name, const std::string& text, const command_spec& command) {
    unsigned jobs = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, jobs);
    if (ec != std::errc() || stop != end || jobs < 1 || jobs > SETTINGS_MAX_JOBS) {
        throw usage_error(std::string(name) + " takes a number of threads from 1 to " +
                              std::to_string(SETTINGS_MAX_JOBS) + ", not " + shown(text),
                          &command);
    }
    return jobs;
}

// Puts `value` (ignored for a switch) where `option`, given as `name`, goes.
void store(command_line& line, const option_spec& option, std::string_view name, std::string value) {
    std::visit(
        handlers{
            [&](std::optional<std::string> build_arguments::*text) { line.build.*text = std::move(value); },
            [&](std::vector<std::string> build_arguments::*list) {
                (line.build.*list).push_back(std::move(value));
            },
            [&](unsigned build_arguments::*count) {
                line.build.*count = parse_jobs(name, value, *line.command);
            },
            [&](bool build_arguments::*flag) { line.build.*flag = true; },
            [&](bool command_line::*flag) { line.*flag = true; },
            [&](std::optional<std::string> command_line::*text) { line.*text = std::move(value); },
            [&](setting_target setting) { line.build.settings[setting.number].push_back(std::move(value)); },
        },
        option.target);
}

bool is_given(const command_line& line, std::string_view name) {
    const option_spec* option = option_named(*line.command, name);
    return std::visit(
        handlers{
            [&](std::optional<std::string> build_arguments::*text) { return (line.build.*text).has_value(); },
            [&](std::vector<std::string> build_arguments::*list) { return !(line.build.*list).empty(); },
            [&](unsigned build_arguments::*count) { return line.build.*count != 0; },
            [&](bool build_arguments::*flag) { return line.build.*flag; },
            [&](bool command_line::*flag) { return line.*flag; },
            [&](std::optional<std::string> command_line::*text) { return (line.*text).has_value(); },
            [&](setting_target setting) { return !line.build.settings[setting.number].empty(); },
        },
        option->target);
}

void check_rules(const command_line& line) {
    for (const option_rule& rule : option_rules()) {
        if (rule.command != line.command->name || !is_given(line, rule.option)) continue;
        const bool other = is_given(line, rule.other);
        if (other == (rule.relation == option_relation::excludes))
            throw usage_error(std::string(rule.message), line.command);
    }
}

// "missing OUTPUT", "missing SOURCE_DIR and OUTPUT": the operands not given.
std::string missing_operands(const command_spec& command, std::size_t given) {
    const std::size_t wanted = operand_count(command);
    std::string text = "missing ";
    for (std::size_t i = given; i < wanted; ++i) {
        if (i > given) text += i + 1 == wanted ? " and " : ", ";
        text += command.operands[i];
    }
    return text;
}

void take_operands(command_line& line, std::vector<std::string> operands) {
    const std::size_t wanted = operand_count(*line.command);
    if (operands.size() > wanted) {
        throw usage_error("unexpected argument " + shown(operands[wanted]), line.command);
    }
    if (operands.size() < wanted)
        throw usage_error(missing_operands(*line.command, operands.size()), line.command);
    line.operands = std::move(operands);
}

}  // namespace

command_line parse_command_line(const std::vector<std::string_view>& args) {
    command_line line;
    if (args.empty()) throw usage_error("no command given", nullptr);
    if (is_help(args[0])) {
        if (args.size() > 1) throw usage_error("unexpected argument " + shown(std::string(args[1])), nullptr);
        line.help = true;
        return line;
    }
    if (args[0] == "--version") {
        if (args.size() > 1) throw usage_error("unexpected argument " + shown(std::string(args[1])), nullptr);
        line.version = true;
        return line;
    }
    line.command = command_named(args[0]);
    if (line.command == nullptr) throw usage_error("unknown command " + shown(std::string(args[0])), nullptr);

    std::vector<std::string> operands;
    bool options_ended = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            operands.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        if (is_help(arg)) {
            line.help = true;
            return line;
        }
        // -j4, as make takes it: a short option's value may follow it directly.
        const std::string_view short_name = arg.substr(0, 2);
        const option_spec* attached =
            arg.size() > 2 && arg[2] != '=' ? option_named(*line.command, short_name) : nullptr;
        if (attached != nullptr && attached->short_name == short_name && takes_value(attached->target)) {
            store(line, *attached, short_name, std::string(arg.substr(2)));
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const option_spec* option = option_named(*line.command, name);
        if (option == nullptr) throw usage_error("unknown option " + std::string(name), line.command);
        std::string value;
        if (!takes_value(option->target)) {
            if (equals != std::string_view::npos)
                throw usage_error("option " + std::string(name) + " takes no value", line.command);
        } else if (equals != std::string_view::npos) {
            value = std::string(arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            value = std::string(args[++i]);
        } else {
            throw usage_error("option " + std::string(name) + " needs a value", line.command);
        }
        store(line, *option, name, std::move(value));
    }
    take_operands(line, std::move(operands));
    check_rules(line);
    return line;
}

}  // namespace builder
