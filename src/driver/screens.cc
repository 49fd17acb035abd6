#include "driver/screens.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
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
#include "process/vendor_settings.h"
#include "target/directory_screen.h"
#include "target/path_kind.h"

namespace driver {
namespace {

// A screen's text, gathered so that it goes to the unbuffered standard error in one piece. The longest
// holds a target directory and a vendor's paragraph; a fixed buffer, since std::string's growth would
// link the library's exception paths into the installer.
struct screen_text {
    std::array<char, process::TARGET_DIR_SIZE + payload::PROFILE_CONTENT_CAPACITY + 1024> bytes;
    std::size_t length = 0;

    void append(std::string_view piece) {
        const std::size_t taken = std::min(piece.size(), bytes.size() - length);
        std::memcpy(bytes.data() + length, piece.data(), taken);
        length += taken;
    }
    void write() const { std::fwrite(bytes.data(), 1, length, stderr); }
};

screen_text text;

constexpr std::array<int, 2> WELCOME_KEYS = {'c', 'n'};
constexpr std::array<int, 2> WELCOME_RESULTS = {process::RESULT_CANCEL, process::RESULT_NEXT};

}  // namespace

int welcome_screen() {
    // The vendor's texts go out as arguments, never as formats.
    const std::string_view title = process::window_title();
    std::fprintf(stderr, "\n\n%.*s\n\n", static_cast<int>(title.size()), title.data());
    const std::string_view thanks = process::thanks_line();
    if (!thanks.empty()) std::fprintf(stderr, "%.*s\n\n", static_cast<int>(thanks.size()), thanks.data());
    // The header texts go out as they are: the installer shows what the vendor wrote.
    payload::line_gatherer line;
    payload::emit_welcome_line(payload::header_text(process::session.header, payload::HEADER_PRODUCT_NAME),
                               payload::header_text(process::session.header, payload::HEADER_VERSION),
                               payload::header_text(process::session.header, payload::HEADER_PLATFORM),
                               payload::header_build_time(process::session.header), line);
    line("\n");
    std::fwrite(line.text.data(), 1, line.length, stderr);
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
    if (!process::run.quiet) {
        const std::string_view closing = process::closing_text();
        std::fwrite(closing.data(), 1, closing.size(), stderr);
    }
    return process::RESULT_NEXT;
}

int dir_exists_screen() {
    if (target::path_kind(process::session.target_dir.data()) != target::path_type::directory)
        return process::RESULT_NEXT;
    const int head_length = std::snprintf(text.bytes.data(), text.bytes.size(), payload::EXISTING_DIR_HEAD,
                                          process::session.target_dir.data());
    text.length = std::min(static_cast<std::size_t>(head_length), text.bytes.size() - 1);
    // An update installs over the directory: its own words, no advice to choose another.
    const std::string_view paragraph = process::vendor_settings().update_of
                                           ? process::update_existing_dir_text()
                                           : process::existing_dir_text();
    text.append(paragraph);
    if (!paragraph.empty()) text.append("\n");  // no empty line is left where no paragraph stands
    text.append(payload::EXISTING_DIR_TAIL);
    text.write();
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
    text.length = 0;
    text.append(payload::FILES_INSTALLED_HEAD);
    text.append(process::closing_text());
    text.write();
    return process::ask_back_next_cancel();
}

}  // namespace driver
