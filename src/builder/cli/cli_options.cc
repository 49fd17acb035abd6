// Command-line parsing: options may come before or after the operands, as "--opt VALUE" or "--opt=VALUE";
// "--" ends the options.
#include "builder/cli/cli_options.h"

#include <charconv>

#include "builder/cli/usage_error.h"
#include "builder/util/error.h"

namespace builder {
namespace {

bool is_help(std::string_view arg) {
    return arg == "-h" || arg == "--help";
}

command_kind command_named(std::string_view name) {
    if (name == "build") return command_kind::build;
    if (name == "list") return command_kind::list;
    if (name == "verify") return command_kind::verify;
    if (name == "extract") return command_kind::extract;
    if (name == "info") return command_kind::info;
    if (name == "license") return command_kind::license;
    if (name == "diff") return command_kind::diff;
    return command_kind::none;
}

std::optional<std::string>* value_option(build_arguments& build, std::string_view name) {
    if (name == "--product") return &build.product;
    if (name == "--version") return &build.version;
    if (name == "--platform") return &build.platform;
    if (name == "--build-time") return &build.build_time;
    if (name == "--stub") return &build.stub;
    if (name == "--level") return &build.level;
    if (name == "--license") return &build.license;
    if (name == "--update-from") return &build.update_from;
    return nullptr;
}

std::vector<std::string>* list_option(build_arguments& build, std::string_view name) {
    if (name == "--delete") return &build.deletes;
    if (name == "--exclude") return &build.excludes;
    return nullptr;
}

// The build's switches: options that take no value.
bool* build_flag(build_arguments& build, std::string_view name) {
    if (name == "--store") return &build.store;
    if (name == "--quiet") return &build.quiet;
    if (name == "--strict") return &build.strict;
    if (name == "--allow-same-name") return &build.allow_same_name;
    if (name == "--checksum") return &build.checksum;
    if (name == "--file-mode") return &build.file_mode;
    if (name == "--full") return &build.full;
    return nullptr;
}

// The switch `name` of `line`'s command, or null.
bool* flag_option(command_line& line, std::string_view name) {
    switch (line.command) {
        case command_kind::build:
            return build_flag(line.build, name);
        case command_kind::extract:
            if (name == "--keep-setid") return &line.keep_setid;
            return name == "--force" ? &line.force : nullptr;
        case command_kind::list:
        case command_kind::diff:
            return name == "--json" ? &line.json : nullptr;
        default:
            return nullptr;
    }
}

// -j's value: a thread count from 1 to SETTINGS_MAX_JOBS.
unsigned parse_jobs(std::string_view name, const std::string& text) {
    unsigned jobs = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, jobs);
    if (ec != std::errc() || stop != end || jobs < 1 || jobs > SETTINGS_MAX_JOBS) {
        throw usage_error(std::string(name) + " takes a number of threads from 1 to " +
                              std::to_string(SETTINGS_MAX_JOBS) + ", not " + in_quotes(text),
                          command_kind::build);
    }
    return jobs;
}

void take_operands(command_line& line, const std::vector<std::string>& operands) {
    const bool two = line.command == command_kind::build || line.command == command_kind::extract ||
                     line.command == command_kind::diff;
    const std::size_t wanted = two ? 2 : 1;
    if (operands.size() > wanted) {
        throw usage_error("unexpected argument " + in_quotes(operands[wanted]), line.command);
    }
    if (operands.size() < wanted) {
        const char* missing = "missing INSTALLER";
        if (line.command == command_kind::build) {
            missing = operands.empty() ? "missing SOURCE_DIR and OUTPUT" : "missing OUTPUT";
        } else if (line.command == command_kind::extract) {
            missing = operands.empty() ? "missing INSTALLER and DIR" : "missing DIR";
        } else if (line.command == command_kind::diff) {
            missing = operands.empty() ? "missing OLD and NEW" : "missing NEW";
        }
        throw usage_error(missing, line.command);
    }
    if (line.command == command_kind::build) {
        line.build.source_dir = operands[0];
        line.build.output = operands[1];
    } else {
        line.installer = operands[0];
        if (line.command == command_kind::extract) line.extract_dir = operands[1];
        if (line.command == command_kind::diff) line.new_installer = operands[1];
    }
}

}  // namespace

command_line parse_command_line(const std::vector<std::string_view>& args) {
    command_line line;
    if (args.empty()) throw usage_error("no command given", command_kind::none);
    if (is_help(args[0])) {
        if (args.size() > 1)
            throw usage_error("unexpected argument " + in_quotes(std::string(args[1])), command_kind::none);
        line.help = true;
        return line;
    }
    if (args[0] == "--version") {
        if (args.size() > 1)
            throw usage_error("unexpected argument " + in_quotes(std::string(args[1])), command_kind::none);
        line.version = true;
        return line;
    }
    line.command = command_named(args[0]);
    if (line.command == command_kind::none) {
        throw usage_error("unknown command " + in_quotes(std::string(args[0])), command_kind::none);
    }

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
        const bool is_build = line.command == command_kind::build;
        // -j4, as make takes it.
        if (is_build && arg.size() > 2 && arg.starts_with("-j") && arg[2] != '=') {
            line.build.jobs = parse_jobs("-j", std::string(arg.substr(2)));
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const bool is_jobs = is_build && (name == "-j" || name == "--jobs");
        std::optional<std::string>* value = is_build ? value_option(line.build, name) : nullptr;
        std::vector<std::string>* values = is_build ? list_option(line.build, name) : nullptr;
        if (value != nullptr || values != nullptr || is_jobs) {
            std::string given;
            if (equals != std::string_view::npos) {
                given = std::string(arg.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                given = std::string(args[++i]);
            } else {
                throw usage_error("option " + std::string(name) + " needs a value", line.command);
            }
            if (is_jobs) {
                line.build.jobs = parse_jobs(name, given);
            } else if (value != nullptr) {
                *value = std::move(given);
            } else {
                values->push_back(std::move(given));
            }
        } else if (bool* flag = flag_option(line, name)) {
            if (equals != std::string_view::npos)
                throw usage_error("option " + std::string(name) + " takes no value", line.command);
            *flag = true;
        } else {
            throw usage_error("unknown option " + std::string(name), line.command);
        }
    }
    take_operands(line, operands);
    if (line.command == command_kind::build && line.build.store && line.build.level) {
        throw usage_error("--store and --level exclude each other: a stored file is not compressed at all",
                          line.command);
    }
    if (line.command == command_kind::build && line.build.full && !line.build.update_from) {
        throw usage_error("--full belongs to --update-from: a build without it writes every file anyway",
                          line.command);
    }
    return line;
}

}  // namespace builder
