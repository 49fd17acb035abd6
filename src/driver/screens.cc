#include "driver/screens.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/dialogue.h"
#include "driver/driver_state.h"
#include "driver/result.h"
#include "driver/update_check.h"
#include "driver/vendor_settings.h"
#include "install/install_files.h"
#include "payload/product_text.h"
#include "payload/vendor_defaults.h"
#include "target/path_kind.h"

namespace driver {
namespace {

// Writes `text` to standard error in one piece.
void write_text(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

constexpr std::array<int, 2> WELCOME_KEYS = {'c', 'n'};
constexpr std::array<int, 2> WELCOME_RESULTS = {RESULT_CANCEL, RESULT_NEXT};

}  // namespace

int welcome_screen() {
    // The vendor's texts go out as arguments, never as formats.
    const std::string_view title = window_title();
    std::fprintf(stderr, "\n\n%.*s\n\n", static_cast<int>(title.size()), title.data());
    const std::string_view thanks = thanks_line();
    if (!thanks.empty()) std::fprintf(stderr, "%.*s\n\n", static_cast<int>(thanks.size()), thanks.data());
    // The header texts go out as they are: the installer shows what the vendor wrote.
    payload::line_gatherer line;
    payload::emit_welcome_line(payload::header_text(session.header, payload::HEADER_PRODUCT_NAME),
                               payload::header_text(session.header, payload::HEADER_VERSION),
                               payload::header_text(session.header, payload::HEADER_PLATFORM),
                               payload::header_build_time(session.header), line);
    line("\n");
    std::fwrite(line.text.data(), 1, line.length, stderr);
    write_update_line();
    return choice_prompt(nullptr, "Next? Cancel?", WELCOME_KEYS.data(), WELCOME_RESULTS.data(),
                         static_cast<int>(WELCOME_KEYS.size()), RESULT_NEXT);
}

int dir_exists_screen() {
    // An update checks its release here, once the directory is chosen and before anything is removed or
    // written: before the warning, whose advice to pick another directory does not fit an update, and
    // before the question, so that nobody confirms a target the update would refuse.
    check_update_base(session.target_dir.data());
    if (target::path_kind(session.target_dir.data()) != target::path_type::directory) return RESULT_NEXT;
    const char* target = session.target_dir.data();
    const int head_length = std::snprintf(nullptr, 0, payload::EXISTING_DIR_HEAD, target);
    std::string text(static_cast<std::size_t>(head_length), '\0');
    std::snprintf(text.data(), text.size() + 1, payload::EXISTING_DIR_HEAD, target);
    const std::string_view paragraph = existing_dir_text();
    text += paragraph;
    if (!paragraph.empty()) text += '\n';  // no empty line is left where no paragraph stands
    text += payload::EXISTING_DIR_TAIL;
    write_text(text);
    return ask_back_next_cancel();
}

int install_screen() {
    install::install_files();
    // Keys typed during the installation must not answer the question after it; with "-autonext" no
    // question is asked there, and what was typed is left to whoever reads the terminal next.
    if (session.autonext == 0) discard_typed_ahead();
    return RESULT_NEXT;
}

int installed_screen() {
    std::string text(payload::FILES_INSTALLED_HEAD);
    text += closing_text();
    write_text(text);
    return ask_back_next_cancel();
}

}  // namespace driver
