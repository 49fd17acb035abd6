#include "process/dialogue.h"

#include <stdio_ext.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "process/result.h"
#include "process/run_log.h"
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

constexpr int ESC = 0x1b;
constexpr int CSI_PARAMETER_FIRST = 0x30;
constexpr int CSI_PARAMETER_LAST = 0x3f;
constexpr int CSI_INTERMEDIATE_FIRST = 0x20;
constexpr int CSI_INTERMEDIATE_LAST = 0x2f;
constexpr int SEQUENCE_FINAL_FIRST = 0x40;
constexpr int SEQUENCE_FINAL_LAST = 0x7e;

int ask(const char* title, const char* menu, const menu_table& table, int auto_result) {
    return choice_prompt(title, menu, table.keys.data(), table.results.data(), table.count, auto_result);
}

// Arrow and function keys send escape sequences whose letters must not answer a menu ("\x1b[A" would
// accept the licence). A control sequence (ESC [) runs through its parameter and intermediate bytes to one
// final byte, ESC O to the one after it; both are dropped whole. Another byte after ESC is judged as usual,
// and so is a line feed, NUL or end of input met inside a sequence.
int next_answer_byte() {
    int c = std::getc(stdin);
    while (c == ESC) {
        c = std::getc(stdin);
        if (c == '[') {
            c = std::getc(stdin);
            while (c >= CSI_PARAMETER_FIRST && c <= CSI_PARAMETER_LAST) c = std::getc(stdin);
            while (c >= CSI_INTERMEDIATE_FIRST && c <= CSI_INTERMEDIATE_LAST) c = std::getc(stdin);
        } else if (c == 'O') {
            c = std::getc(stdin);
        } else {
            continue;
        }
        if (c >= SEQUENCE_FINAL_FIRST && c <= SEQUENCE_FINAL_LAST) c = std::getc(stdin);
    }
    return c;
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

namespace {

// The question and its answer in the run's log (run_log.h), when one is kept.
void log_question(const char* title, const char* menu, std::string_view answer) {
    std::array<char, 256> question{};
    std::snprintf(question.data(), question.size(), "%s%s[%s]", title != nullptr ? title : "",
                  title != nullptr ? " " : "", menu);
    log_line("asked", question.data());
    log_line("answered", answer);
}

}  // namespace

int choice_prompt(const char* title, const char* menu, const int* keys, const int* results, int count,
                  int auto_result) {
    if (session.autonext != 0 && auto_result != 0) {
        log_question(title, menu, "by -autonext");
        return auto_result;
    }
    for (;;) {
        std::fputs("\n", stderr);
        if (title != nullptr) std::fprintf(stderr, "%s ", title);
        std::fprintf(stderr, "[%s]: ", menu);
        for (;;) {
            int c = next_answer_byte();
            // A NUL, or the end of input, cancels; the rest of the line stays unread.
            if (c == EOF || c == '\0') {
                log_question(title, menu, c == EOF ? "end of input" : "a NUL");
                return RESULT_CANCEL;
            }
            // No locale is ever set, so only A to Z change.
            c = std::tolower(c);
            if (c == '\n') break;
            for (int i = 0; i < count; ++i) {
                if (c == keys[i]) {
                    const char key = static_cast<char>(c);
                    log_question(title, menu, {&key, 1});
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
