// The command line of mkinstaller: which command, its options and its operands. Only the shape is checked
// here; values (numbers, lengths, paths) are judged by the command that uses them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace builder {

enum class command_kind { none, build, list, verify, extract, info, license, diff };

struct build_arguments {
    std::optional<std::string> product;
    std::optional<std::string> version;
    std::optional<std::string> platform;
    std::optional<std::string> build_time;
    std::optional<std::string> stub;
    std::optional<std::string> level;
    std::optional<std::string> license;      // a licence text file for the stub's licence region
    std::optional<std::string> update_from;  // an older installer: write the update from its tree
    unsigned jobs = 0;                       // -j N: threads that compress; 0 for one per online core
    bool store = false;
    bool quiet = false;                 // no progress bar and no summary
    bool strict = false;                // every warning is an error
    bool allow_same_name = false;       // same-name groups are warnings, not errors
    bool checksum = false;              // also write OUTPUT.sha256
    bool file_mode = false;             // each file's own permission bits instead of 0755
    bool full = false;                  // with update_from: every file, not only what changed
    std::vector<std::string> deletes;   // --delete PATH, in the order given
    std::vector<std::string> excludes;  // --exclude PATTERN
    std::string source_dir;
    std::string output;
};

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

// The most threads -j takes.
constexpr unsigned CLI_MAX_JOBS = 256;

// `args` excludes the program name. Throws usage_error.
command_line parse_command_line(const std::vector<std::string_view>& args);

}  // namespace builder
