#include "driver/screens.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "driver/command_line.h"
#include "driver/license_screen.h"
#include "install/install_files.h"
#include "install/update_check.h"
#include "payload/product_text.h"
#include "payload/vendor_defaults.h"
#include "process/dialogue.h"
#include "process/result.h"
#include "process/run_mode.h"
#include "process/session.h"
#include "process/shown_output.h"
#include "process/vendor_settings.h"
#include "target/directory_screen.h"
#include "target/path_kind.h"

namespace driver {
namespace {

// A screen's text, gathered so that it goes to the unbuffered standard error in one piece. The longest
// holds a target directory and a vendor's paragraph, each escaped at most four times as long; a fixed
// buffer, since std::string's growth would link the library's exception paths into the installer.
std::array<char, 4 * (process::TARGET_DIR_SIZE + payload::PROFILE_CONTENT_CAPACITY) + 1024> screen_bytes;

process::gathered_text screen_text() {
    return {screen_bytes};
}

constexpr std::array<int, 2> WELCOME_KEYS = {'c', 'n'};
constexpr std::array<int, 2> WELCOME_RESULTS = {process::RESULT_CANCEL, process::RESULT_NEXT};

}  // namespace

int welcome_screen() {
    // The vendor's texts and the header's go out escaped where the vendor's settings are.
    process::gathered_text text = screen_text();
    text("\n\n");
    text(process::shown{process::window_title()});
    text("\n\n");
    if (const std::string_view thanks = process::thanks_line(); !thanks.empty()) {
        text(process::shown{thanks});
        text("\n\n");
    }
    const auto header = [](std::size_t field) {
        return process::shown{payload::header_text(process::session.header, field)};
    };
    payload::emit_welcome_line(header(payload::HEADER_PRODUCT_NAME), header(payload::HEADER_VERSION),
                               header(payload::HEADER_PLATFORM),
                               payload::header_build_time(process::session.header), text);
    text("\n");
    text.write(stderr);
    install::write_update_line();
    return process::choice_prompt(nullptr, "Next? Cancel?", WELCOME_KEYS.data(), WELCOME_RESULTS.data(),
                                  static_cast<int>(WELCOME_KEYS.size()), process::RESULT_NEXT);
}

namespace {

void write_plain(const char* line) {
    if (!process::run.quiet) std::fputs(line, stderr);
}

}  // namespace

int welcome_plain() {
    if (!process::run.quiet) {
        write_product_line(stderr, "Installing ");
        install::write_update_line();
    }
    return process::RESULT_NEXT;
}

int license_plain() {
    write_license_accepted(true);
    return process::RESULT_NEXT;
}

int directory_plain() {
    return target::take_directory_unasked(true);
}

int dir_exists_plain() {
    if (target::path_kind(process::session.target_dir.data()) == target::path_type::directory)
        write_plain("The directory exists: files of the same names in it are replaced.\n");
    return process::RESULT_NEXT;
}

int installed_plain() {
    if (!process::run.quiet) process::write_text(stderr, process::closing_text(), true);
    return process::RESULT_NEXT;
}

int dir_exists_screen() {
    if (target::path_kind(process::session.target_dir.data()) != target::path_type::directory)
        return process::RESULT_NEXT;
    // The head's one "%s" is the target directory.
    const std::string_view head = payload::EXISTING_DIR_HEAD;
    const std::size_t hole = head.find("%s");
    process::gathered_text text = screen_text();
    text(head.substr(0, hole));
    text(process::shown{process::session.target_dir.data()});
    text(head.substr(hole + 2));
    // An update installs over the directory: its own words, no advice to choose another.
    const std::string_view paragraph = process::vendor_settings().update_of
                                           ? process::update_existing_dir_text()
                                           : process::existing_dir_text();
    text(process::shown{paragraph, true});
    if (!paragraph.empty()) text("\n");  // no empty line is left where no paragraph stands
    text(payload::EXISTING_DIR_TAIL);
    text.write(stderr);
    // A directory given on the command line is warned about and taken: nobody is there to answer.
    if (process::run.target != nullptr) return process::RESULT_NEXT;
    return process::ask_back_next_cancel();
}

int install_screen() {
    install::install_files();
    process::run.installed = true;
    // Keys typed during the installation must not answer the question after it; with "-autonext" no
    // question is asked there, and what was typed is left to whoever reads the terminal next.
    if (process::session.autonext == 0 && !process::run.unattended) process::discard_typed_ahead();
    return process::RESULT_NEXT;
}

int installed_screen() {
    process::gathered_text text = screen_text();
    text(payload::FILES_INSTALLED_HEAD);
    text(process::shown{process::closing_text(), true});
    text.write(stderr);
    return process::ask_back_next_cancel();
}

}  // namespace driver
