// The licence agreement screen: display, slow display, print, and the question between them. The
// screen keeps nothing once it returns; it never consults "-autonext", since its prompt has no auto result.
#include "driver/license_screen.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "driver/agreement.h"
#include "process/dialogue.h"
#include "process/result.h"
#include "process/run_log.h"
#include "process/run_mode.h"
#include "process/shown_output.h"

namespace driver {

const char* printer_device = "/dev/lp0";

namespace {

constexpr const char* LICENSE_QUESTION =
    "\nHave you read, and do you accept, the terms of this Software License Agreement?\n";
constexpr const char* LICENSE_MENU = "Display? Slowdisplay? Accept? Print? Cancel?";
constexpr std::array<int, 5> LICENSE_KEYS = {'d', 's', 'a', 'p', 'c'};
constexpr std::array<int, 5> LICENSE_RESULTS = {process::RESULT_DISPLAY, process::RESULT_SLOWDISPLAY,
                                                process::RESULT_ACCEPT, process::RESULT_PRINT,
                                                process::RESULT_CANCEL};
constexpr char LICENSE_FORM_FEED = '\f';

// Writes the agreement (never the title in entry 0). In slow mode each line waits for the user's Enter,
// which ends the line on the terminal; what was typed before it is dropped. Returns false when the input
// ended during a wait: nobody is left to press Enter, so the caller cancels.
bool display_agreement(bool slow) {
    std::fputs("\n\n", stderr);
    agreement_cursor cursor = first_agreement_line();
    for (std::string_view line; next_agreement_line(cursor, line);) {
        process::write_text(stderr, line);
        if (!slow) {
            std::fputs("\n", stderr);
        } else if (!process::skip_rest_of_line()) {
            return false;
        }
    }
    return true;
}

// Print job: every agreement line with CR LF, then a form feed. A device that cannot be opened is passed
// over without a word, as are write errors: the question simply comes back.
void print_agreement() {
    std::FILE* printer = std::fopen(printer_device, "w");
    if (printer == nullptr) return;
    agreement_cursor cursor = first_agreement_line();
    for (std::string_view line; next_agreement_line(cursor, line);) {
        std::fwrite(line.data(), 1, line.size(), printer);
        std::fputs("\r\n", printer);
    }
    std::fputc(LICENSE_FORM_FEED, printer);
    std::fclose(printer);
}

int ask_license_question() {
    return process::choice_prompt(nullptr, LICENSE_MENU, LICENSE_KEYS.data(), LICENSE_RESULTS.data(),
                                  static_cast<int>(LICENSE_KEYS.size()), process::RESULT_NONE);
}

}  // namespace

void write_license_accepted(bool plain) {
    process::log_line("licence agreement", "accepted with --accept-license");
    if (process::run.quiet) return;
    agreement_cursor cursor = first_agreement_line();
    std::string_view first;
    (void)next_agreement_line(cursor, first);
    while (!first.empty() && first.front() == ' ') first.remove_prefix(1);
    std::fprintf(stderr, "%sLicence agreement accepted with --accept-license: \"", plain ? "" : "\n\n");
    process::write_text(stderr, first);
    std::fprintf(stderr, "\" (all of it: %s --show-license)\n", process::run.own_name);
}

int license_screen() {
    if (process::run.accept_license) {
        write_license_accepted(false);
        return process::RESULT_NEXT;
    }
    bool show = true;
    bool slow = false;
    for (;;) {
        if (show && !display_agreement(slow)) return process::RESULT_CANCEL;
        std::fputs(LICENSE_QUESTION, stderr);
        switch (ask_license_question()) {
            case process::RESULT_DISPLAY:
                show = true;
                slow = false;  // a slow display holds for one showing only
                break;
            case process::RESULT_SLOWDISPLAY:
                show = true;
                slow = true;
                break;
            case process::RESULT_PRINT:
                print_agreement();
                show = false;  // the terminal gets the question again, not the agreement
                break;
            case process::RESULT_ACCEPT:
                return process::RESULT_NEXT;
            case process::RESULT_CANCEL:
                return process::RESULT_CANCEL;
            default:
                show = false;
                break;
        }
    }
}

}  // namespace driver
