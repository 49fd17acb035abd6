// The option table, the rules between options, and the checks that keep them sound: a switch has no value
// name, no command has two options of one name, no two CMake keywords share a name or a place, and each
// rule names options of its command.
#include "builder/cli/option_table.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "payload/vendor_settings_table.h"

namespace builder {
namespace {

using args = build_arguments;

// One row per option: what the parser, the usage and the CMake package know of it. The help's lines are
// laid out as the usage shows them, a column to the right of the option; a "{setting ...}" or
// "{limit ...}" in it is worded from the settings' table or the limit's constant (usage.cc). The vendor's
// settings come between these two lists.
// clang-format off
constexpr option_spec OPTIONS_BEFORE_SETTINGS[] = {
    // command, short name, name, value name, where it goes, CMake keyword {name, place, path}; help
    {"build", "", "--product", "NAME", &args::product, {"PRODUCT", 1},
        "product name (default: the last component of SOURCE_DIR)"},
    {"build", "", "--version", "TEXT", &args::version, {"VERSION", 2},
        "version text (default: 1.0)"},
    {"build", "", "--platform", "TEXT", &args::platform, {"PLATFORM", 3},
        "platform phrase (default: for Linux)"},
    {"build", "", "--build-time", "SECONDS", &args::build_time, {"BUILD_TIME", 4},
        "build time, seconds since 1970-01-01 UTC\n"
        "(default: SOURCE_DATE_EPOCH when set, else now)"},
    {"build", "", "--stub", "PATH", &args::stub, {},
        "installer stub (default: the installer beside mkinstaller, else\n"
        MKINSTALLER_INSTALLED_STUB " from mkinstaller's real place);\n"
        "it must carry the installer's licence region, and its profile region\n"
        "for the settings below"},
    {"build", "", "--arch", "ARCH", &args::arch, {"ARCH", 31},
        "the machine the installer runs on, x86-64 or aarch64 (default: the one\n"
        "mkinstaller runs on); without --stub it picks the stub: for another\n"
        "architecture installer-ARCH beside mkinstaller, else in the libexec\n"
        "directory above. A stub whose ELF header names another machine is refused"},
    {"build", "", "--license", "FILE", &args::license, {"LICENSE", 6, true},
        "show the text of FILE as the licence agreement instead of the stub's\n"
        "built-in one (UTF-8; see below)"},
};

// After the vendor's settings, which --profile's help refers to as above it.
constexpr option_spec OPTIONS_AFTER_SETTINGS[] = {
    {"build", "", "--profile", "FILE", &args::profile, {"PROFILE", 20, true},
        "take the {setting count} settings above from FILE, 'key = value' lines (see\n"
        "below); an option given overrides the profile's setting"},
    {"build", "", "--level", "N", &args::level, {"LEVEL", 5},
        "compression level, {limit level min} (fastest) to {limit level max} (smallest); default {limit level default}"},
    {"build", "", "--store", "", &args::store, {"STORE", 10},
        "store every file uncompressed (not with --level)"},
    {"build", "-j", "--jobs", "N", &args::jobs, {},
        "read and compress files on N threads, 1 to {limit jobs} (default: one per online\n"
        "core); the installer is the same byte for byte for every N. Memory grows\n"
        "with N: files read ahead hold at most N times the largest file plus\n"
        "{limit ahead MiB} MiB, each with its compressed form"},
    {"build", "", "--exclude", "PATTERN", &args::excludes, {"EXCLUDE", 7},
        "leave out files and directories whose relative name matches the shell\n"
        "pattern ('*' matches '/' too); repeatable"},
    {"build", "", "--delete", "PATH", &args::deletes, {"DELETE", 8},
        "make the installer remove PATH beneath the target before it writes any\n"
        "file; repeatable, in the order given"},
    {"build", "", "--file-mode", "", &args::file_mode, {"FILE_MODES", 9},
        "install each file with its own permission bits: the default, accepted\n"
        "for the scripts that still ask for it"},
    {"build", "", "--uniform-mode", "", &args::uniform_mode, {"UNIFORM_MODE", 21},
        "install every file with mode 0755 instead of its own permission bits"},
    {"build", "", "--keep-setid", "", &args::keep_setid, {"KEEP_SETID", 22},
        "keep set-user-ID, set-group-ID and sticky bits (dropped by default)"},
    {"build", "", "--allow-same-name", "", &args::allow_same_name, {},
        "build even when files share a last name component (see below)"},
    {"build", "", "--strict", "", &args::strict, {"STRICT", 11},
        "make every other warning an error (skipped files and directories, sizes\n"
        "that are not the length of a file of /proc or /sys)"},
    {"build", "", "--checksum", "", &args::checksum, {},
        "also write OUTPUT.sha256, for 'sha256sum -c' run in OUTPUT's directory"},
    {"build", "", "--update-from", "OLD", &args::update_from, {"UPDATE_FROM", 23, true},
        "write an update instead: the entries that turn the tree the installer\n"
        "OLD leaves into the tree a full build leaves (see below)"},
    {"build", "", "--full", "", &args::full, {"FULL_UPDATE", 24},
        "with --update-from: carry every file as well, so that the update also\n"
        "installs into an empty target"},
    {"build", "", "--quiet", "", &args::quiet, {},
        "no progress bar, no summary, no report on standard output"},
    {"list", "", "--json", "", &command_line::json, {},
        "one JSON object: the header fields, \"profile\" (the settings the installer runs "
        "with: {setting json keys}, update_of: null, or for an update product, "
        "version, check (content), kept (how many the update leaves in place; they come\n"
        "first) and base, the files it checks, each with path, size, new_size, sha256 and\n"
        "new_sha256 (an update built before: mtime and new_mtime); null when its region\n"
        "is damaged), \"entries\"\n"
        "(name, method, method_number, size, stored_size, mtime, mode as an octal text,\n"
        "and link, a link entry's text), \"stub_shipped\" (whether the program in front\n"
        "of the payload is a stub this mkinstaller ships), \"architecture\" (x86-64,\n"
        "aarch64, \"unknown (machine N)\" or \"unknown\", from its ELF header)\n"
        "and \"warnings\"; \"error\" when damaged or refused by the installer (then only\n"
        "\"entries\", \"warnings\" and \"error\" when the header block is missing or\n"
        "damaged), with exit status 1; in its strings a byte that is not UTF-8 reads \\x9b\n"
        "(\"\\\\x9b\" in the document) and a name's backslash reads \\\\ (\"\\\\\\\\\")"},

    {"verify", "", "--any-stub", "", &command_line::any_stub, {},
        "check the payload whatever program stands in front of it; without it a program\n"
        "that is not a stub this mkinstaller ships fails, since the payload cannot say\n"
        "what such a program does"},

    {"extract", "", "--force", "", &command_line::force, {},
        "replace files that already exist (as names: a link to the file elsewhere keeps\n"
        "its bytes); anything but a file at an entry's place is still refused"},
    {"extract", "", "--keep-setid", "", &command_line::keep_setid, {},
        "keep set-user-ID, set-group-ID and sticky bits (dropped by default)"},

    {"diff", "", "--json", "", &command_line::json, {},
        "one JSON object: \"equal\", and \"changes\", each with \"change\" (added, removed,\n"
        "changed), \"path\" and, for a changed file, \"bytes\", \"time\" and \"mode\" as true or false"},
    {"diff", "", "--update", "OLD", &command_line::update_of, {},
        "check an update: diff --update OLD UPDATE NEW compares the tree the installer\n"
        "OLD and then the update UPDATE leave with the tree NEW leaves"},
};

// Checked after the operands, in this order.
constexpr option_rule RULES[] = {
    {"build", "--store", option_relation::excludes, "--level",
        "--store and --level exclude each other: a stored file is not compressed at all"},
    {"build", "--full", option_relation::needs, "--update-from",
        "--full belongs to --update-from: a build without it writes every file anyway"},
    {"build", "--uniform-mode", option_relation::excludes, "--file-mode",
        "--uniform-mode and --file-mode exclude each other: 0755 for all, or each file's own bits"},
    {"build", "--keep-setid", option_relation::excludes, "--uniform-mode",
        "--keep-setid and --uniform-mode exclude each other: 0755 for all keeps no bits"},
};
// clang-format on

// A vendor setting's option, as its row in the settings' table describes it; a text of lines is given
// as a file, which the CMake function takes as a path.
constexpr option_spec setting_option(const payload::vendor_setting& setting) {
    return {
        .command = "build",
        .short_name = "",
        .name = setting.option,
        .value_name = setting.value_name,
        .target = setting_target{setting.number},
        .cmake = {setting.cmake_keyword, setting.cmake_place, setting.kind == payload::setting_kind::lines},
        .help = setting.help};
}

consteval auto all_options() {
    std::array<option_spec, std::size(OPTIONS_BEFORE_SETTINGS) + payload::VENDOR_SETTING_COUNT +
                                std::size(OPTIONS_AFTER_SETTINGS)>
        rows{};
    auto next = std::ranges::copy(OPTIONS_BEFORE_SETTINGS, rows.begin()).out;
    next = std::ranges::transform(payload::VENDOR_SETTINGS, next, setting_option).out;
    std::ranges::copy(OPTIONS_AFTER_SETTINGS, next);
    return rows;
}

constexpr auto OPTIONS = all_options();

constexpr bool switches_have_no_value_name() {
    return std::ranges::all_of(
        OPTIONS, [](const option_spec& o) { return takes_value(o.target) != o.value_name.empty(); });
}

constexpr bool names_are_unique_per_command() {
    for (const option_spec& a : OPTIONS) {
        for (const option_spec& b : OPTIONS) {
            if (&a == &b || a.command != b.command) continue;
            if (a.name == b.name || (!a.short_name.empty() && a.short_name == b.short_name)) return false;
        }
    }
    return true;
}

// mkinstaller_add_installer runs build: only build's options can have a keyword.
constexpr bool cmake_keywords_are_unique() {
    for (const option_spec& a : OPTIONS) {
        if (a.cmake.name.empty()) continue;
        if (a.command != "build" || a.cmake.place < 1) return false;
        for (const option_spec& b : OPTIONS) {
            if (&a != &b && !b.cmake.name.empty() &&
                (a.cmake.name == b.cmake.name || a.cmake.place == b.cmake.place))
                return false;
        }
    }
    return true;
}

constexpr bool rules_name_options() {
    const auto named = [](std::string_view command, std::string_view name) {
        return std::ranges::any_of(
            OPTIONS, [&](const option_spec& o) { return o.command == command && o.name == name; });
    };
    return std::ranges::all_of(
        RULES, [&](const option_rule& r) { return named(r.command, r.option) && named(r.command, r.other); });
}

static_assert(switches_have_no_value_name());
static_assert(names_are_unique_per_command());
static_assert(cmake_keywords_are_unique());
static_assert(rules_name_options());

}  // namespace

std::span<const option_spec> option_table() {
    return OPTIONS;
}

std::span<const option_rule> option_rules() {
    return RULES;
}

}  // namespace builder
