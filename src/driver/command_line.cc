#include "driver/command_line.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "driver/agreement.h"
#include "driver/installer_facts.h"
#include "payload/header_block.h"
#include "payload/path_limit.h"
#include "payload/product_text.h"
#include "payload/vendor_settings_table.h"
#include "process/run_log.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/shown_output.h"
#include "process/termination.h"
#include "target/home_path.h"

namespace driver {
namespace {

constexpr const char* USAGE_OPTIONS =
    "Options:\n"
    "  --target=DIR, --prefix=DIR  install into DIR: no directory is asked for\n"
    "  --accept-license            accept the licence agreement (--show-license shows it)\n"
    "  --unattended, -y            ask nothing and read no input: install into the\n"
    "                              --target DIR or the default directory\n"
    "  --quiet, -q                 write nothing but failures (with --unattended)\n"
    "  --log=FILE                  append a plain log of the run to FILE\n"
    "  --show-license              write the licence agreement and exit\n"
    "  --check                     check the whole installer, write nothing, and exit\n"
    "  --list                      list the files it installs and exit\n"
    "  --info                      describe the installer and exit\n"
    "  --version                   show the product, version and build, and exit\n"
    "  --help                      show this help and exit\n"
    "  -autonext                   answer every question that has a default answer\n"
    "\n"
    "Exit status: 0 installation complete (also when the last question is cancelled),\n"
    "1 failure, 2 cancelled, end of input or a usage error, 128+N ended by signal N\n"
    "(130: Ctrl-C, 143: SIGTERM).\n";

// The options that take a value, as "--name=VALUE" or "--name VALUE".
enum class valued { target, log };
struct valued_option {
    std::string_view name;
    valued what;
};
constexpr std::array<valued_option, 3> VALUED_OPTIONS = {{
    {"--target", valued::target},
    {"--prefix", valued::target},
    {"--log", valued::log},
}};

struct switch_option {
    std::string_view name;
    bool process::run_mode::*flag;  // null: an action, or the wizard's own options
    command_action action;
};
constexpr std::array<switch_option, 14> SWITCHES = {{
    {"--accept-license", &process::run_mode::accept_license, command_action::install},
    {"--unattended", &process::run_mode::unattended, command_action::install},
    {"-y", &process::run_mode::unattended, command_action::install},
    {"--quiet", &process::run_mode::quiet, command_action::install},
    {"-q", &process::run_mode::quiet, command_action::install},
    {"-autonext", nullptr, command_action::install},
    {"-InstallNewRelease", nullptr, command_action::install},
    {"--help", nullptr, command_action::help},
    {"-h", nullptr, command_action::help},
    {"--version", nullptr, command_action::version},
    {"--info", nullptr, command_action::info},
    {"--list", nullptr, command_action::list},
    {"--check", nullptr, command_action::check},
    {"--show-license", nullptr, command_action::show_license},
}};

std::array<char, payload::TARGET_PATH_SIZE> expanded_target{};

std::string_view header_field(std::size_t field) {
    return payload::header_text(process::session.header, field);
}

void write_usage(std::FILE* out) {
    std::fprintf(out, "Usage: %s [OPTION]...\nInstalls ", process::run.own_name);
    process::write_text(out, header_field(payload::HEADER_PRODUCT_NAME));
    std::fputs(" ", out);
    process::write_text(out, header_field(payload::HEADER_VERSION));
    std::fprintf(out, ".\n\n%s", USAGE_OPTIONS);
}

[[noreturn]] void usage_error(const char* problem, std::string_view argument) {
    std::fprintf(stderr, "%s: %s '%.*s'\n", process::run.own_name, problem, static_cast<int>(argument.size()),
                 argument.data());
    write_usage(stderr);
    process::end_with_status(process::EXIT_STATUS_USAGE);
}

void take_value(valued what, const char* value) {
    if (what == valued::log) {
        if (!process::open_run_log(value)) {
            const int cause = errno;
            std::array<char, payload::TARGET_PATH_SIZE + 64> message{};
            std::snprintf(message.data(), message.size(), "Can't open the log \"%s\"", value);
            process::error_errno(message.data(), "(err=17).", cause);
        }
        return;
    }
    process::run.target = value;
    if (target::expand_home(value, expanded_target.data(), expanded_target.size()))
        process::run.target = expanded_target.data();
}

// Reads one argument at argv[i], and its value when it takes one; returns the index of the last used.
int read_argument(int argc, char** argv, int i, command_action& action) {
    const std::string_view argument = argv[i];
    for (const switch_option& option : SWITCHES) {
        if (argument != option.name) continue;
        if (option.flag != nullptr) process::run.*option.flag = true;
        // --help wins over every other action; otherwise the first one given stands.
        if (option.action == command_action::help ||
            (option.action != command_action::install && action == command_action::install))
            action = option.action;
        return i;
    }
    for (const valued_option& option : VALUED_OPTIONS) {
        if (argument == option.name) {
            if (i + 1 >= argc) usage_error("option needs a value:", argument);
            take_value(option.what, argv[i + 1]);
            return i + 1;
        }
        if (argument.starts_with(option.name) && argument.size() > option.name.size() &&
            argument[option.name.size()] == '=') {
            take_value(option.what, argv[i] + option.name.size() + 1);
            return i;
        }
    }
    usage_error(argument.starts_with("-") ? "unknown option" : "unexpected argument", argument);
}

void write_license() {
    agreement_cursor cursor = first_agreement_line();
    for (std::string_view line; next_agreement_line(cursor, line);) {
        process::write_text(stdout, line);
        std::fputs("\n", stdout);
    }
}

}  // namespace

void write_product_line(std::FILE* out, const char* lead) {
    // The stamp is " (build YYMMDD.hhmmss) ": its trailing blank is left off.
    const payload::product_text stamp =
        payload::build_stamp(payload::header_build_time(process::session.header));
    const std::string_view framed = stamp.data();
    // Header texts of 64 bytes at most, escaped at most four times as long.
    std::array<char, 1024> bytes;
    process::gathered_text line{bytes};
    line(lead);
    line(process::shown{header_field(payload::HEADER_PRODUCT_NAME)});
    line(" ");
    line(process::shown{header_field(payload::HEADER_VERSION)});
    line(" ");
    line(process::shown{header_field(payload::HEADER_PLATFORM)});
    line(framed.substr(0, framed.size() - 1));
    line("\n");
    line.write(out);
}

command_action read_command_line(int argc, char** argv) {
    command_action action = command_action::install;
    for (int i = 1; i < argc; ++i) i = read_argument(argc, argv, i, action);
    return action;
}

void carry_out(command_action action) {
    switch (action) {
        case command_action::help:
            write_usage(stdout);
            break;
        case command_action::version:
            write_product_line(stdout, "");
            break;
        case command_action::info:
            write_installer_info(stdout);
            break;
        case command_action::list:
            process::run.reporting = true;
            write_installer_list(stdout);
            break;
        case command_action::check:
            process::run.reporting = true;
            check_whole_installer();
            std::printf("%s: the installer is intact.\n", process::run.own_name);
            break;
        case command_action::show_license:
            write_license();
            break;
        case command_action::install:
            break;
    }
    process::end_with_status(std::fflush(stdout) == 0 ? 0 : payload::EXIT_STATUS_FAILED);
}

void check_run_request() {
    process::log_line("installer", process::run.own_name);
    if (process::run.unattended && !process::run.accept_license) {
        std::array<char, 512> message{};
        std::snprintf(message.data(), message.size(),
                      "The licence agreement was not accepted: read it with %s --show-license,\n"
                      "then run again with --accept-license if you accept it (err=18).",
                      process::run.own_name);
        process::error(message.data());
    }
}

}  // namespace driver
