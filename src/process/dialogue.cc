#include "process/dialogue.h"

#include <stdio_ext.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>

#include "process/result.h"
#include "process/session.h"
#include "process/terminal_job.h"

namespace process {
namespace {

struct menu_table {
    std::array<int, 3> keys;
    std::array<int, 3> results;
    int count;
};

constexpr menu_table NO_YES_CANCEL = {{'y', 'n', 'c'}, {RESULT_YES, RESULT_NO, RESULT_CANCEL}, 3};
constexpr menu_table BACK_NEXT_CANCEL = {{'c', 'n', 'b'}, {RESULT_CANCEL, RESULT_NEXT, RESULT_BACK}, 3};
constexpr menu_table OK_CANCEL = {{'c', 'o'}, {RESULT_CANCEL, RESULT_OK}, 2};

int ask(const char* title, const char* menu, const menu_table& table, int auto_result) {
    return choice_prompt(title, menu, table.keys.data(), table.results.data(), table.count, auto_result);
}

}  // namespace

void discard_typed_ahead() {
    if (isatty(fileno(stdin)) == 0) return;
    const int flushed = unless_in_background(fileno(stdin), [](int fd) { return tcflush(fd, TCIFLUSH); });
    // In canonical mode stdio never holds more than the line it was given, all read; the terminal may
    // have been set otherwise.
    if (flushed == 0) __fpurge(stdin);
}

bool skip_rest_of_line() {
    for (;;) {
        const int c = std::getc(stdin);
        if (c == EOF) return false;
        if (c == '\n' || c == '\0') return true;
    }
}

int choice_prompt(const char* title, const char* menu, const int* keys, const int* results, int count,
                  int auto_result) {
    if (session.autonext != 0 && auto_result != 0) return auto_result;
    for (;;) {
        std::fputs("\n", stderr);
        if (title != nullptr) std::fprintf(stderr, "%s ", title);
        std::fprintf(stderr, "[%s]: ", menu);
        for (;;) {
            int c = std::getc(stdin);
            // A NUL, or the end of input, cancels; the rest of the line stays unread.
            if (c == EOF || c == '\0') return RESULT_CANCEL;
            // No locale is ever set, so only A to Z change.
            c = std::tolower(c);
            if (c == '\n') break;
            for (int i = 0; i < count; ++i) {
                if (c == keys[i]) {
                    // End of input here just ends the line: the answer stands.
                    skip_rest_of_line();
                    return results[i];
                }
            }
        }
    }
}

int ask_no_yes_cancel(const char* title, int auto_result) {
    return ask(title, "No? Yes? Cancel?", NO_YES_CANCEL, auto_result);
}

int ask_back_next_cancel() {
    return ask(nullptr, "Back? Next? Cancel?", BACK_NEXT_CANCEL, RESULT_NEXT);
}

int ask_ok_cancel(const char* title) {
    return ask(title, "Ok? Cancel?", OK_CANCEL, RESULT_NONE);
}

}  // namespace process
