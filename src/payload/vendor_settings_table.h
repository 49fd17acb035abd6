// The vendor's settings, one row each: the one place that says which settings an installer takes. The
// stub's reader and accessors, and mkinstaller's options, profile keys, checks, region records, JSON and
// info lines all derive from the rows; a new setting is a row (with a number never used before) plus its
// effect on a screen. Not here: the region's frame and the update's records (profile_region.h), the
// screens' own texts (vendor_defaults.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "payload/path_limit.h"

namespace payload {

// The settings' numbers in the profile region's records. Never renumber: installers carry them.
constexpr std::uint8_t PROFILE_TITLE = 1;
constexpr std::uint8_t PROFILE_THANKS = 2;
constexpr std::uint8_t PROFILE_CLOSING_TEXT = 3;
constexpr std::uint8_t PROFILE_DEFAULT_DIR = 4;
constexpr std::uint8_t PROFILE_RECOMMEND = 5;
constexpr std::uint8_t PROFILE_EXISTING_DIR_TEXT = 6;
constexpr std::uint8_t PROFILE_SAME_NAME_REMOVAL = 7;
constexpr std::uint8_t PROFILE_EXIT_STATUS = 8;
// 9 and 10 are an update's records (profile_region.h).
constexpr std::uint8_t PROFILE_CHECK_FIRST = 11;
constexpr std::uint8_t PROFILE_INSTALLER_OPTIONS = 12;
constexpr std::uint8_t PROFILE_USER_DEFAULT_DIR = 13;
constexpr std::uint8_t PROFILE_UPDATE_EXISTING_DIR_TEXT = 14;
constexpr std::uint8_t PROFILE_FULL_INSTALLER = 15;
// 16 is an update's base files (profile_region.h).
constexpr std::uint8_t PROFILE_LINKS = 17;

constexpr std::size_t PROFILE_MAX_ROOTS = 16;
constexpr std::size_t PROFILE_MAX_PATH = TARGET_PATH_MAX;

// What the installer removes before it writes an entry.
enum class same_name_removal : std::uint8_t {
    anywhere = 0,  // every file or empty directory bearing the entry's last name anywhere beneath the target
    path = 1,      // only what stands at the entry's own path (a directory there stays an error)
};

// The exit status the installer ends with.
enum class exit_status : std::uint8_t {
    always_zero = 0,   // 0 on every path
    conventional = 1,  // EXIT_* below
};

// When the installer checks the payload's records and stored bytes.
enum class check_first : std::uint8_t {
    off = 0,  // each entry as it is installed: a damaged payload leaves the entries before the damage
    on = 1,   // all of them before the first write: a damaged payload leaves the target as it was
};

// The installer's command line.
enum class installer_options : std::uint8_t {
    none = 0,  // "-autonext" and "-InstallNewRelease"; every other argument ignored
    gnu = 1,   // --help, --target, --accept-license, --unattended and the rest (driver/command_line.h)
};

// How the payload holds a symbolic link of the source tree.
enum class links : std::uint8_t {
    copy = 0,  // as a copy of the file it points to; no link entries (METHOD_LINK is read as compressed)
    keep = 1,  // as a link entry (METHOD_LINK), which the installer makes a link again
};

// With exit_status::conventional.
constexpr int EXIT_STATUS_COMPLETE = 0;   // "Installation complete."
constexpr int EXIT_STATUS_FAILED = 1;     // a numbered message, then "Installation terminated."
constexpr int EXIT_STATUS_CANCELLED = 2;  // the user cancelled (end of input included)

// What a setting's records hold, and so how each reader checks and shows it.
enum class setting_kind : std::uint8_t {
    line,    // one line of text
    lines,   // lines each ended by a line feed, or none; given as a file
    path,    // an absolute path: a target directory the directory screen takes without a question
    list,    // absolute directories ending in '/', one record each, in order: the recommended roots
    choice,  // one byte, the place of its name in the row's choices
};

// Where the installer shows a setting: its screens in the order an installation reaches them, then
// `nowhere` for what it does rather than shows. info lists the settings in this order.
enum class setting_shown : std::uint8_t { welcome, directory, existing_dir, files_installed, nowhere };

struct setting_limits {
    std::uint8_t values = 1;   // records it may have: one, or a list's most
    std::uint16_t bytes = 0;   // the longest value, 0: as long as the region holds
    bool may_be_empty = true;  // an empty value shows nothing (mkinstaller refuses it otherwise)
};

struct setting_choice {
    std::string_view name;  // as options, profiles, info and JSON name it
    std::string_view note;  // info's words after the name; the built-in (first) choice is never shown
};

constexpr std::size_t SETTING_MAX_CHOICES = 2;

struct vendor_setting {
    std::uint8_t number;          // PROFILE_*
    std::string_view option;      // mkinstaller's option; the profile key is its name without "--"
    std::string_view value_name;  // the option's value in the usage
    setting_kind kind;
    setting_limits limits;
    std::span<const std::string_view> built_in;  // the values an unwritten region stands for
    setting_shown shown;
    std::string_view info_label;  // info's line: "<label>: <value>"
    // mkinstaller_add_installer's keyword, and where it passes it among those of its kind: a new keyword
    // takes the next free place, so that the command lines of existing targets stay as they are.
    std::string_view cmake_keyword;
    int cmake_place;
    std::string_view help;  // its lines in build's usage
    std::array<setting_choice, SETTING_MAX_CHOICES> choices{};
    std::string_view unknown_choice{};  // the refusal of another name, before the names
    // The choice every region mkinstaller writes holds when the vendor gives none; 0 writes no record,
    // and the stub's built-in choice stands.
    std::uint8_t written_choice = 0;

    constexpr std::string_view key() const { return option.substr(2); }
};

// The built-in values, exact to the byte: what an installer shows and does when its profile region
// leaves a setting out. The licence text's entry 0 (driver/license_text.h) is BUILT_IN_TITLE too.
inline constexpr std::string_view BUILT_IN_TITLE[] = {"KAVO(R) Software Installation"};
inline constexpr std::string_view BUILT_IN_THANKS[] = {"Thanks for purchasing KAVO(R) imaging products."};
// What follows "Files installed!" and its line feed.
inline constexpr std::string_view BUILT_IN_CLOSING_TEXT[] = {
    "See \"Library Installation\" in the VORNA 'C' Library Reference Manual\n"
    "for hardware and software configuration options.\n\nAlso, see files:\n"
    "VORNADST.TXT Describes the various files installed.\nVORNARLS.TXT Up-to-the minute release notes.\n"
    "VORNA.HTM    The full VORNA Reference Manual.\n\nIf the RUDEK C/C++ Library was also installed:\n"
    "RUDEKDST.TXT Describes the various files installed.\nRUDEKRLS.TXT Up-to-the minute release notes.\n"};
inline constexpr std::string_view BUILT_IN_TARGET_DIR[] = {"/usr/local/vorna"};
inline constexpr std::string_view BUILT_IN_ROOTS[] = {"/usr/", "/home/"};
// The paragraph of the existing-directory warning between the directory and the answers.
inline constexpr std::string_view BUILT_IN_EXISTING_DIR_TEXT[] = {
    "Installing into a different directory is prudent -\n"
    "in the unlikely event of a media failure, the\nprevious functioning version remains intact.\n"
    "After the new version has been installed\ninto a different directory and sucessfully used,\n"
    "the old version's directory can be deleted with\nstandard O.S. commands.\n"};
inline constexpr std::string_view BUILT_IN_FIRST_CHOICE[] = {std::string_view("\0", 1)};
// No second default: the first one is offered to everyone.
inline constexpr std::string_view BUILT_IN_USER_DEFAULT_DIR[] = {""};
// An update's paragraph of the existing-directory warning: it installs over that directory, so no advice
// to choose another.
inline constexpr std::string_view BUILT_IN_UPDATE_EXISTING_DIR_TEXT[] = {
    "This update installs over the release in this directory:\n"
    "its files are replaced with the new ones, and files of\n"
    "your own in the directory stay.\n"};
// No full installer named: an update's refusal of its base says only to install the full release.
inline constexpr std::string_view BUILT_IN_FULL_INSTALLER[] = {""};
// The one prefix a path setting may start with instead of '/': the home directory of whoever runs it.
inline constexpr std::string_view HOME_PREFIX = "$HOME/";

static_assert(EXIT_STATUS_COMPLETE == 0 && EXIT_STATUS_FAILED == 1 && EXIT_STATUS_CANCELLED == 2,
              "the exit-status choice's note in info names them");

// clang-format off
inline constexpr vendor_setting VENDOR_SETTINGS[] = {
    // number, option, value name, kind, limits {values, bytes, may be empty};
    //     built-in values, where shown, info's label, CMake keyword and place;
    //     help; a choice's {name, info's note}s and its refusal
    {PROFILE_TITLE, "--title", "TEXT", setting_kind::line, {1, 0, false},
        BUILT_IN_TITLE, setting_shown::welcome, "title", "TITLE", 12,
        "the installer's window title on its welcome screen (default: the stub's\n"
        "own); one line of printable UTF-8, see below"},
    {PROFILE_THANKS, "--thanks", "TEXT", setting_kind::line, {1, 0, true},
        BUILT_IN_THANKS, setting_shown::welcome, "thanks", "THANKS", 13,
        "the thanks line of the welcome screen; empty: none"},
    {PROFILE_CLOSING_TEXT, "--closing-text", "FILE", setting_kind::lines, {1, 0, true},
        BUILT_IN_CLOSING_TEXT, setting_shown::files_installed, "closing text", "CLOSING_TEXT", 14,
        "show the lines of FILE after \"Files installed!\" instead of the stub's;\n"
        "an empty FILE shows none"},
    {PROFILE_DEFAULT_DIR, "--default-dir", "PATH", setting_kind::path, {1, PROFILE_MAX_PATH, false},
        BUILT_IN_TARGET_DIR, setting_shown::directory, "default directory", "DEFAULT_DIR", 15,
        "the target directory the installer offers (default: /usr/local/vorna);\n"
        "one its directory screen takes without a question"},
    {PROFILE_RECOMMEND, "--recommend", "ROOT", setting_kind::list,
        {PROFILE_MAX_ROOTS, PROFILE_MAX_PATH, false},
        BUILT_IN_ROOTS, setting_shown::directory, "recommended roots", "RECOMMEND", 16,
        "a directory under which the installer installs without a warning;\n"
        "repeatable, at most {limit roots}; given, it replaces the built-in /usr/ and /home/"},
    {PROFILE_EXISTING_DIR_TEXT, "--existing-dir-text", "FILE", setting_kind::lines, {1, 0, true},
        BUILT_IN_EXISTING_DIR_TEXT, setting_shown::existing_dir, "existing-directory text",
        "EXISTING_DIR_TEXT", 17,
        "show the lines of FILE in the warning that the target directory exists\n"
        "instead of the stub's; an empty FILE shows none"},
    {PROFILE_SAME_NAME_REMOVAL, "--same-name-removal", "RULE", setting_kind::choice, {1, 1, false},
        BUILT_IN_FIRST_CHOICE, setting_shown::nowhere, "same-name removal", "SAME_NAME_REMOVAL", 18,
        "what the installer removes before it writes an entry: anywhere (every\n"
        "file of the entry's last name beneath the target; the default) or path\n"
        "(only what stands at the entry's own path)",
        {{{"anywhere", ""}, {"path", "(only what stands at an entry's own path)"}}},
        "no such rule; the rules are"},
    {PROFILE_EXIT_STATUS, "--exit-status", "KIND", setting_kind::choice, {1, 1, false},
        BUILT_IN_FIRST_CHOICE, setting_shown::nowhere, "exit status", "EXIT_STATUS", 19,
        "the installer's exit status: always-zero (the default) or conventional\n"
        "(0 complete, 1 failure, 2 cancelled or end of input)",
        {{{"always-zero", ""}, {"conventional", "(0 complete, 1 failure, 2 cancelled)"}}},
        "no such exit status; they are"},
    {PROFILE_CHECK_FIRST, "--check-first", "WHEN", setting_kind::choice, {1, 1, false},
        BUILT_IN_FIRST_CHOICE, setting_shown::nowhere, "check first", "CHECK_FIRST", 25,
        "whether the installer checks every record and stored byte of its payload\n"
        "before it writes anything: on (so that a damaged installer leaves the\n"
        "target as it was; the default whenever other settings or an update are\n"
        "written) or off (each entry as it is installed, as the bare stub does)",
        {{{"off", ""}, {"on", "(the whole payload checked before the first write)"}}},
        "no such choice; they are", 1},
    {PROFILE_INSTALLER_OPTIONS, "--installer-options", "STYLE", setting_kind::choice, {1, 1, false},
        BUILT_IN_FIRST_CHOICE, setting_shown::nowhere, "installer options", "INSTALLER_OPTIONS", 26,
        "the installer's command line: none (the default: it reads -autonext and\n"
        "ignores every other argument) or gnu (--help, --version, --target DIR,\n"
        "--accept-license, --unattended, --quiet, --log FILE, --info, --list,\n"
        "--check, and conventional exit statuses)",
        {{{"none", ""}, {"gnu", "(--help, --target, --accept-license, --unattended and more)"}}},
        "no such style; they are"},
    {PROFILE_USER_DEFAULT_DIR, "--user-default-dir", "PATH", setting_kind::path,
        {1, PROFILE_MAX_PATH, false},
        BUILT_IN_USER_DEFAULT_DIR, setting_shown::directory, "user default directory",
        "USER_DEFAULT_DIR", 27,
        "the default directory instead of --default-dir for a user without root\n"
        "rights who cannot write there: absolute, or \"$HOME/\" and a path beneath\n"
        "the home directory of whoever runs the installer (e.g. $HOME/acme/sdk)"},
    {PROFILE_UPDATE_EXISTING_DIR_TEXT, "--update-existing-dir-text", "FILE", setting_kind::lines,
        {1, 0, true},
        BUILT_IN_UPDATE_EXISTING_DIR_TEXT, setting_shown::existing_dir, "update existing-directory text",
        "UPDATE_EXISTING_DIR_TEXT", 28,
        "in an update, show the lines of FILE in the warning that the target\n"
        "directory exists instead of the stub's words for updates; an empty FILE\n"
        "shows none"},
    {PROFILE_FULL_INSTALLER, "--full-installer", "NAME", setting_kind::line, {1, 0, true},
        BUILT_IN_FULL_INSTALLER, setting_shown::nowhere, "full installer", "FULL_INSTALLER", 29,
        "in an update, the full release's installer, which its refusal of a target\n"
        "that does not hold the release it updates tells to run instead"},
    {PROFILE_LINKS, "--links", "HOW", setting_kind::choice, {1, 1, false},
        BUILT_IN_FIRST_CHOICE, setting_shown::nowhere, "symbolic links", "LINKS", 30,
        "how a symbolic link in SOURCE_DIR is packed: keep (as a link, which the\n"
        "installer makes again; its target must stay inside SOURCE_DIR; the\n"
        "default whenever other settings or an update are written) or copy (the\n"
        "file it points to, as the bare stub needs)",
        {{{"copy", ""}, {"keep", "(installed as symbolic links)"}}},
        "no such way; they are", 1},
};
// clang-format on

constexpr std::size_t VENDOR_SETTING_COUNT = std::size(VENDOR_SETTINGS);
// One more than the highest number: arrays indexed by a setting's number have this size.
constexpr std::size_t VENDOR_NUMBER_LIMIT = VENDOR_SETTINGS[VENDOR_SETTING_COUNT - 1].number + 1;

constexpr std::size_t choice_count(const vendor_setting& setting) {
    std::size_t count = 0;
    while (count < setting.choices.size() && !setting.choices[count].name.empty()) ++count;
    return count;
}

// The row of the setting numbered `number`, or null.
constexpr const vendor_setting* vendor_setting_numbered(std::uint8_t number) {
    for (const vendor_setting& setting : VENDOR_SETTINGS) {
        if (setting.number == number) return &setting;
    }
    return nullptr;
}

// What the readers need of a setting, by its number. Computed from the rows at compile time, so that
// the stub reads these few bytes and links none of mkinstaller's words.
struct setting_format {
    bool vendor = false;  // a row of VENDOR_SETTINGS
    setting_kind kind = setting_kind::line;
    setting_limits limits{};
    std::uint8_t first_slot = 0;  // of its values in a vendor_profile (profile_region.h)
    std::uint8_t choices = 0;
    std::span<const std::string_view> built_in{};
};

consteval std::array<setting_format, VENDOR_NUMBER_LIMIT> setting_formats() {
    std::array<setting_format, VENDOR_NUMBER_LIMIT> formats{};
    std::size_t slot = 0;
    for (const vendor_setting& s : VENDOR_SETTINGS) {
        formats[s.number] = {true,
                             s.kind,
                             s.limits,
                             static_cast<std::uint8_t>(slot),
                             static_cast<std::uint8_t>(choice_count(s)),
                             s.built_in};
        slot += s.limits.values;
    }
    return formats;
}

inline constexpr std::array<setting_format, VENDOR_NUMBER_LIMIT> SETTING_FORMATS = setting_formats();

// Room for every value a region may give: one per setting, a list's most.
constexpr std::size_t VENDOR_VALUE_SLOTS =
    SETTING_FORMATS.back().first_slot + SETTING_FORMATS.back().limits.values;

// The rules the readers rely on: numbers rising from 1, each with its values within their limits; a
// choice with a name for each byte, built in as its first.
consteval bool rows_are_sound() {
    std::uint8_t last = 0;
    for (const vendor_setting& s : VENDOR_SETTINGS) {
        if (s.number <= last || s.option.substr(0, 2) != "--" || s.limits.values == 0) return false;
        if (s.built_in.empty() || s.built_in.size() > s.limits.values) return false;
        if ((s.kind == setting_kind::choice) != (choice_count(s) >= 2)) return false;
        if (s.kind == setting_kind::choice &&
            (s.limits.bytes != 1 || s.built_in[0] != std::string_view("\0", 1)))
            return false;
        if ((s.kind == setting_kind::list) != (s.limits.values > 1)) return false;
        if (s.written_choice != 0 && s.written_choice >= choice_count(s)) return false;
        last = s.number;
    }
    return true;
}
static_assert(rows_are_sound());
static_assert(VENDOR_VALUE_SLOTS <= 255, "a slot is a byte");

}  // namespace payload
