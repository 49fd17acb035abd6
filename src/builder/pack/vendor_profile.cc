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
#include "builder/util/word_list.h"
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

// Each setting's values as given, indexed by its number: a list's in order, any other's one.
using given_settings = std::array<std::vector<given>, payload::VENDOR_NUMBER_LIMIT>;

const payload::vendor_setting* setting_keyed(std::string_view key) {
    const auto found = std::ranges::find(payload::VENDOR_SETTINGS, key, &payload::vendor_setting::key);
    return found == std::end(payload::VENDOR_SETTINGS) ? nullptr : found;
}

// The keys of the settings that pass `wanted`, as prose lists them.
std::string keys_text(bool (*wanted)(const payload::vendor_setting&), std::string_view last) {
    std::vector<std::string_view> keys;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        if (wanted(setting)) keys.push_back(setting.key());
    }
    return word_list(keys, last);
}

bool is_list(const payload::vendor_setting& setting) {
    return setting.kind == payload::setting_kind::list;
}

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
    std::array<std::size_t, payload::VENDOR_NUMBER_LIMIT> first_line{};
    std::size_t number = 0;
    for (const std::string_view line : file_lines(bytes)) {
        const std::string at = "profile " + display_text(path) + ":" + std::to_string(++number) + ": ";
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            throw error(at + "no '=': each line is 'key = value', blank, or a '#' comment");
        const std::string_view key = trimmed(content.substr(0, equals));
        const payload::vendor_setting* setting = setting_keyed(key);
        if (setting == nullptr) {
            const auto any = [](const payload::vendor_setting&) { return true; };
            throw error(at + "unknown key " + shown(key) + "; the keys are " + keys_text(any, ", "));
        }
        given item{std::string(trimmed(content.substr(equals + 1))), at + std::string(key)};
        if (setting->kind == payload::setting_kind::lines && !item.value.empty() && item.value.front() != '/')
            item.value = (base / item.value).string();
        std::vector<given>& values = settings[setting->number];
        if (is_list(*setting)) {
            values.push_back(std::move(item));
            continue;
        }
        std::size_t& first = first_line[setting->number];
        if (first != 0) {
            throw error(at + std::string(key) + " is given again (first on line " + std::to_string(first) +
                        "); only " + keys_text(is_list, " and ") + " may repeat");
        }
        first = number;
        values = {std::move(item)};
    }
}

struct line_fault {
    std::size_t column = 0;  // of the character at fault; 0: the line as a whole
    std::string what;
};

std::optional<line_fault> fault_of_line(std::string_view line, std::size_t max_columns) {
    std::size_t columns = 0;  // on the terminal: a wide character takes two
    for (std::size_t at = 0; at < line.size();) {
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
        columns += static_cast<std::size_t>(display_columns(code));
        at += size;
    }
    if (columns > max_columns) {
        return line_fault{0, std::to_string(columns) + " columns wide, more than the " +
                                 std::to_string(max_columns) + " a line may hold"};
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

// The directory screen's questions that need neither the file system nor the roots: `path` as stored,
// `beneath` the part of it that names directories ('/' on).
std::string screen_problem(std::string_view path, std::string_view beneath) {
    if (payload::has_blank(path)) return "a blank or a tab, which the directory screen refuses";
    if (path.size() > payload::PROFILE_MAX_PATH) {
        return std::to_string(path.size()) + " bytes long; the directory screen takes at most " +
               std::to_string(payload::PROFILE_MAX_PATH);
    }
    if (has_control_byte(path)) return "a control character";
    if (payload::is_in_bin(beneath)) return "it contains \"/bin/\", which the directory screen questions";
    return "";
}

[[noreturn]] void refuse(const given& setting, const std::string& problem) {
    throw error(setting.origin + " " + shown(setting.value) + ": " + problem);
}

const payload::vendor_setting& roots_setting() {
    return *payload::vendor_setting_numbered(payload::PROFILE_RECOMMEND);
}

// The target directory `dir` (a path setting) in effect against the roots in effect: the built-in
// directory too, when only the roots were given. Empty when the directory screen would take it without
// a question.
std::string effective_dir_problem(const profile_settings& s, const payload::vendor_setting& dir,
                                  const std::string& dir_origin, const std::string& roots_origin) {
    const profile_values values = effective_values(s);
    const std::string& path = values.values[dir.number].front();
    if (path.empty() && s.values[dir.number].empty()) return "";  // none built in, none given
    const std::span<const std::string> roots = values.values[payload::PROFILE_RECOMMEND];
    const std::string problem = dir.number == payload::PROFILE_USER_DEFAULT_DIR
                                    ? user_default_dir_problem(path, roots)
                                    : default_dir_problem(path, roots);
    if (problem.empty()) return problem;
    if (!s.values[dir.number].empty()) return dir_origin + " " + shown(path) + ": " + problem;
    return roots_origin + ": the built-in " + std::string(dir.info_label) + " " + shown(path) + " is " +
           problem + "; give a " + std::string(dir.info_label) + " under one of the roots";
}

// The belt to the checks' braces: what the installer itself would refuse can never be written.
void require_usable(std::uint8_t setting, const given& origin, std::string_view value) {
    if (const char* problem = payload::profile_value_problem(setting, value)) refuse(origin, problem);
}

// The checks of each kind, each taking the values of `setting` in `g` into `s`.

void check_line(const payload::vendor_setting& setting, const given& text, profile_settings& s) {
    if (const std::string problem = one_line_problem(text.value, setting.limits.may_be_empty);
        !problem.empty())
        refuse(text, problem);
    require_usable(setting.number, text, text.value);
    s.values[setting.number] = {text.value};
}

void check_lines(const payload::vendor_setting& setting, const given& file, profile_settings& s) {
    std::string text = read_text_file(file);
    if (const std::string problem = lines_problem(text); !problem.empty())
        throw error(file.origin + " " + shown(file.value) + " " + problem);
    require_usable(setting.number, file, text);
    s.values[setting.number] = {std::move(text)};
}

void check_roots(const payload::vendor_setting& setting, const std::vector<given>& roots,
                 profile_settings& s) {
    std::vector<std::string>& taken = s.values[setting.number];
    for (const given& root : roots) {
        if (const std::string problem = root_problem(root.value); !problem.empty()) refuse(root, problem);
        std::string normal = root_of(root.value);
        require_usable(setting.number, root, normal);
        // The same root twice changes nothing the installer does.
        if (std::ranges::find(taken, normal) != taken.end()) continue;
        if (taken.size() == setting.limits.values) {
            refuse(root, "one root more than the " + std::to_string(setting.limits.values) +
                             " the installer takes");
        }
        taken.push_back(std::move(normal));
    }
}

void check_dir(const payload::vendor_setting& setting, const given_settings& g, profile_settings& s) {
    const std::vector<given>& dir = g[setting.number];
    const std::vector<given>& roots = g[payload::PROFILE_RECOMMEND];
    if (!dir.empty()) s.values[setting.number] = {dir.front().value};
    if (!roots.empty() || !dir.empty()) {
        const std::string problem = effective_dir_problem(s, setting, dir.empty() ? "" : dir.front().origin,
                                                          roots.empty() ? "" : roots.front().origin);
        if (!problem.empty()) throw error(problem);
    }
    if (!dir.empty()) require_usable(setting.number, dir.front(), dir.front().value);
}

void check_choice(const payload::vendor_setting& setting, const given& name, profile_settings& s) {
    std::optional<std::string> value = choice_named(setting, name.value);
    if (!value) {
        std::vector<std::string_view> names;
        for (std::size_t i = 0; i < payload::choice_count(setting); ++i)
            names.push_back(setting.choices[i].name);
        refuse(name, std::string(setting.unknown_choice) + " " + word_list(names, " and "));
    }
    s.values[setting.number] = {std::move(*value)};
}

// By kind, in setting_kind's order: the texts first, then the roots, then the directory judged against
// them, then the choices. Build names the first problem it finds in this order, and verify likewise.
constexpr int CHECK_PASS[] = {0, 0, 2, 1, 3};
static_assert(std::size(CHECK_PASS) == static_cast<std::size_t>(payload::setting_kind::choice) + 1);

std::vector<const payload::vendor_setting*> in_check_order() {
    std::vector<const payload::vendor_setting*> settings;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) settings.push_back(&setting);
    std::ranges::stable_sort(settings, {}, [](const payload::vendor_setting* setting) {
        return CHECK_PASS[static_cast<std::size_t>(setting->kind)];
    });
    return settings;
}

// What build would refuse in one value of `setting` as a written region holds it, named by the option,
// or empty. A directory is judged against the roots by effective_dir_problem.
std::string named_value_problem(const payload::vendor_setting& setting, const std::string& value) {
    const std::string option(setting.option);
    std::string problem;
    switch (setting.kind) {
        case payload::setting_kind::line:
            problem = one_line_problem(value, setting.limits.may_be_empty);
            break;
        case payload::setting_kind::lines:
            problem = lines_problem(value);
            break;
        case payload::setting_kind::list:
            problem = root_problem(value);
            return problem.empty() ? problem : option + " " + shown(value) + ": " + problem;
        default:
            break;
    }
    return problem.empty() ? problem : option + ": " + problem;
}

profile_settings checked_settings(const given_settings& g) {
    profile_settings s;
    for (const payload::vendor_setting* setting : in_check_order()) {
        const std::vector<given>& values = g[setting->number];
        switch (setting->kind) {
            case payload::setting_kind::line:
                if (!values.empty()) check_line(*setting, values.front(), s);
                break;
            case payload::setting_kind::lines:
                if (!values.empty()) check_lines(*setting, values.front(), s);
                break;
            case payload::setting_kind::list:
                check_roots(*setting, values, s);
                break;
            case payload::setting_kind::path:
                check_dir(*setting, g, s);
                break;
            case payload::setting_kind::choice:
                if (!values.empty()) check_choice(*setting, values.front(), s);
                break;
        }
    }
    if (const std::size_t size = encode_profile(as_written(s)).size();
        size > payload::PROFILE_CONTENT_CAPACITY) {
        throw error("the profile settings take " + std::to_string(size) +
                    " bytes; the stub's profile region holds at most " +
                    std::to_string(payload::PROFILE_CONTENT_CAPACITY));
    }
    return s;
}

}  // namespace

std::string one_line_problem(std::string_view text, bool may_be_empty) {
    if (text.empty()) return may_be_empty ? "" : "empty; it must say something";
    const std::optional<line_fault> fault = fault_of_line(text, PROFILE_TEXT_COLUMNS);
    if (!fault) return "";
    return fault->column == 0 ? fault->what : "column " + std::to_string(fault->column) + ": " + fault->what;
}

std::string lines_problem(std::string_view text, std::size_t max_columns) {
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        if (feed == std::string_view::npos) return "the last line has no line feed";
        const std::optional<line_fault> fault = fault_of_line(text.substr(0, feed), max_columns);
        ++number;
        text.remove_prefix(feed + 1);
        if (!fault) continue;
        std::string where = "line " + std::to_string(number);
        if (fault->column != 0) where += " column " + std::to_string(fault->column);
        return where + ": " + fault->what;
    }
    return "";
}

// The installer compares directory texts, not places: "/usr/.." is no root of "/", and a default
// "/opt/acme/.." under the root "/opt/acme/" would be taken without a question. So a directory is
// spelled one way only: no ".", ".." or empty component (a repeated '/'), a trailing '/' aside.
std::string spelling_problem(std::string_view path) {
    std::string_view rest = path.substr(1);
    if (rest.size() > 1 && rest.back() == '/') rest.remove_suffix(1);
    for (std::size_t start = 0; !rest.empty() && start <= rest.size();) {
        std::size_t slash = rest.find('/', start);
        if (slash == std::string_view::npos) slash = rest.size();
        const std::string_view component = rest.substr(start, slash - start);
        if (component.empty()) return "a repeated '/'; a directory is written with single ones";
        if (component == "." || component == "..")
            return "a \"" + std::string(component) +
                   "\" component; a directory is written without \".\" and \"..\"";
        start = slash + 1;
    }
    return "";
}

std::string root_problem(std::string_view root) {
    if (root.empty() || root.front() != '/') return "not absolute; a root is compared with absolute paths";
    if (has_control_byte(root)) return "a control character";
    if (std::string problem = spelling_problem(root); !problem.empty()) return problem;
    if (root_of(root).size() > payload::PROFILE_MAX_PATH)
        return "longer than the " + std::to_string(payload::PROFILE_MAX_PATH) +
               " bytes of the longest target";
    return "";
}

std::string default_dir_problem(std::string_view dir, std::span<const std::string> roots) {
    if (dir.empty() || dir.front() != '/')
        return "not absolute; the installer would take it from the working directory of each run";
    if (payload::is_root_spelling(dir)) return "the root directory, which the directory screen questions";
    if (std::string problem = spelling_problem(dir); !problem.empty()) return problem;
    if (std::string problem = screen_problem(dir, dir); !problem.empty()) return problem;
    const std::vector<std::string_view> views(roots.begin(), roots.end());
    if (!payload::is_under_root(dir, views)) {
        return "under none of the recommended roots (" + quoted_roots(roots) +
               "), which the directory screen questions";
    }
    return "";
}

std::string user_default_dir_problem(std::string_view dir, std::span<const std::string> roots) {
    if (!dir.starts_with(payload::HOME_PREFIX)) {
        if (dir.empty() || dir.front() != '/') {
            return "neither absolute nor under \"" + std::string(payload::HOME_PREFIX) +
                   "\"; the installer would take it from the working directory of each run";
        }
        return default_dir_problem(dir, roots);
    }
    // The home directory is known only when the installer runs: the rest is judged as the directory
    // screen would judge it, and not against the roots.
    const std::string_view beneath = dir.substr(payload::HOME_PREFIX.size() - 1);
    if (payload::is_root_spelling(beneath))
        return "the home directory itself or its parent, not a directory of the product's own";
    if (std::string problem = spelling_problem(beneath); !problem.empty()) return problem;
    return screen_problem(dir, beneath);
}

profile_settings resolve_profile_settings(const build_arguments& args) {
    given_settings g;
    if (args.profile) read_profile(*args.profile, g);
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        const std::vector<std::string>& options = args.settings[setting.number];
        if (options.empty()) continue;
        // An option replaces the profile's setting; a list as a whole, as a merged list could not be told
        // from either file or command line.
        const std::string origin(setting.option);
        std::vector<given>& values = g[setting.number];
        values.clear();
        if (is_list(setting)) {
            for (const std::string& value : options) values.push_back(given{value, origin});
        } else {
            values.push_back(given{options.back(), origin});
        }
    }
    return checked_settings(g);
}

std::string profile_settings_problem(const profile_settings& s) {
    for (const payload::vendor_setting* setting : in_check_order()) {
        for (const std::string& value : s.values[setting->number]) {
            if (std::string problem = named_value_problem(*setting, value); !problem.empty()) return problem;
        }
        if (setting->kind != payload::setting_kind::path) continue;
        const std::string problem = effective_dir_problem(s, *setting, std::string(setting->option),
                                                          std::string(roots_setting().option));
        if (!problem.empty()) return problem;
    }
    return "";
}

}  // namespace builder
