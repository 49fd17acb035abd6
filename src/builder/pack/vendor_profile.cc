// The vendor's settings: the profile file's syntax, the options over it, the text files, the checks.
#include "builder/pack/vendor_profile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <vector>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"
#include "builder/util/utf8.h"
#include "payload/vendor_defaults.h"

namespace builder {
namespace {

constexpr std::string_view PROFILE_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// One setting's value as given, and where, as messages name it: "--title", "profile p:3: title". A file
// setting's value is the file's path, a profile's taken from the profile's directory.
struct given {
    std::string value;
    std::string origin;
};

struct given_settings {
    std::optional<given> title;
    std::optional<given> thanks;
    std::optional<given> closing_text;
    std::optional<given> default_dir;
    std::vector<given> roots;
    std::optional<given> existing_dir_text;
    std::optional<given> removal;
    std::optional<given> exit;
};

// The profile's keys: the options' names without "--". recommend, the one list, has no slot.
struct profile_key {
    std::string_view key;
    std::optional<given> given_settings::*slot;
    bool file;
};

constexpr profile_key PROFILE_KEYS[] = {
    {"title", &given_settings::title, false},
    {"thanks", &given_settings::thanks, false},
    {"closing-text", &given_settings::closing_text, true},
    {"default-dir", &given_settings::default_dir, false},
    {"recommend", nullptr, false},
    {"existing-dir-text", &given_settings::existing_dir_text, true},
    {"same-name-removal", &given_settings::removal, false},
    {"exit-status", &given_settings::exit, false},
};

constexpr std::string_view PROFILE_KEY_LIST =
    "title, thanks, closing-text, default-dir, recommend, existing-dir-text, same-name-removal, exit-status";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The lines of a text file: a leading byte order mark dropped, a carriage return that ends a line
// dropped (CR LF), a last line without its line feed taken as ended.
std::vector<std::string_view> file_lines(std::string_view bytes) {
    if (bytes.starts_with(PROFILE_BYTE_ORDER_MARK)) bytes.remove_prefix(PROFILE_BYTE_ORDER_MARK.size());
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t feed = bytes.find('\n');
        std::string_view line = bytes.substr(0, feed);
        bytes.remove_prefix(feed == std::string_view::npos ? bytes.size() : feed + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

// A regular file of at most PROFILE_FILE_MAX_SIZE bytes.
std::string read_small_file(const std::string& path, const std::string& prefix, const std::string& noun) {
    return read_input_file(path, prefix, noun, PROFILE_FILE_MAX_SIZE);
}

// A text file as the installer shows it: lines each ended by a line feed, or nothing for an empty file.
std::string read_text_file(const given& file) {
    const std::string bytes = read_small_file(file.value, file.origin + ": ", "");
    std::string text;
    for (const std::string_view line : file_lines(bytes)) text.append(line).push_back('\n');
    return text;
}

void read_profile(const std::string& path, given_settings& settings) {
    const std::string bytes = read_small_file(path, "", "profile ");
    const std::filesystem::path base = std::filesystem::path(path).parent_path();
    std::array<std::size_t, std::size(PROFILE_KEYS)> first_line{};
    std::size_t number = 0;
    for (const std::string_view line : file_lines(bytes)) {
        const std::string at = "profile " + display_text(path) + ":" + std::to_string(++number) + ": ";
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            throw error(at + "no '=': each line is 'key = value', blank, or a '#' comment");
        const std::string_view key = trimmed(content.substr(0, equals));
        const auto found = std::ranges::find(PROFILE_KEYS, key, &profile_key::key);
        if (found == std::end(PROFILE_KEYS)) {
            throw error(at + "unknown key " + shown(key) + "; the keys are " + std::string(PROFILE_KEY_LIST));
        }
        given item{std::string(trimmed(content.substr(equals + 1))), at + std::string(key)};
        if (found->file && !item.value.empty() && item.value.front() != '/')
            item.value = (base / item.value).string();
        if (found->slot == nullptr) {
            settings.roots.push_back(std::move(item));
            continue;
        }
        std::size_t& first = first_line[static_cast<std::size_t>(found - std::begin(PROFILE_KEYS))];
        if (first != 0) {
            throw error(at + std::string(key) + " is given again (first on line " + std::to_string(first) +
                        "); only recommend may repeat");
        }
        first = number;
        settings.*(found->slot) = std::move(item);
    }
}

struct line_fault {
    std::size_t column = 0;  // of the character at fault; 0: the line as a whole
    std::string what;
};

std::optional<line_fault> fault_of_line(std::string_view line) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < line.size(); ++columns) {
        char32_t code = 0;
        const std::size_t size = decode_utf8(line, at, code);
        if (size == 0) {
            return line_fault{columns + 1, "not UTF-8 (byte " +
                                               hex_byte(static_cast<unsigned char>(line[at])) +
                                               "); texts must be UTF-8"};
        }
        if (code == '\n') return line_fault{columns + 1, "a line feed; the text is a single line"};
        if (is_control(code)) {
            return line_fault{columns + 1, "control character " + code_point_text(code) +
                                               "; only printable characters may appear"};
        }
        at += size;
    }
    if (columns > PROFILE_TEXT_COLUMNS) {
        return line_fault{0, std::to_string(columns) + " characters, more than the " +
                                 std::to_string(PROFILE_TEXT_COLUMNS) + " a line may hold"};
    }
    return std::nullopt;
}

std::string quoted_roots(std::span<const std::string> roots) {
    std::string text;
    for (const std::string& root : roots) text += (text.empty() ? "" : ", ") + shown(root);
    return text;
}

// A root as the installer compares paths with it: ending in '/', so that "/opt" does not take "/optical".
std::string root_of(std::string_view given_root) {
    std::string root(given_root);
    if (!root.ends_with('/')) root += '/';
    return root;
}

[[noreturn]] void refuse(const given& setting, const std::string& problem) {
    throw error(setting.origin + " " + shown(setting.value) + ": " + problem);
}

// The default directory in effect against the roots in effect: the built-in directory too, when only
// the roots were given. Empty when the directory screen would take it without a question.
std::string effective_default_problem(const profile_settings& s, const std::string& dir_origin,
                                      const std::string& roots_origin) {
    const profile_values values = effective_values(s);
    const std::string problem = default_dir_problem(values.default_dir, values.roots);
    if (problem.empty()) return problem;
    if (s.default_dir) return dir_origin + " " + shown(*s.default_dir) + ": " + problem;
    return roots_origin + ": the built-in default directory " + shown(payload::BUILT_IN_TARGET_DIR[0]) +
           " is " + problem + "; give a default directory under one of the roots";
}

// The belt to the checks' braces: what the installer itself would refuse can never be written.
void require_usable(std::uint8_t setting, const given& origin, std::string_view value) {
    if (const char* problem = payload::profile_value_problem(setting, value)) refuse(origin, problem);
}

profile_settings checked_settings(const given_settings& g) {
    profile_settings s;
    const auto one_line = [&](const std::optional<given>& text, std::optional<std::string>& out,
                              std::uint8_t setting, bool may_be_empty) {
        if (!text) return;
        if (const std::string problem = one_line_problem(text->value, may_be_empty); !problem.empty())
            refuse(*text, problem);
        require_usable(setting, *text, text->value);
        out = text->value;
    };
    const auto lines = [&](const std::optional<given>& file, std::optional<std::string>& out,
                           std::uint8_t setting) {
        if (!file) return;
        std::string text = read_text_file(*file);
        if (const std::string problem = lines_problem(text); !problem.empty())
            throw error(file->origin + " " + shown(file->value) + " " + problem);
        require_usable(setting, *file, text);
        out = std::move(text);
    };
    one_line(g.title, s.title, payload::PROFILE_TITLE, false);
    one_line(g.thanks, s.thanks, payload::PROFILE_THANKS, true);
    lines(g.closing_text, s.closing_text, payload::PROFILE_CLOSING_TEXT);
    lines(g.existing_dir_text, s.existing_dir_text, payload::PROFILE_EXISTING_DIR_TEXT);

    for (const given& root : g.roots) {
        if (const std::string problem = root_problem(root.value); !problem.empty()) refuse(root, problem);
        std::string normal = root_of(root.value);
        require_usable(payload::PROFILE_RECOMMEND, root, normal);
        // The same root twice changes nothing the installer does.
        if (std::ranges::find(s.roots, normal) != s.roots.end()) continue;
        if (s.roots.size() == payload::PROFILE_MAX_ROOTS) {
            refuse(root, "one root more than the " + std::to_string(payload::PROFILE_MAX_ROOTS) +
                             " the installer takes");
        }
        s.roots.push_back(std::move(normal));
    }
    if (g.default_dir) s.default_dir = g.default_dir->value;
    if (!g.roots.empty() || g.default_dir) {
        const std::string problem = effective_default_problem(s, g.default_dir ? g.default_dir->origin : "",
                                                              g.roots.empty() ? "" : g.roots.front().origin);
        if (!problem.empty()) throw error(problem);
    }
    if (g.default_dir) require_usable(payload::PROFILE_DEFAULT_DIR, *g.default_dir, g.default_dir->value);

    if (g.removal) {
        s.removal = removal_from_name(g.removal->value);
        if (!s.removal) refuse(*g.removal, "no such rule; the rules are anywhere and path");
    }
    if (g.exit) {
        s.exit = exit_status_from_name(g.exit->value);
        if (!s.exit) refuse(*g.exit, "no such exit status; they are always-zero and conventional");
    }
    if (const std::size_t size = encode_profile(s).size(); size > payload::PROFILE_CONTENT_CAPACITY) {
        throw error("the profile settings take " + std::to_string(size) +
                    " bytes; the stub's profile region holds at most " +
                    std::to_string(payload::PROFILE_CONTENT_CAPACITY));
    }
    return s;
}

}  // namespace

std::string one_line_problem(std::string_view text, bool may_be_empty) {
    if (text.empty()) return may_be_empty ? "" : "empty; it must say something";
    const std::optional<line_fault> fault = fault_of_line(text);
    if (!fault) return "";
    return fault->column == 0 ? fault->what : "column " + std::to_string(fault->column) + ": " + fault->what;
}

std::string lines_problem(std::string_view text) {
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        if (feed == std::string_view::npos) return "the last line has no line feed";
        const std::optional<line_fault> fault = fault_of_line(text.substr(0, feed));
        ++number;
        text.remove_prefix(feed + 1);
        if (!fault) continue;
        std::string where = "line " + std::to_string(number);
        if (fault->column != 0) where += " column " + std::to_string(fault->column);
        return where + ": " + fault->what;
    }
    return "";
}

std::string root_problem(std::string_view root) {
    if (root.empty() || root.front() != '/') return "not absolute; a root is compared with absolute paths";
    if (has_control_byte(root)) return "a control character";
    if (root_of(root).size() > payload::PROFILE_MAX_PATH)
        return "longer than the " + std::to_string(payload::PROFILE_MAX_PATH) +
               " bytes of the longest target";
    return "";
}

std::string default_dir_problem(std::string_view dir, std::span<const std::string> roots) {
    if (dir.empty() || dir.front() != '/')
        return "not absolute; the installer would take it from the working directory of each run";
    if (payload::has_blank(dir)) return "a blank or a tab, which the directory screen refuses";
    if (dir.size() > payload::PROFILE_MAX_PATH) {
        return std::to_string(dir.size()) + " bytes long; the directory screen takes at most " +
               std::to_string(payload::PROFILE_MAX_PATH);
    }
    if (has_control_byte(dir)) return "a control character";
    if (payload::is_root_spelling(dir)) return "the root directory, which the directory screen questions";
    if (payload::is_in_bin(dir)) return "it contains \"/bin/\", which the directory screen questions";
    const std::vector<std::string_view> views(roots.begin(), roots.end());
    if (!payload::is_under_root(dir, views)) {
        return "under none of the recommended roots (" + quoted_roots(roots) +
               "), which the directory screen questions";
    }
    return "";
}

profile_settings resolve_profile_settings(const build_arguments& args) {
    given_settings g;
    if (args.profile) read_profile(*args.profile, g);
    const auto option = [](std::optional<given>& slot, const std::optional<std::string>& value,
                           const char* name) {
        if (value) slot = given{*value, name};
    };
    option(g.title, args.title, "--title");
    option(g.thanks, args.thanks, "--thanks");
    option(g.closing_text, args.closing_text, "--closing-text");
    option(g.default_dir, args.default_dir, "--default-dir");
    option(g.existing_dir_text, args.existing_dir_text, "--existing-dir-text");
    option(g.removal, args.same_name_removal, "--same-name-removal");
    option(g.exit, args.exit_status, "--exit-status");
    // The options' roots replace the profile's list as a whole: a merged list could not be told from
    // either file or command line.
    if (!args.recommend.empty()) {
        g.roots.clear();
        for (const std::string& root : args.recommend) g.roots.push_back(given{root, "--recommend"});
    }
    return checked_settings(g);
}

std::string profile_settings_problem(const profile_settings& s) {
    const auto named = [](const char* option, const std::string& problem) {
        return problem.empty() ? problem : std::string(option) + ": " + problem;
    };
    std::string problem;
    if (s.title && !(problem = named("--title", one_line_problem(*s.title, false))).empty()) return problem;
    if (s.thanks && !(problem = named("--thanks", one_line_problem(*s.thanks, true))).empty()) return problem;
    if (s.closing_text && !(problem = named("--closing-text", lines_problem(*s.closing_text))).empty())
        return problem;
    if (s.existing_dir_text &&
        !(problem = named("--existing-dir-text", lines_problem(*s.existing_dir_text))).empty())
        return problem;
    for (const std::string& root : s.roots) {
        if (!(problem = root_problem(root)).empty()) return "--recommend " + shown(root) + ": " + problem;
    }
    return effective_default_problem(s, "--default-dir", "--recommend");
}

}  // namespace builder
