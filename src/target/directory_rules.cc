#include "target/directory_rules.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "payload/path_limit.h"
#include "payload/vendor_defaults.h"
#include "process/dialogue.h"
#include "process/result.h"
#include "process/run_mode.h"
#include "process/shown_output.h"
#include "process/termination.h"
#include "process/vendor_settings.h"
#include "target/path_kind.h"

namespace target {
namespace {

// A rejected entry can only be replaced; a warned-about one may be kept.
constexpr int RULE_REJECT = 0;  // "Select a different directory!" Ok / Cancel
constexpr int RULE_WARN = 1;    // "Select a different directory?" No (keep it) / Yes / Cancel

constexpr const char* TOO_LONG_MESSAGE = "\n\nDirectory path is too long.\n";

// The whole path may grow to TARGET_PATH_MAX; the working directory, its separator and the entry must
// fit in that.
constexpr std::size_t ABSOLUTE_MAX_JOINED = payload::TARGET_PATH_MAX - 1;

bool has_blank(directory_entry& entry) {
    return payload::has_blank(entry.text.data());
}

// Rewrites a relative entry as absolute; broken when the result would be too long. When the working directory
// cannot be had the entry stays relative, and the rules after this one judge it as it is.
bool make_absolute_or_reject(directory_entry& entry) {
    if (entry.text[0] == '/') return false;
    std::array<char, payload::TARGET_PATH_SIZE> cwd{};
    if (getcwd(cwd.data(), cwd.size() - 1) == nullptr || cwd[0] == '\0') return false;
    const std::size_t cwd_length = std::strlen(cwd.data());
    const std::size_t entry_length = std::strlen(entry.text.data());
    if (cwd_length + entry_length > ABSOLUTE_MAX_JOINED) return true;

    std::array<char, payload::TARGET_PATH_SIZE> joined{};
    std::memcpy(joined.data(), cwd.data(), cwd_length);
    std::size_t length = cwd_length;
    if (cwd[cwd_length - 1] != '/') joined[length++] = '/';
    std::memcpy(joined.data() + length, entry.text.data(), entry_length + 1);
    entry.text = joined;
    return false;
}

bool is_too_long(directory_entry& entry) {
    return entry.too_long;
}

// Only three spellings: no normalisation is done anywhere on this screen.
bool is_root(directory_entry& entry) {
    return payload::is_root_spelling(entry.text.data());
}

bool is_existing_file(directory_entry& entry) {
    return path_kind(entry.text.data()) == path_type::not_directory;
}

bool is_in_bin(directory_entry& entry) {
    return payload::is_in_bin(entry.text.data());
}

bool is_outside_roots(directory_entry& entry) {
    return !payload::is_under_root(entry.text.data(), process::recommended_roots());
}

struct directory_rule {
    bool (*broken)(directory_entry& entry);
    int kind;
    const char* message;  // null: the warning names the recommended roots in force
};

// In this order: the blank test sees the entry as typed, before it is made absolute; the last warning's
// "No" accepts the entry.
constexpr std::array<directory_rule, 7> DIRECTORY_RULES = {{
    {has_blank, RULE_REJECT,
     "\n\nInstallation into a directory path containing spaces is not recommended.\n"},
    {make_absolute_or_reject, RULE_REJECT, TOO_LONG_MESSAGE},
    {is_too_long, RULE_REJECT, TOO_LONG_MESSAGE},
    {is_root, RULE_WARN, "\n\nInstallation into the root directory is not recommended.\n"},
    {is_existing_file, RULE_REJECT, "\n\nThe directory already exists as a file.\n"},
    {is_in_bin, RULE_WARN, "\n\nInstalling into a 'bin' directory is not recommended.\n"},
    {is_outside_roots, RULE_WARN, nullptr},
}};

// The rule's message as the screen shows it; with `plain`, without its empty lines.
// A message as one line: without its empty lines before and its line feeds after.
std::string_view message_line(std::string_view text) {
    while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

void write_message(const directory_rule& rule, bool plain) {
    const std::string text =
        rule.message != nullptr ? rule.message : payload::outside_roots_message(process::recommended_roots());
    // The roots come from the vendor's settings.
    if (!plain) {
        process::write_text(stderr, text, true);
        return;
    }
    process::write_text(stderr, message_line(text), true);
    std::fputc('\n', stderr);
}

}  // namespace

int vet_directory(directory_entry& entry) {
    for (const directory_rule& rule : DIRECTORY_RULES) {
        if (!rule.broken(entry)) continue;
        write_message(rule, false);
        if (rule.kind == RULE_REJECT) {
            const int answer = process::ask_ok_cancel("Select a different directory!");
            return answer == process::RESULT_CANCEL ? VET_CANCEL : VET_START_OVER;
        }
        // No auto result: "-autonext" never answers a warning.
        const int answer = process::ask_no_yes_cancel("Select a different directory?", process::RESULT_NONE);
        if (answer == process::RESULT_CANCEL) return VET_CANCEL;
        if (answer == process::RESULT_YES) return VET_START_OVER;
    }
    return VET_ACCEPT;
}

void vet_given_directory(directory_entry& entry, bool plain) {
    if (entry.text[0] == '\0') process::error("A directory must be selected.");
    for (const directory_rule& rule : DIRECTORY_RULES) {
        if (!rule.broken(entry)) continue;
        if (rule.kind == RULE_REJECT) {
            // The message as the line of a failure.
            const std::string_view text = message_line(rule.message);
            std::array<char, 128> line{};
            std::memcpy(line.data(), text.data(), std::min(text.size(), line.size() - 1));
            process::error(line.data());
        }
        if (!process::run.quiet) write_message(rule, plain);
    }
}

}  // namespace target
