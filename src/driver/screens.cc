#include "driver/screens.h"

#include <cstdio>

#include "driver/dialogue.h"
#include "driver/driver_state.h"
#include "driver/license_text.h"
#include "driver/result.h"
#include "install/install_files.h"
#include "payload/product_text.h"
#include "target/path_kind.h"

namespace driver {
namespace {

constexpr const char* DIR_EXISTS_TEXT =
    "\n\nThe directory \n    %s\nalready exists!\n\nInstalling into a different directory is prudent -\n"
    "in the unlikely event of a media failure, the\nprevious functioning version remains intact.\n"
    "After the new version has been installed\ninto a different directory and sucessfully used,\n"
    "the old version's directory can be deleted with\nstandard O.S. commands.\n\n"
    "Select 'Next' to proceed with the installation,\nor 'Back' to select a different directory.\n";

constexpr char FILES_INSTALLED_TEXT[] =
    "\n\nFiles installed!\nSee \"Library Installation\" in the VORNA 'C' Library Reference Manual\n"
    "for hardware and software configuration options.\n\nAlso, see files:\n"
    "VORNADST.TXT Describes the various files installed.\nVORNARLS.TXT Up-to-the minute release notes.\n"
    "VORNA.HTM    The full VORNA Reference Manual.\n\nIf the RUDEK C/C++ Library was also installed:\n"
    "RUDEKDST.TXT Describes the various files installed.\nRUDEKRLS.TXT Up-to-the minute release notes.\n";
static_assert(sizeof FILES_INSTALLED_TEXT - 1 == 443);

constexpr std::array<int, 2> WELCOME_KEYS = {'c', 'n'};
constexpr std::array<int, 2> WELCOME_RESULTS = {RESULT_CANCEL, RESULT_NEXT};

}  // namespace

int welcome_screen() {
    std::fprintf(stderr, "\n\n%s\n\n", license_text[0]);
    std::fputs("Thanks for purchasing KAVO(R) imaging products.\n\n", stderr);
    // The header texts go out as they are: the installer shows what the vendor wrote.
    payload::line_gatherer line;
    payload::emit_welcome_line(payload::header_text(session.header, payload::HEADER_PRODUCT_NAME),
                               payload::header_text(session.header, payload::HEADER_VERSION),
                               payload::header_text(session.header, payload::HEADER_PLATFORM),
                               payload::header_build_time(session.header), line);
    line("\n");
    std::fwrite(line.text.data(), 1, line.length, stderr);
    return choice_prompt(nullptr, "Next? Cancel?", WELCOME_KEYS.data(), WELCOME_RESULTS.data(),
                         static_cast<int>(WELCOME_KEYS.size()), RESULT_NEXT);
}

int dir_exists_screen() {
    if (target::path_kind(session.target_dir.data()) != target::path_type::directory) return RESULT_NEXT;
    std::fprintf(stderr, DIR_EXISTS_TEXT, session.target_dir.data());
    return ask_back_next_cancel();
}

int install_screen() {
    install::install_files();
    return RESULT_NEXT;
}

int installed_screen() {
    std::fputs(FILES_INSTALLED_TEXT, stderr);
    return ask_back_next_cancel();
}

}  // namespace driver
