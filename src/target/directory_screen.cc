// The directory screen's flow: header lines, the default question, the typed line and the start-over
// loop. The rules themselves live in directory_rules, the line reading in directory_entry.
#include "target/directory_screen.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "payload/header_block.h"
#include "payload/product_text.h"
#include "process/dialogue.h"
#include "process/result.h"
#include "process/run_log.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/shown_output.h"
#include "process/termination.h"
#include "process/vendor_settings.h"
#include "target/directory_entry.h"
#include "target/directory_rules.h"
#include "target/home_path.h"

namespace target {
namespace {

const char* (*target_check)(const char* path) = nullptr;

const char* target_problem(const char* path) {
    return target_check != nullptr ? target_check(path) : nullptr;
}

// After the rules accepted the entry: the target check's refusal asks for another directory, as the
// rules' own do; with "-autonext", which takes the default unasked, it ends the installation.
int vet_target(const directory_entry& entry) {
    const char* problem = target_problem(entry.text.data());
    if (problem == nullptr) return VET_ACCEPT;
    if (process::session.autonext != 0) process::error(problem);
    std::fprintf(stderr, "\n\n%s\n", problem);
    return process::ask_ok_cancel("Select a different directory!") == process::RESULT_CANCEL ? VET_CANCEL
                                                                                             : VET_START_OVER;
}

// A directory between two words, in one write: the default one comes from the vendor's settings.
void write_target_line(std::string_view before, std::string_view dir, std::string_view after) {
    static std::array<char, 4 * process::TARGET_DIR_SIZE + 64> bytes;
    process::gathered_text line{bytes};
    line(before);
    line(process::shown{dir});
    line(after);
    line.write(stderr);
}

void draw_header() {
    using payload::header_text;
    std::fputs("\n\nPlease select a directory for installation of\n", stderr);
    // Header texts of 64 bytes at most, escaped at most four times as long.
    std::array<char, 1024> bytes;
    process::gathered_text lines{bytes};
    payload::emit_product_version_line(
        process::shown{header_text(process::session.header, payload::HEADER_PRODUCT_NAME)},
        process::shown{header_text(process::session.header, payload::HEADER_VERSION)}, lines);
    lines("\n");
    lines(payload::space_line(payload::header_u32(process::session.header, payload::HEADER_REQUIRED_SPACE),
                              process::vendor_settings().update_of.has_value())
              .data());
    lines("\n");
    lines.write(stderr);
}

// Offers the current target. Returns RESULT_YES with the default in `entry`, RESULT_NO or RESULT_CANCEL.
int offer_default(directory_entry& entry) {
    set_directory_entry(entry, process::session.target_dir.data());
    write_target_line("\n\nDefault directory: ", process::session.target_dir.data(), ".\n");
    return process::ask_no_yes_cancel("Use the default directory?", process::RESULT_YES);
}

// "~/sdk" typed means the home directory's sdk, where the conventional command line is chosen.
void expand_typed_home(directory_entry& entry) {
    std::array<char, payload::TARGET_PATH_SIZE> expanded{};
    if (!entry.too_long && expand_home(entry.text.data(), expanded.data(), expanded.size()))
        set_directory_entry(entry, expanded.data());
}

void store_target(const directory_entry& entry) {
    std::memcpy(process::session.target_dir.data(), entry.text.data(), std::strlen(entry.text.data()) + 1);
}

// Reads the typed line. Returns VET_ACCEPT when `entry` holds something to vet, else what the user chose.
int take_typed_entry(directory_entry& entry) {
    std::fputs("\n\nEnter directory >", stderr);
    if (!read_directory_entry(entry)) return VET_CANCEL;
    if (process::run.gnu) expand_typed_home(entry);
    if (entry.text[0] != '\0') return VET_ACCEPT;
    std::fputs("\n\nA directory must be selected.\n", stderr);
    return process::ask_ok_cancel("Select a directory?") == process::RESULT_CANCEL ? VET_CANCEL
                                                                                   : VET_START_OVER;
}

}  // namespace

int take_directory_unasked(bool plain) {
    directory_entry entry{};
    set_directory_entry(
        entry, process::run.target != nullptr ? process::run.target : process::session.target_dir.data());
    if (!plain) {
        draw_header();
        write_target_line("\n\nTarget directory: ", entry.text.data(), ".\n");
    }
    vet_given_directory(entry, plain);
    if (const char* problem = target_problem(entry.text.data())) process::error(problem);
    store_target(entry);
    if (plain && !process::run.quiet) write_target_line("Target directory: ", entry.text.data(), "\n");
    process::log_line("target directory", entry.text.data());
    return process::RESULT_NEXT;
}

void set_target_check(const char* (*check)(const char* path)) {
    target_check = check;
}

int select_install_dir() {
    if (process::run.target != nullptr) return take_directory_unasked(false);
    directory_entry entry{};
    for (int pass = 0;; ++pass) {
        draw_header();
        int verdict = VET_START_OVER;
        // The default comes only with the first pass: someone who has turned it down, or been told to pick
        // another directory, is not offered it again.
        const int use_default =
            pass == 0 && process::session.target_dir[0] != '\0' ? offer_default(entry) : process::RESULT_NO;
        if (use_default == process::RESULT_CANCEL) return process::RESULT_CANCEL;
        if (use_default == process::RESULT_YES) {
            verdict = vet_directory(entry);
        } else {
            verdict = take_typed_entry(entry);
            if (verdict == VET_ACCEPT) verdict = vet_directory(entry);
        }
        if (verdict == VET_ACCEPT) verdict = vet_target(entry);
        if (verdict == VET_CANCEL) return process::RESULT_CANCEL;
        if (verdict == VET_ACCEPT) {
            store_target(entry);
            process::log_line("target directory", entry.text.data());
            return process::RESULT_NEXT;
        }
    }
}

}  // namespace target
